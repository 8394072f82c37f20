// The argument block of one automation call: the converted arguments in reverse order, the
// holders that by-reference parameters point into, and their write-back after the call.
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>

#include <vector>

#include "corelib/com/member_binding.h"
#include "runtime/values.h"

namespace kv::com {

class CallArguments {
  public:
    explicit CallArguments(UINT count);
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;
    // Clears every VARIANT built for the call.
    ~CallArguments();

    // Converts `args` (in argument order) against the member's declared parameters. False
    // when an argument has a type the call cannot carry.
    bool Build(const BoundMember& member, const ArgValue* args);

    // The parameters for IDispatch::Invoke; a property put names its value argument.
    DISPPARAMS* Params(bool propertyPut);

    // Writes output parameters that went by reference back into the program variables
    // that were passed by address.
    void WriteBack(const BoundMember& member, const ArgValue* args);

  private:
    bool BuildOne(const BoundMember& member, UINT index, const ArgValue& arg);
    VARIANT& Slot(UINT index) { return slots_[slots_.size() - 1 - index]; }
    VARIANT& Holder(UINT index) { return holders_[holders_.size() - 1 - index]; }

    std::vector<VARIANT> slots_;
    std::vector<VARIANT> holders_;
    std::vector<bool> borrowedRecord_;  // by slot position: a held record's own data
    DISPID putName_ = DISPID_PROPERTYPUT;
    DISPPARAMS params_ = {};
};

}  // namespace kv::com
