#include "forms/window_loader.h"

#include <set>

#include "forms/cursor_builder.h"
#include "forms/event_dispatch.h"
#include "forms/form_registry.h"
#include "forms/unit_interfaces.h"
#include "forms/window_unit.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

constexpr uint32_t kFirstControlId = 100;
constexpr uint32_t kControlIdStep = 10;

// Events stay blocked while units are built; the count is lowered on every way out.
class EventBlock {
  public:
    EventBlock() { SystemNotify(sysnotify::kBlockEvents, 0, 0); }
    ~EventBlock() { SystemNotify(sysnotify::kUnblockEvents, 0, 0); }
    EventBlock(const EventBlock&) = delete;
    EventBlock& operator=(const EventBlock&) = delete;
};

DWORD CreationStyle(const UnitEntry& entry, const UnitTypeRecord* type, bool isWindow,
                    bool forcedShow) {
    DWORD style = 0;
    bool visible = (entry.state & state::kVisible) != 0;
    if (type->flags & typeflag::kNeverVisible) visible = false;
    if (isWindow && forcedShow) visible = true;
    if (visible) style |= WS_VISIBLE;
    if (entry.state & state::kDisabled) style |= WS_DISABLED;
    if (entry.state & state::kTabStop) style |= WS_TABSTOP;
    return style;
}

void* CreateEntry(const UnitEntry& entry, DWORD style, HWND parent, uint32_t controlId,
                  uint32_t formId) {
    const UnitTypeRecord* type = TypeRecordOf(entry.type);
    auto create = InterfaceOf<CreateUnitRoutine>(type, iface::kCreate);
    if (!create) return nullptr;
    return create(entry.typeData.data(), uint32_t(entry.typeData.size()), style, parent, controlId,
                  nullptr, entry.left, entry.top, entry.width, entry.height, formId, entry.id, 0,
                  0);
}

HWND ContainerWindow(FormTemplate& form, uint32_t container) {
    if (container == 0) return UnitWindow(form.units[0].object);
    UnitEntry* entry = FindUnit(form, container);
    return entry ? UnitWindow(entry->object) : nullptr;
}

// Units listed after the first 0 word of a paged container's page list start hidden.
std::set<uint32_t> UnitsOnHiddenPages(const FormTemplate& form) {
    std::set<uint32_t> hidden;
    for (const UnitEntry& entry : form.units) {
        const UnitTypeRecord* type = entry.IsMenuItem() ? nullptr : TypeRecordOf(entry.type);
        if (!type || !(type->flags & typeflag::kPagedContainer)) continue;
        bool afterFirstPage = false;
        for (uint32_t word : entry.pages) {
            if (word == 0) {
                afterFirstPage = true;
            } else if (afterFirstPage) {
                hidden.insert(word);
            }
        }
    }
    return hidden;
}

// Brings the live units into list order below their containers.
void OrderUnits(FormTemplate& form) {
    for (size_t i = 1; i < form.units.size(); ++i) {
        UnitEntry& entry = form.units[i];
        HWND window = entry.IsMenuItem() ? nullptr : UnitWindow(entry.object);
        if (!window) continue;
        HWND after = HWND_TOP;
        for (size_t j = i - 1; j >= 1; --j) {
            const UnitEntry& before = form.units[j];
            if (!before.IsMenuItem() && before.container == entry.container &&
                UnitWindow(before.object)) {
                after = UnitWindow(before.object);
                break;
            }
        }
        SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void SendToUnits(FormTemplate& form, UINT message) {
    for (size_t i = form.units.size(); i-- > 0;) {
        const UnitEntry& entry = form.units[i];
        HWND window = entry.IsMenuItem() ? nullptr : UnitWindow(entry.object);
        if (window) SendMessageA(window, message, 0, 0);
    }
}

bool WindowExists(HWND window) {
    return window && IsWindow(window);
}

}  // namespace

void RestorePristineUnits(FormTemplate* form) {
    if (form->pristine.empty()) return;  // never loaded, or already restored
    form->units.swap(form->pristine);
    form->pristine.clear();
}

int LoadWindow(FormTemplate* form, bool forcedShow, bool modal, HWND owner) {
    if (!form || form->units.empty() || form->units[0].IsMenuItem()) return 0;
    // 1. Already loaded: bring it forward.
    if (!forcedShow && IsLive(form->units[0])) {
        HWND window = UnitWindow(form->units[0].object);
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
        } else {
            SetActiveWindow(window);
        }
        return 1;
    }
    // 2. Owner.
    if (modal) owner = nullptr;
    if (owner && !IsWindow(owner)) return 0;
    HWND previousFocus = GetFocus();
    const uint32_t formId = Forms().IdOf(form);
    WindowUnit* window = nullptr;
    {
        EventBlock blocked;  // 3 to 13
        form->pristine = form->units;

        // 6. The window unit first, then the other entries from the last to the second.
        UnitEntry& windowEntry = form->units[0];
        const UnitTypeRecord* windowType = TypeRecordOf(windowEntry.type);
        if (!windowType) {
            RestorePristineUnits(form);
            return 0;
        }
        WindowUnit::CreatingModal() = modal;
        void* created =
            CreateEntry(windowEntry, CreationStyle(windowEntry, windowType, true, forcedShow),
                        owner, 0, formId);
        WindowUnit::CreatingModal() = false;
        if (!created) {
            RestorePristineUnits(form);
            return 0;
        }
        windowEntry.object = created;
        window = static_cast<WindowUnit*>(created);
        window->SetForcedShow(forcedShow);
        window->SetModal(modal);
        AddLoadedWindow(window);
        HWND windowHandle = window->handle();

        uint32_t controlId = kFirstControlId;
        for (size_t i = form->units.size(); i-- > 1;) {
            UnitEntry& entry = form->units[i];
            if (entry.IsMenuItem()) continue;
            const UnitTypeRecord* type = TypeRecordOf(entry.type);
            void* unit = type ? CreateEntry(entry, CreationStyle(entry, type, false, forcedShow),
                                            windowHandle, controlId, formId)
                              : nullptr;
            if (!unit) {
                // A half-built window is never left behind: its release restores the list.
                DestroyWindow(windowHandle);
                return 0;
            }
            form->units[i].object = unit;
            controlId += kControlIdStep;
        }

        // 7. Parents.
        for (size_t i = 1; i < form->units.size(); ++i) {
            UnitEntry& entry = form->units[i];
            if (entry.IsMenuItem() || entry.container == 0) continue;
            HWND container = ContainerWindow(*form, entry.container);
            if (container) SetParent(UnitWindow(entry.object), container);
        }
        // 8. Z order = list order.
        OrderUnits(*form);
        // 9. Cursors.
        for (UnitEntry& entry : form->units) {
            if (!entry.IsMenuItem()) entry.cursor = BuildCursor(entry.cursorBlock);
        }
        // 10. Units finish their set-up.
        SendToUnits(*form, kMsgUnitCreated);
        SendMessageA(windowHandle, kMsgUnitsReady, 0, 0);
        // 11. Show the units.
        std::set<uint32_t> hiddenPages = UnitsOnHiddenPages(*form);
        for (size_t i = 1; i < form->units.size(); ++i) {
            const UnitEntry& entry = form->units[i];
            HWND unit = entry.IsMenuItem() ? nullptr : UnitWindow(entry.object);
            if (!unit) continue;
            const UnitTypeRecord* type = TypeRecordOf(entry.type);
            bool show = (entry.state & state::kVisible) && !hiddenPages.count(entry.id) &&
                        !(type && (type->flags & typeflag::kNeverVisible));
            ShowWindow(unit, show ? SW_SHOWNA : SW_HIDE);
        }
    }  // 13. Events flow again.

    // 14. Creation events, each only while the window still exists.
    HWND windowHandle = window->handle();
    const uint32_t windowId = form->units[0].id;
    for (int32_t event : {0, 3, 4}) {
        if (!WindowExists(windowHandle)) break;
        RaiseEvent(formId, windowId, event);
    }
    if (!WindowExists(windowHandle)) return 1;
    // 15. First show.
    if (form->units[0].state & state::kVisible) window->ShowFromProgram();
    if (!WindowExists(windowHandle)) return 1;
    // 16. Modal load.
    if (modal) window->DisableOthersForModalRun();
    // 17. Finish.
    SendToUnits(*form, kMsgLoadFinished);
    if (previousFocus && IsWindow(previousFocus)) SetFocus(previousFocus);
    if (WindowExists(windowHandle)) window->MarkLoaded();
    return 1;
}

bool RecreateUnit(FormTemplate* form, size_t index) {
    // Blocking events first runs the queued messages, which may close the window and swap
    // its unit list; the entry is looked up only afterwards.
    EventBlock blocked;
    if (index == 0 || index >= form->units.size()) return false;
    UnitEntry& entry = form->units[index];
    HWND old = UnitWindow(entry.object);
    if (!old || !IsWindow(old)) return false;
    const UnitTypeRecord* type = TypeRecordOf(entry.type);
    auto writeBlock = InterfaceOf<WriteBlockRoutine>(type, iface::kWriteBlock);
    if (writeBlock) {
        std::vector<uint8_t> block(writeBlock(entry.object, nullptr, 0));
        writeBlock(entry.object, block.data(), uint32_t(block.size()));
        entry.typeData = block;
    }
    HWND parent = GetParent(old);
    HWND above = GetWindow(old, GW_HWNDPREV);
    uint32_t controlId = uint32_t(GetDlgCtrlID(old));
    DWORD style = DWORD(GetWindowLongA(old, GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED | WS_TABSTOP);
    RECT r;
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const uint32_t formId = Forms().IdOf(form);
    const uint32_t unitId = entry.id;
    DestroyWindow(old);  // the unit's release clears its slots
    UnitEntry* fresh = FindUnit(*form, unitId);
    if (!fresh) return false;
    UnitEntry placed = *fresh;
    placed.left = r.left, placed.top = r.top;
    placed.width = r.right - r.left, placed.height = r.bottom - r.top;
    void* unit = CreateEntry(placed, style, parent, controlId, formId);
    if (!unit) return false;
    fresh->object = unit;
    fresh->cursor = BuildCursor(fresh->cursorBlock);
    SetWindowPos(UnitWindow(unit), above ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

}  // namespace kv::forms
