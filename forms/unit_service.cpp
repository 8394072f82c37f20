// The forms layer's side of the kernel link: start-up reading, the start window, the
// loaded windows, idle events and the unit services behind SystemNotify.
#include <algorithm>

#include "forms/cursor_builder.h"
#include "forms/event_dispatch.h"
#include "forms/form_registry.h"
#include "forms/template_reader.h"
#include "forms/unit_interfaces.h"
#include "forms/window_loader.h"
#include "forms/window_unit.h"
#include "runtime/forms_link.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

constexpr int32_t kEventSource = 2017;

// Notification 2005's parameter record.
struct LoadWindowRequest {
    uint32_t formId;
    void* owner;  // a unit object, or null
    uint32_t modal;
};

const UnitTypeRecord* LibraryTypeRecord(uint32_t typeTag) {
    if (!tag::IsLibraryType(typeTag)) return nullptr;
    int count = 0;
    const LibraryInfo* const* libraries = Libraries(&count);
    uint32_t library = tag::LibraryNumber(typeTag), type = tag::TypeNumber(typeTag);
    if (!libraries || library == 0 || library > uint32_t(count)) return nullptr;
    const LibraryInfo* info = libraries[library - 1];
    if (!info || !info->dataTypes || type == 0 || type > info->dataTypeCount) return nullptr;
    return static_cast<const UnitTypeRecord*>(info->dataTypes) + (type - 1);
}

void UnitGone(uint32_t formId, uint32_t unitId) {
    FormTemplate* form = Forms().Find(formId);
    if (!form || form->units.empty()) return;
    int index = UnitIndex(*form, unitId);
    if (index < 0) return;
    if (index == 0) {
        RestorePristineUnits(form);
        if (CurrentModalForm() == formId) CurrentModalForm() = 0;
        return;
    }
    UnitEntry& entry = form->units[size_t(index)];
    DestroyUnitCursor(static_cast<HCURSOR>(entry.cursor));
    entry.cursor = nullptr;
    entry.object = nullptr;
}

// True when `object` is the object of a unit whose window exists; a gone unit's object
// is never read.
bool IsLoadedUnitObject(const void* object) {
    const FormMap& forms = Forms();
    for (size_t i = 0; i < forms.Size(); ++i) {
        for (const UnitEntry& entry : forms.At(i)->units) {
            if (entry.object == object && !entry.IsMenuItem()) return IsLive(entry);
        }
    }
    return false;
}

intptr_t LoadRequested(const LoadWindowRequest* request) {
    FormTemplate* form = Forms().Find(request->formId);
    // An owner that is gone makes the load fail.
    if (request->owner && !IsLoadedUnitObject(request->owner)) return -1;
    HWND owner = UnitWindow(request->owner);
    bool modal = request->modal != 0;
    if (!form || !LoadWindow(form, false, modal, owner)) return -1;
    UnitEntry& windowEntry = form->units[0];
    if (modal && (windowEntry.state & state::kVisible) && IsLive(windowEntry)) {
        static_cast<WindowUnit*>(windowEntry.object)->RunModal();
    }
    return 0;
}

void* UnitObjectFor(uint32_t formId, uint32_t unitId) {
    FormTemplate* form = Forms().Find(formId);
    if (!form) return nullptr;
    UnitEntry* entry = FindUnit(*form, unitId);
    if (!entry || entry->IsMenuItem() || !IsLive(*entry)) return nullptr;
    return entry->object;
}

}  // namespace

bool ReadTemplateBlock(const void* block, uint32_t length, uintptr_t codeBase) {
    return forms::ReadTemplateBlock(block, length, codeBase, &Forms());
}

void ReleaseTemplates() {
    Forms().Clear();
}

bool LoadStartWindow(uint32_t formId) {
    FormTemplate* form = Forms().Find(formId);
    return form && LoadWindow(form, false, false, nullptr) == 1;
}

bool AnyLoadedWindowExists() {
    return AnyWindowLoaded();
}

void DestroyLoadedWindows() {
    // Destroying an owner also destroys the pop-ups it owns, and their objects go with them:
    // walk by handle and destroy only a window that is still loaded.
    std::vector<HWND> handles;
    for (WindowUnit* window : LoadedWindows()) handles.push_back(UnitWindow(window));
    for (HWND h : handles) {
        const auto& live = LoadedWindows();
        const bool loaded = std::any_of(
            live.begin(), live.end(), [h](WindowUnit* window) { return UnitWindow(window) == h; });
        if (loaded && h && IsWindow(h)) DestroyWindow(h);
    }
    LoadedWindows().clear();
}

bool FireIdleEvents(uint32_t elapsedMs) {
    bool more = false;
    std::vector<WindowUnit*> windows = LoadedWindows();
    auto& excluded = IdleExclusions();
    for (WindowUnit* window : windows) {
        // A handler may have closed a later window in the list.
        auto& live = LoadedWindows();
        if (std::find(live.begin(), live.end(), window) == live.end()) continue;
        HWND h = UnitWindow(window);
        if (!h || !IsWindow(h) || std::find(excluded.begin(), excluded.end(), h) != excluded.end())
            continue;
        if (window->FireIdle(elapsedMs)) {
            more = true;
        } else {
            excluded.push_back(h);
        }
    }
    return more;
}

void BeginIdlePeriod() {
    IdleExclusions().clear();
}

intptr_t UnitService(int32_t code, intptr_t p1, intptr_t p2) {
    switch (code) {
        case sysnotify::kFormMap:
            return reinterpret_cast<intptr_t>(&Forms());
        case sysnotify::kDataTypeRecord:
            return reinterpret_cast<intptr_t>(LibraryTypeRecord(uint32_t(p1)));
        case sysnotify::kUnitDestroyed:
            UnitGone(uint32_t(p1), uint32_t(p2));
            return 0;
        case sysnotify::kLoadWindow:
            return LoadRequested(reinterpret_cast<const LoadWindowRequest*>(p1));
        case sysnotify::kFindUnit:
            return reinterpret_cast<intptr_t>(UnitObjectFor(uint32_t(p1), uint32_t(p2)));
        case sysnotify::kFindUnitChecked: {
            void* unit = UnitObjectFor(uint32_t(p1), uint32_t(p2));
            if (!unit) ReportRuntimeError("指定窗口或窗口组件不存在或尚未载入", 0);
            return reinterpret_cast<intptr_t>(unit);
        }
        case sysnotify::kDeliverEvent:
            return DeliverEvent(reinterpret_cast<EventRecord*>(p1));
        case sysnotify::kBlockEvents:
            SystemNotify(sysnotify::kProcessMessages, 0, 0);
            ++EventBlockCount();
            return 0;
        case sysnotify::kUnblockEvents:
            SystemNotify(sysnotify::kProcessMessages, 0, 0);
            if (EventBlockCount() >= 1) --EventBlockCount();
            return 0;
        case kEventSource:
            return CopyEventSource(reinterpret_cast<uint32_t*>(p1));
        case sysnotify::kDeliverEventArgs:
            return DeliverEventArgs(reinterpret_cast<EventArgsRecord*>(p1));
        default:
            return 0;
    }
}

}  // namespace kv::forms
