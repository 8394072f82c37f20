// The window unit: the top-level window of a loaded form ("ZorWindow"), parent of the
// form's other units. It turns window messages into the window events and pre-translates
// its units' input into the common events.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/property_blocks.h"
#include "forms/unit_interfaces.h"
#include "forms/unit_object.h"

namespace kv::forms {

class WindowUnit : public UnitObject {
  public:
    // The create routine of the window type (interface 1).
    static void* KV_STDCALL CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                       HWND owner, uint32_t controlId, HMENU menu, int32_t left,
                                       int32_t top, int32_t width, int32_t height, uint32_t formId,
                                       uint32_t unitId, uint32_t reserved, uint32_t runMode);
    // The modal flag of the load in progress, seen by the create routine.
    static bool& CreatingModal();

    int32_t SetProperty(int32_t own, const UnitValue& value);
    int32_t GetProperty(int32_t own, UnitValue* out);
    const WindowProperties& properties() const { return props_; }

    // Loading: remembered flags and the first show.
    void SetForcedShow(bool forced) { forced_ = forced; }
    void SetModal(bool modal) { modal_ = modal; }
    bool modal() const { return modal_; }
    void MarkLoaded() { loaded_ = true; }
    // Shows the window the first time (by its position property) and raises the focus
    // event of the focused unit; later calls only show it. Answers true on the first show.
    bool ShowFromProgram();
    // Disables the other loaded top-level windows for a modal run.
    void DisableOthersForModalRun();
    // Runs the modal loop for this window, loaded modal and shown, until it is destroyed.
    void RunModal();

    // Idle event 7: true when the handler asks for more.
    bool FireIdle(uint32_t elapsedMs);

    bool PreTranslateMessage(MSG* message) override;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalDestroy() override;

  private:
    // Caption, system menu and the two boxes: the bits kept in line with the properties.
    static constexpr DWORD kCaptionBits = 0x00CB0000;
    // Dialog frame and sizing frame, replaced when the border changes.
    static constexpr DWORD kFrameBits = 0x00440000;
    // Modal frame, tool window and client edge.
    static constexpr DWORD kFrameExBits = 0x00000281;

    WindowUnit(uint32_t formId, uint32_t unitId, uint32_t runMode)
        : UnitObject(formId, unitId), runMode_(runMode) {}

    // True while `self` is still the object of the window `window` (a handler may destroy it).
    static bool StillAlive(HWND window, const WindowUnit* self);

    // Style and extended style bits the properties ask for.
    DWORD FrameStyle() const;
    DWORD FrameExStyle() const;
    void ResyncFrame(DWORD styleMask, DWORD exMask);
    void ApplySystemMenu();
    void Paint();
    void OnClose();
    void OnActivate(bool active);
    bool HandleNavigationKey(MSG* message);
    void MoveFocus(bool backward);
    bool RaiseCommonEvent(MSG* message);
    HWND FormUnitAt(HWND target, uint32_t* unitId) const;
    void ReenableDisabledWindows();

    WindowProperties props_;
    uint32_t runMode_;
    bool created_ = false;
    bool forced_ = false;
    bool modal_ = false;
    bool loaded_ = false;
    bool shown_ = false;
    bool activatedOnce_ = false;
    bool inActivation_ = false;
    bool helpOpened_ = false;
    volatile bool* modalRun_ = nullptr;  // the flag of the modal run in progress, if any
    HWND lastFocus_ = nullptr;
    std::vector<HWND> disabledWindows_;
};

}  // namespace kv::forms
