// A child program for the RunProgram tests: after an optional delay it writes the startup
// flags and show command it was given to the file named by its first argument.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argc > 2) Sleep(DWORD(atoi(argv[2])));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    FILE* out = fopen(argv[1], "w");
    if (!out) return 3;
    fprintf(out, "%lu %u", startup.dwFlags, unsigned(startup.wShowWindow));
    fclose(out);
    return 0;
}
