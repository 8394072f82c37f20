#include "viewer/command_line.h"

namespace kv::viewer {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

}  // namespace

bool ImagePathFromCommandLine(const wchar_t* line, wchar_t* out, int outChars) {
    if (line == nullptr) return false;
    while (IsBlank(*line)) ++line;
    int length = lstrlenW(line);
    while (length > 0 && IsBlank(line[length - 1])) --length;
    // A quoted path is accepted as well as the bare one the launcher passes.
    if (length >= 2 && line[0] == L'"' && line[length - 1] == L'"') {
        ++line;
        length -= 2;
    }
    if (length <= 0 || length >= outChars) return false;
    for (int i = 0; i < length; ++i) out[i] = line[i];
    out[length] = L'\0';
    return true;
}

bool WidenCommandLine(const char* line, wchar_t* out, int outChars) {
    if (line == nullptr) return false;
    return MultiByteToWideChar(CP_ACP, 0, line, -1, out, outChars) > 0;
}

const wchar_t* NextArgument(const wchar_t* line, wchar_t* out, int outChars) {
    if (line == nullptr) return nullptr;
    while (IsBlank(*line)) ++line;
    if (*line == L'\0') return nullptr;
    const bool quoted = *line == L'"';
    if (quoted) ++line;
    int length = 0;
    while (*line != L'\0' && (quoted ? *line != L'"' : !IsBlank(*line))) {
        if (length + 1 >= outChars) return nullptr;
        out[length++] = *line++;
    }
    out[length] = L'\0';
    if (quoted && *line == L'"') ++line;
    return line;
}

}  // namespace kv::viewer
