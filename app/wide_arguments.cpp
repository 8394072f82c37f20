#include "app/wide_arguments.h"

namespace kv::app {

std::vector<std::wstring> WideArguments(const wchar_t* p) {
    std::vector<std::wstring> arguments;
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ') ++p;
    }
    if (*p == L' ') ++p;
    while (*p) {
        if (*p <= L' ') {
            ++p;
            continue;
        }
        const bool quoted = *p == L'"';
        if (quoted) ++p;
        const wchar_t* start = p;
        while (*p && (quoted ? *p != L'"' : *p > L' ' && *p != L'"')) ++p;
        arguments.emplace_back(start, p);
        if (quoted && *p == L'"') ++p;
    }
    return arguments;
}

}  // namespace kv::app
