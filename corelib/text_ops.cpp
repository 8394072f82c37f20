#include "corelib/text_ops.h"

#include <algorithm>
#include <cstring>

#include "corelib/gbk.h"

namespace kv::core {
namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Compares `find` with the bytes at `at`; case is ignored only for single-byte characters
// so that a trail byte never matches a different character's trail byte.
bool MatchesAt(const char* at, std::string_view find, bool ignoreCase) {
    if (!ignoreCase) return memcmp(at, find.data(), find.size()) == 0;
    for (size_t i = 0; i < find.size(); ++i) {
        if (IsLeadByte(find[i]) && i + 1 < find.size()) {
            if (at[i] != find[i] || at[i + 1] != find[i + 1]) return false;
            ++i;
        } else if (FoldAscii(at[i]) != FoldAscii(find[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string_view LeftPart(std::string_view text, int32_t count) {
    if (count <= 0) return {};
    return text.substr(0, std::min(size_t(count), text.size()));
}

std::string_view RightPart(std::string_view text, int32_t count) {
    if (count <= 0) return {};
    const size_t n = std::min(size_t(count), text.size());
    return text.substr(text.size() - n);
}

std::string TextFromCode(int32_t code) {
    const char c = char(code & 0xFF);
    return c ? std::string(1, c) : std::string();
}

int32_t FindInText(std::string_view text, std::string_view find, std::optional<int32_t> start,
                   bool ignoreCase) {
    size_t pos = 0;
    if (start && *start > 1) pos = size_t(*start) - 1;
    if (pos >= text.size()) return -1;
    if (find.empty()) return 1;
    while (text.size() - pos >= find.size()) {
        if (MatchesAt(text.data() + pos, find, ignoreCase)) return int32_t(pos + 1);
        if (IsLeadByte(text[pos])) {
            if (pos + 1 >= text.size()) break;
            pos += 2;
        } else {
            pos += 1;
        }
    }
    return -1;
}

std::string_view WithoutBlanks(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        if (*p == ' ') {
            ++p;
        } else if (IsFullWidthBlankAt(p, end)) {
            p += 2;
        } else {
            break;
        }
    }
    const char* first = p;
    const char* runStart = nullptr;
    while (p < end) {
        if (*p == ' ' || IsFullWidthBlankAt(p, end)) {
            if (!runStart) runStart = p;
            p += (*p == ' ') ? 1 : 2;
        } else if (IsLeadByte(*p) && p + 1 == end) {
            end = p;  // a lone lead byte ends the text
        } else {
            runStart = nullptr;
            p += IsLeadByte(*p) ? 2 : 1;
        }
    }
    const char* last = runStart ? runStart : end;
    return std::string_view(first, size_t(last - first));
}

std::vector<std::string_view> SplitAtSeparator(std::string_view text, std::string_view separator,
                                               std::optional<int32_t> limit) {
    std::vector<std::string_view> elements;
    int64_t allowed = limit ? std::max<int32_t>(*limit, 0) : -1;  // -1: unlimited
    if (text.empty() || allowed == 0) return elements;
    if (separator.empty()) {
        elements.push_back(text);
        return elements;
    }
    size_t elementStart = 0;
    size_t pos = 0;
    while (pos < text.size() && text.size() - pos >= separator.size()) {
        if (memcmp(text.data() + pos, separator.data(), separator.size()) == 0) {
            elements.push_back(text.substr(elementStart, pos - elementStart));
            pos += separator.size();
            elementStart = pos;
            if (allowed > 0 && --allowed == 0) return elements;
        } else {
            pos += IsLeadByte(text[pos]) ? 2 : 1;
        }
    }
    if (elementStart < text.size()) elements.push_back(text.substr(elementStart));
    return elements;
}

std::string Spaces(int32_t count) {
    return count < 1 ? std::string() : std::string(size_t(count), ' ');
}

}  // namespace kv::core
