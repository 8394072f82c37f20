#include "forms/property_values.h"

#include <windows.h>

#include <cstring>

#include "forms/cursor_table.h"
#include "forms/font_block.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

bool IsNumberKind(uint16_t k) {
    return k == 1000 || k == 1001 || k == 1006 || k == 1014 || k == 1015 || k == 1017;
}
bool IsBytesKind(uint16_t k) {
    return k == kind::kPicture || k == kind::kIcon || k == kind::kSound || k == kind::kBytes1023 ||
           k == kind::kBytes1024;
}

void* Allocate(size_t n) {
    return reinterpret_cast<void*>(SystemNotify(sysnotify::kAllocate, intptr_t(n), 0));
}

int32_t ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The unit's font, or the stock GUI font when it has no 60-byte one.
FontBlock CurrentFont(const UnitValue& value) {
    FontBlock font;
    if (value.data && value.length == sizeof font) {
        std::memcpy(static_cast<void*>(&font), value.data, sizeof font);
    } else {
        LOGFONTA stock;
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
        std::memcpy(static_cast<void*>(&font), &stock, sizeof font);
    }
    return font;
}

int64_t FontForProgram(const UnitValue& value, int32_t part) {
    FontBlock font = CurrentFont(value);
    int32_t dpi = ScreenDpi();
    std::string face = FaceName(font);
    if (part == fontpart::kFaceName) {
        return int64_t(reinterpret_cast<intptr_t>(NewText(face.c_str(), face.size())));
    }
    if (part != fontpart::kWhole) return ReadFontPart(font, part, dpi);
    auto* record = static_cast<FontRecord*>(Allocate(sizeof(FontRecord)));
    record->angle = ReadFontPart(font, fontpart::kAngle, dpi);
    record->bold = ReadFontPart(font, fontpart::kBold, dpi);
    record->italic = ReadFontPart(font, fontpart::kItalic, dpi);
    record->strikeOut = ReadFontPart(font, fontpart::kStrikeOut, dpi);
    record->underline = ReadFontPart(font, fontpart::kUnderline, dpi);
    record->size = ReadFontPart(font, fontpart::kSize, dpi);
    record->faceName = NewText(face.c_str(), face.size());
    return int64_t(reinterpret_cast<intptr_t>(record));
}

}  // namespace

void* AddressOf(uint32_t low, uint32_t high) {
    uint64_t address = low;
    if (sizeof(void*) > 4) address |= uint64_t(high) << 32;
    return reinterpret_cast<void*>(uintptr_t(address));
}

char* NewText(const char* text, size_t length) {
    if (!text || length == 0) return nullptr;
    auto* copy = static_cast<char*>(Allocate(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void* NewByteSet(const uint8_t* data, size_t length) {
    if (!data || length == 0) return nullptr;
    auto* block = static_cast<uint8_t*>(Allocate(kByteSetHeader + length));
    uint32_t header[2] = {1, uint32_t(length)};
    std::memcpy(block, header, sizeof header);
    std::memcpy(block + kByteSetHeader, data, length);
    return block;
}

std::vector<uint8_t> ByteSetBytes(const void* byteSet) {
    if (!byteSet) return {};
    const auto* block = static_cast<const uint8_t*>(byteSet);
    uint32_t length;
    std::memcpy(&length, block + 4, 4);
    return std::vector<uint8_t>(block + kByteSetHeader, block + kByteSetHeader + length);
}

int64_t ValueForProgram(uint16_t k, const UnitValue& value, int32_t subProperty) {
    if (IsNumberKind(k)) return int64_t(int32_t(value.number));
    if (k == kind::kLong || k == kind::kLong2) return value.number;
    if (k == kind::kLogical) return value.number == 1 ? 1 : 0;
    if (IsBytesKind(k)) {
        return int64_t(reinterpret_cast<intptr_t>(NewByteSet(value.data, value.length)));
    }
    if (k == kind::kCursor) {
        std::vector<uint8_t> block(value.data, value.data ? value.data + value.length : value.data);
        CursorStoredToIndex(&block);
        return int64_t(reinterpret_cast<intptr_t>(NewByteSet(block.data(), block.size())));
    }
    if (k == kind::kFont) return FontForProgram(value, subProperty);
    const char* text = reinterpret_cast<const char*>(value.data);
    return int64_t(reinterpret_cast<intptr_t>(NewText(text, text ? std::strlen(text) : 0)));
}

int32_t SetFromProgram(SetPropertyRoutine set, GetPropertyRoutine get, void* unit, int32_t own,
                       uint16_t k, int32_t subProperty, uint32_t low, uint32_t high) {
    if (!set) return 0;
    UnitValue value;
    std::vector<uint8_t> bytes;
    int32_t refresh = 0;
    if (IsNumberKind(k)) {
        int32_t n = int32_t(low);
        value.number = (k == kind::kChoice && n < 0) ? 0 : n;
    } else if (k == kind::kLong || k == kind::kLong2) {
        value.number = int64_t(uint64_t(high) << 32 | low);
    } else if (k == kind::kLogical) {
        value.number = low != 0 ? 1 : 0;
    } else if (IsBytesKind(k) || k == kind::kCursor) {
        bytes = ByteSetBytes(AddressOf(low, high));
        if (k == kind::kCursor) CursorIndexToStored(&bytes);
        value.data = bytes.empty() ? nullptr : bytes.data();
        value.length = uint32_t(bytes.size());
    } else if (k == kind::kFont) {
        void* address = AddressOf(low, high);
        if (subProperty == fontpart::kWhole && !address) {
            return set(unit, own, &value, &refresh);  // empty block: back to the stock font
        }
        UnitValue current;
        if (!get || !get(unit, own, &current)) current = UnitValue();
        FontBlock font = CurrentFont(current);
        int32_t dpi = ScreenDpi();
        if (subProperty == fontpart::kWhole) {
            ApplyFontRecord(&font, *static_cast<const FontRecord*>(address), dpi);
        } else if (subProperty == fontpart::kFaceName) {
            WriteFaceName(&font, static_cast<const char*>(address));
        } else {
            WriteFontPart(&font, subProperty, int32_t(low), dpi);
        }
        bytes = FontToBytes(font);
        value.data = bytes.data();
        value.length = uint32_t(bytes.size());
    } else {
        const char* text = static_cast<const char*>(AddressOf(low, high));
        value.data = reinterpret_cast<const uint8_t*>(text ? text : "");
        value.length = uint32_t(std::strlen(text ? text : ""));
    }
    return set(unit, own, &value, &refresh);
}

}  // namespace kv::forms
