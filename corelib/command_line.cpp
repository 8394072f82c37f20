#include "corelib/command_line.h"

#include "corelib/gbk.h"

namespace kv::core {
namespace {

bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Skips the program name: quoted up to its closing quote (and one space after it), or up to
// and including the first space.
const char* SkipProgramName(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
        if (*p == ' ') ++p;
        return p;
    }
    while (*p && *p != ' ') ++p;
    if (*p == ' ') ++p;
    return p;
}

}  // namespace

std::vector<std::string_view> SplitCommandLine(const char* line) {
    std::vector<std::string_view> arguments;
    if (!line) return arguments;
    const char* p = SkipProgramName(line);
    while (*p) {
        if (IsSeparator(*p)) {
            ++p;
            continue;
        }
        const bool quoted = *p == '"';
        if (quoted) ++p;
        const char* start = p;
        bool endOfLine = false;
        while (*p && (quoted ? *p != '"' : !IsSeparator(*p) && *p != '"')) {
            if (IsLeadByte(*p)) {
                if (!p[1]) {
                    endOfLine = true;  // a lone lead byte at the end is dropped
                    break;
                }
                p += 2;
            } else {
                ++p;
            }
        }
        arguments.emplace_back(start, size_t(p - start));
        if (endOfLine) break;
        if (quoted && *p == '"') ++p;
    }
    return arguments;
}

}  // namespace kv::core
