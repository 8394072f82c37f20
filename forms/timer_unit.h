// The timer unit: a hidden child window owning system timer 1000; each tick raises event 0.
#pragma once

#include <windows.h>

#include "forms/unit_interfaces.h"
#include "forms/unit_object.h"

namespace kv::forms {

class TimerUnit : public UnitObject {
  public:
    static constexpr UINT_PTR kTimerId = 1000;

    static void* KV_STDCALL CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                       HWND parent, uint32_t controlId, HMENU menu, int32_t left,
                                       int32_t top, int32_t width, int32_t height, uint32_t formId,
                                       uint32_t unitId, uint32_t reserved, uint32_t runMode);

    // Only own number 0, the interval, has an effect.
    void SetInterval(int32_t interval);
    int32_t interval() const { return interval_; }

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalDestroy() override;

  private:
    TimerUnit(uint32_t formId, uint32_t unitId, uint32_t runMode)
        : UnitObject(formId, unitId), runMode_(runMode) {}

    uint32_t runMode_;
    int32_t interval_ = 0;
    bool running_ = false;
    bool created_ = false;
};

}  // namespace kv::forms
