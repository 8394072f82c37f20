#include <cstdio>

#include "imageconv/memory/platform.h"

namespace kv::imageconv {
namespace {
// Highest number the name search tries.
constexpr long kLastTempNumber = 2047483647L;
}  // namespace

bool TempFileName(const char* prefix, std::string* name, long first, long* number) {
    std::string directory;
    if (!TempDirectory(&directory)) return false;
    for (long n = first < 0 ? 0 : first; n <= kLastTempNumber; ++n) {
        char digits[16];
        snprintf(digits, sizeof digits, "%ld", n);
        std::string candidate = directory + prefix + digits + ".tmp";
        if (!PathExists(candidate.c_str())) {
            *name = std::move(candidate);
            if (number) *number = n;
            return true;
        }
    }
    return false;
}

}  // namespace kv::imageconv
