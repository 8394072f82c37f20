#include "corelib/com/text_bridge.h"

#include "corelib/com/kernel_link.h"

namespace kv::com {

const char* TextArgument(const ArgValue& arg) {
    if ((arg.type & ~tag::kArrayBit) != tag::kText) return nullptr;
    if (!(arg.type & tag::kArrayBit)) return arg.value.text;
    return arg.value.ptr ? *static_cast<char* const*>(arg.value.ptr) : nullptr;
}

std::wstring Widen(const char* text) {
    if (!text || !*text) return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(size_t(length - 1));
    return wide;
}

BSTR NewBstrFromText(const char* text) {
    return SysAllocString(Widen(text).c_str());
}

char* NewTextFromBstr(BSTR text) {
    UINT length = SysStringLen(text);
    if (length == 0) return nullptr;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    auto* narrow = static_cast<char*>(AllocateBlock(size_t(bytes) + 1));
    WideCharToMultiByte(CP_ACP, 0, text, int(length), narrow, bytes, nullptr, nullptr);
    narrow[bytes] = '\0';
    return narrow;
}

}  // namespace kv::com
