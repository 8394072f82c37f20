// Binding a member name of an automation object to its description through the object's
// type information (IDispatch -> ITypeInfo -> ITypeComp).
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>

#include <vector>

namespace kv::com {

class BoundMember {
  public:
    BoundMember() = default;
    BoundMember(const BoundMember&) = delete;
    BoundMember& operator=(const BoundMember&) = delete;
    ~BoundMember();

    // Binds `name` on `object`, trying method, property get, property put and property put
    // by reference in that order. False when the object has no type information or the name
    // binds to no function or variable.
    bool Bind(IUnknown* object, const wchar_t* name);

    // Checks `actual` arguments against the declared parameters. Only a variable argument
    // list takes more (its last parameter repeats); property writes are never made.
    bool AcceptArgumentCount(UINT actual);

    IDispatch* Dispatch() const { return dispatch_; }
    MEMBERID Id() const { return id_; }
    WORD InvokeFlags() const { return flags_; }
    bool IsPropertyPut() const { return flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF); }
    // The type info that owns the description (resolves user-defined parameter types).
    ITypeInfo* Owner() const { return owner_; }
    const ELEMDESC& Parameter(UINT index) const { return parameters_[index]; }

  private:
    bool BindWithFlags(const wchar_t* name, ULONG hash, const WORD* flags, size_t flagCount);
    void ReleaseDescription();

    IDispatch* dispatch_ = nullptr;
    ITypeComp* typeComp_ = nullptr;
    ITypeInfo* owner_ = nullptr;
    FUNCDESC* function_ = nullptr;
    VARDESC* variable_ = nullptr;
    MEMBERID id_ = DISPID_UNKNOWN;
    WORD flags_ = 0;
    UINT declaredCount_ = 0;
    std::vector<ELEMDESC> parameters_;
};

}  // namespace kv::com
