// The forms layer's side of the kernel link for properties: unit properties read and written
// by program code, and properties of objects of library data types.
#include <windows.h>

#include <cstring>

#include "forms/cursor_builder.h"
#include "forms/cursor_table.h"
#include "forms/form_registry.h"
#include "forms/property_clamps.h"
#include "forms/property_values.h"
#include "forms/unit_interfaces.h"
#include "forms/window_loader.h"
#include "forms/window_unit.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"

namespace kv::forms {
namespace {

struct Target {
    FormTemplate* form;
    size_t index;
    UnitEntry& entry() const { return form->units[index]; }
};

Target Locate(uint32_t formId, uint32_t unitId) {
    FormTemplate* form = Forms().Find(formId);
    if (!form) ReportRuntimeError("未载入欲访问窗口组件所在的窗口", 0);
    int index = UnitIndex(*form, unitId);
    if (index < 0) ReportRuntimeError("指定窗口或窗口组件不存在或尚未载入", 0);
    return {form, size_t(index)};
}

// The outer rectangle of a unit's window, in its parent's client coordinates unless it is
// a top-level or pop-up window.
RECT UnitRect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    HWND parent = GetParent(window);
    if (parent && !(GetWindowLongA(window, GWL_STYLE) & WS_POPUP)) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

int32_t ReadMenuItem(const UnitEntry& entry, int32_t property) {
    switch (property) {
        case 1:
            return (entry.state & state::kTabStop) ? 1 : 0;
        case 2:
            return (entry.state & state::kDisabled) ? 1 : 0;
        case 3:
            return (entry.state & state::kVisible) ? 0 : 1;
        default:
            return 0;
    }
}

void SetStateBit(UnitEntry& entry, uint32_t bit, bool on) {
    entry.state = on ? (entry.state | bit) : (entry.state & ~bit);
}

const UnitPropertyRecord* PropertyRecord(const UnitTypeRecord* type, int32_t property) {
    if (!type || property < 0 || uint32_t(property) >= type->propertyCount) return nullptr;
    return &type->properties[property];
}

// Leading common properties of a type (0-7 for unit types, none for plain data types).
int32_t CommonCount(const UnitTypeRecord* type) {
    int32_t n = 0;
    while (uint32_t(n) < type->propertyCount && type->properties[n].flags == kCommonPropertyFlags)
        ++n;
    return n;
}

int64_t ReadOwn(const UnitTypeRecord* type, void* object, int32_t property, int32_t own,
                int32_t subProperty) {
    const UnitPropertyRecord* record = PropertyRecord(type, property);
    auto get = InterfaceOf<GetPropertyRoutine>(type, iface::kGetProperty);
    if (!record || !get) return 0;
    UnitValue value;
    if (!get(object, own, &value)) value = UnitValue();
    return ValueForProgram(record->kind, value, subProperty);
}

int32_t WriteOwn(const UnitTypeRecord* type, void* object, int32_t property, int32_t own,
                 int32_t subProperty, uint32_t low, uint32_t high) {
    const UnitPropertyRecord* record = PropertyRecord(type, property);
    if (!record) return 0;
    return SetFromProgram(InterfaceOf<SetPropertyRoutine>(type, iface::kSetProperty),
                          InterfaceOf<GetPropertyRoutine>(type, iface::kGetProperty), object, own,
                          record->kind, subProperty, low, high);
}

int64_t ReadCommon(const UnitEntry& entry, int32_t property) {
    HWND window = IsLive(entry) ? UnitWindow(entry.object) : nullptr;
    if (property <= 3 && window) {
        RECT r = UnitRect(window);
        int32_t values[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        return values[property];
    }
    switch (property) {
        case 0:
            return entry.left;
        case 1:
            return entry.top;
        case 2:
            return entry.width;
        case 3:
            return entry.height;
        case 4:
            return int64_t(
                reinterpret_cast<intptr_t>(NewText(entry.tag.c_str(), entry.tag.size())));
        case 5:
            return window ? (IsWindowVisible(window) ? 1 : 0)
                          : ((entry.state & state::kVisible) ? 1 : 0);
        case 6:
            return window ? (IsWindowEnabled(window) ? 0 : 1)
                          : ((entry.state & state::kDisabled) ? 1 : 0);
        default: {
            std::vector<uint8_t> block = entry.cursorBlock;
            CursorStoredToIndex(&block);
            return int64_t(reinterpret_cast<intptr_t>(NewByteSet(block.data(), block.size())));
        }
    }
}

void ShowUnit(const Target& t, bool visible) {
    UnitEntry& entry = t.entry();
    SetStateBit(entry, state::kVisible, visible);
    if (!IsLive(entry)) return;
    HWND window = UnitWindow(entry.object);
    if (!visible) {
        ShowWindow(window, SW_HIDE);
        return;
    }
    if (t.index == 0) {
        auto* unit = static_cast<WindowUnit*>(entry.object);
        const bool modal = unit->modal();
        if (unit->ShowFromProgram() && modal) unit->RunModal();
        return;
    }
    const UnitTypeRecord* type = TypeRecordOf(entry.type);
    if (type && (type->flags & typeflag::kNeverVisible)) return;
    // A unit on a page of a paged container that is not the current one stays hidden.
    HWND parent = GetParent(window);
    if (parent && parent != UnitWindow(t.form->units[0].object) && !IsWindowVisible(parent)) {
        return;
    }
    ShowWindow(window, SW_SHOW);
}

void WriteCommon(const Target& t, int32_t property, uint32_t low, uint32_t high) {
    UnitEntry& entry = t.entry();
    HWND window = IsLive(entry) ? UnitWindow(entry.object) : nullptr;
    int32_t n = int32_t(low);
    switch (property) {
        case 0:
        case 1: {
            (property == 0 ? entry.left : entry.top) = ClampPosition(n);
            if (window) {
                RECT r = UnitRect(window);
                int32_t x = property == 0 ? entry.left : r.left;
                int32_t y = property == 1 ? entry.top : r.top;
                MoveWindow(window, x, y, r.right - r.left, r.bottom - r.top, TRUE);
            }
            break;
        }
        case 2:
        case 3: {
            (property == 2 ? entry.width : entry.height) = ClampExtent(n);
            if (window) {
                RECT r = UnitRect(window);
                int32_t w = property == 2 ? entry.width : r.right - r.left;
                int32_t h = property == 3 ? entry.height : r.bottom - r.top;
                SetWindowPos(window, nullptr, 0, 0, w, h, 22);
            }
            break;
        }
        case 4: {
            const char* text = static_cast<const char*>(AddressOf(low, high));
            entry.tag = text ? text : "";
            break;
        }
        case 5:
            ShowUnit(t, n != 0);
            break;
        case 6:
            SetStateBit(entry, state::kDisabled, n != 0);
            if (window) EnableWindow(window, n == 0);
            break;
        default: {
            std::vector<uint8_t> block = ByteSetBytes(AddressOf(low, high));
            CursorIndexToStored(&block);
            DestroyUnitCursor(static_cast<HCURSOR>(entry.cursor));
            entry.cursor = nullptr;
            if (window) entry.cursor = BuildCursor(block);
            entry.cursorBlock = block;
            if (window) {
                POINT p;
                GetCursorPos(&p);
                SetCursorPos(p.x, p.y);  // the new cursor shows at once
            }
            break;
        }
    }
}

void WriteMenuItem(UnitEntry& entry, int32_t property, uint32_t low, uint32_t high) {
    switch (property) {
        case 0: {
            const char* text = static_cast<const char*>(AddressOf(low, high));
            entry.caption = text ? text : "";
            break;
        }
        case 1:
            SetStateBit(entry, state::kTabStop, low != 0);
            break;
        case 2:
            SetStateBit(entry, state::kDisabled, low != 0);
            break;
        case 3:
            SetStateBit(entry, state::kVisible, low == 0);
            break;
        default:
            break;
    }
}

}  // namespace

int64_t KV_CDECL ReadUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                  int32_t subProperty) {
    Target t = Locate(formId, unitId);
    const UnitEntry& entry = t.entry();
    if (entry.IsMenuItem()) {
        if (property == 0) {
            return int64_t(
                reinterpret_cast<intptr_t>(NewText(entry.caption.c_str(), entry.caption.size())));
        }
        return ReadMenuItem(entry, property);
    }
    if (property > 7) {
        if (!IsLive(entry)) ReportRuntimeError("指定窗口尚未载入", 0);
        return ReadOwn(TypeRecordOf(entry.type), entry.object, property, property - 8, subProperty);
    }
    return property < 0 ? 0 : ReadCommon(entry, property);
}

void KV_CDECL WriteUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                int32_t subProperty, uint32_t valueLow, uint32_t valueHigh) {
    Target t = Locate(formId, unitId);
    UnitEntry& entry = t.entry();
    if (entry.IsMenuItem()) {
        WriteMenuItem(entry, property, valueLow, valueHigh);
        return;
    }
    if (property > 7) {
        if (!IsLive(entry)) ReportRuntimeError("指定窗口尚未载入", 0);
        HWND window = UnitWindow(entry.object);
        int32_t recreate = WriteOwn(TypeRecordOf(entry.type), entry.object, property, property - 8,
                                    subProperty, valueLow, valueHigh);
        if (recreate == 1 && IsWindow(window)) RecreateUnit(t.form, t.index);
        return;
    }
    if (property >= 0) WriteCommon(t, property, valueLow, valueHigh);
}

int64_t ReadLibraryTypeProperty(TypeTag type, void* object, int32_t property, int32_t subProperty) {
    const UnitTypeRecord* record = TypeRecordOf(type);
    if (!record || !object) return 0;
    return ReadOwn(record, object, property, property - CommonCount(record), subProperty);
}

void WriteLibraryTypeProperty(TypeTag type, void* object, int32_t property, TypeTag,
                              uint32_t valueLow, uint32_t valueHigh) {
    const UnitTypeRecord* record = TypeRecordOf(type);
    if (!record || !object) return;
    WriteOwn(record, object, property, property - CommonCount(record), -1, valueLow, valueHigh);
}

}  // namespace kv::forms
