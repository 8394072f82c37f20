// An automation object of the stand-in server: reference counting, the module's object
// count, and IDispatch through the module's type library and the standard dispatch helper.
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>
#include <oleauto.h>

namespace kv::standin {

// Objects alive in the module (the DLL stays loaded while any exists).
extern LONG liveObjects;

// The dispatch view (what GetTypeInfo answers) and the vtable view (what DispInvoke calls
// through) of an interface in the module's own type library; null views when unavailable.
struct InterfaceTypeInfo {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;
};
const InterfaceTypeInfo& TypeInfoOf(REFIID iid);

template <class Interface, const IID& kInterfaceId>
class DispatchObject : public Interface {
  public:
    DispatchObject() { InterlockedIncrement(&liveObjects); }
    virtual ~DispatchObject() { InterlockedDecrement(&liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kInterfaceId) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeInfo* found = TypeInfoOf(kInterfaceId).dispatch;
        if (!found) return E_FAIL;
        found->AddRef();
        *info = found;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        ITypeInfo* vtable = TypeInfoOf(kInterfaceId).vtable;
        return vtable ? DispGetIDsOfNames(vtable, names, count, ids) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        ITypeInfo* vtable = TypeInfoOf(kInterfaceId).vtable;
        if (!vtable) return E_FAIL;
        return DispInvoke(static_cast<Interface*>(this), vtable, member, flags, params, result,
                          exception, argumentError);
    }

  private:
    LONG references_ = 1;
};

}  // namespace kv::standin
