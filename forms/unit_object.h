// The common base of the unit objects: a framework window object that knows its form and
// unit and raises their events.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "forms/event_dispatch.h"
#include "framework/window.h"

namespace kv::forms {

class UnitObject : public fw::Window {
  public:
    uint32_t formId() const { return formId_; }
    uint32_t unitId() const { return unitId_; }

  protected:
    UnitObject(uint32_t formId, uint32_t unitId) : formId_(formId), unitId_(unitId) {}
    EventOutcome Raise(int32_t event, std::initializer_list<uint32_t> arguments = {}) {
        return RaiseEvent(formId_, unitId_, event, arguments);
    }
    // A child unit's ending: the runtime forgets it (SystemNotify 2000), then it deletes
    // itself.
    void ReleaseChildUnit();

  private:
    uint32_t formId_;
    uint32_t unitId_;
};

}  // namespace kv::forms
