// message_box_fixture STYLE CAPTION TEXT
// Shows one message box with the given style number, caption and text ("|" in TEXT becomes
// a line break) and exits with the id of the button that closed it.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) return 100;
    std::string text = argv[3];
    for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2)) {
        text.replace(at, 1, "\r\n");
    }
    const UINT style = static_cast<UINT>(std::strtoul(argv[1], nullptr, 10));
    return MessageBoxA(nullptr, text.c_str(), argv[2], style);
}
