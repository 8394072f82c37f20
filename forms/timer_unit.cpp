#include "forms/timer_unit.h"

#include "forms/property_blocks.h"

namespace kv::forms {

void* KV_STDCALL TimerUnit::CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                       HWND parent, uint32_t controlId, HMENU, int32_t left,
                                       int32_t top, int32_t width, int32_t height, uint32_t formId,
                                       uint32_t unitId, uint32_t, uint32_t runMode) {
    TimerProperties p;
    if (!p.Load(data, length)) return nullptr;
    auto* timer = new TimerUnit(formId, unitId, runMode);
    timer->interval_ = p.interval;
    DWORD timerStyle = style | WS_CHILD | WS_CLIPSIBLINGS;
    if (runMode == 1) timerStyle |= WS_BORDER;
    if (!RegisterClass("_Kiva_Timer", CS_DBLCLKS, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                       static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))) ||
        !timer->Create(0, "_Kiva_Timer", nullptr, timerStyle, left, top, width, height, parent,
                       reinterpret_cast<HMENU>(uintptr_t(controlId)))) {
        delete timer;
        return nullptr;
    }
    timer->created_ = true;
    return timer;
}

void TimerUnit::SetInterval(int32_t interval) {
    if (interval < 0) interval = 0;
    if (interval == interval_) return;
    interval_ = interval;
    if (runMode_ != 0) return;
    if (running_) KillTimer(handle(), kTimerId);
    running_ = interval != 0;
    if (running_) SetTimer(handle(), kTimerId, UINT(interval), nullptr);
}

LRESULT TimerUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = Default(message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            if (interval_ > 0 && runMode_ == 0) {
                SetTimer(handle(), kTimerId, UINT(interval_), nullptr);
                running_ = true;
            }
            break;
        case WM_TIMER:
            Raise(0);
            break;
        case WM_DESTROY:
            if (running_) KillTimer(handle(), kTimerId);
            running_ = false;
            break;
        default:
            break;
    }
    return result;
}

void TimerUnit::OnFinalDestroy() {
    if (created_) ReleaseChildUnit();
}

}  // namespace kv::forms
