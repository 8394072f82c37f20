// The button unit: a push button on the system "BUTTON" class whose click raises event 0.
#pragma once

#include <windows.h>

#include "forms/property_blocks.h"
#include "forms/unit_interfaces.h"
#include "forms/unit_object.h"

namespace kv::forms {

class ButtonUnit : public UnitObject {
  public:
    static void* KV_STDCALL CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                       HWND parent, uint32_t controlId, HMENU menu, int32_t left,
                                       int32_t top, int32_t width, int32_t height, uint32_t formId,
                                       uint32_t unitId, uint32_t reserved, uint32_t runMode);
    ~ButtonUnit() override;

    int32_t SetProperty(int32_t own, const UnitValue& value);
    int32_t GetProperty(int32_t own, UnitValue* out);
    const ButtonProperties& properties() const { return props_; }
    bool IsDefault() const;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedCommand(UINT notifyCode) override;
    void OnFinalDestroy() override { ReleaseChildUnit(); }

  private:
    ButtonUnit(uint32_t formId, uint32_t unitId) : UnitObject(formId, unitId) {}
    void ApplyFont();
    void ReplaceStyle(DWORD mask, DWORD bits);

    ButtonProperties props_;
    HFONT font_ = nullptr;
};

}  // namespace kv::forms
