// A class factory that lives as a static object for the life of its module and makes new
// `Object`s (created with a reference count of 1) for in-process test COM servers.
#pragma once

#include <unknwn.h>
#include <windows.h>

namespace kv::test {

template <typename Object>
class StaticClassFactory final : public IClassFactory {
  public:
    // `locks`, when given, counts LockServer calls for the module's DllCanUnloadNow.
    explicit StaticClassFactory(LONG* locks = nullptr) : locks_(locks) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // A static object: the reference count does not govern its life.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new Object;
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (locks_) lock ? InterlockedIncrement(locks_) : InterlockedDecrement(locks_);
        return S_OK;
    }

  private:
    LONG* locks_;
};

}  // namespace kv::test
