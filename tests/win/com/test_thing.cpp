#include "tests/win/com/test_thing.h"

#include <cstdio>

#include "tests/support/static_class_factory.h"

namespace kv::test {

const CLSID kTestThingClass = {
    0x6f1a7b52, 0x3c1d, 0x4e8a, {0x9b, 0x2f, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x62}};
const IID kTestThingInterface = {
    0x6f1a7b52, 0x3c1d, 0x4e8a, {0x9b, 0x2f, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x61}};
const GUID kTestPointRecord = {
    0x6f1a7b52, 0x3c1d, 0x4e8a, {0x9b, 0x2f, 0x1d, 0x2c, 0x3e, 0x4f, 0x5a, 0x63}};
const char kTestThingClassText[] = "{6F1A7B52-3C1D-4E8A-9B2F-1D2C3E4F5A62}";

namespace {

int liveThings = 0;
TestThing* lastThing = nullptr;

ITypeLib* Library() {
    static ITypeLib* library = [] {
        ITypeLib* loaded = nullptr;
        const std::string narrow = TestTypeLibraryPath();
        std::wstring path(narrow.begin(), narrow.end());
        LoadTypeLibEx(path.c_str(), REGKIND_NONE, &loaded);
        return loaded;
    }();
    return library;
}

// What IDispatch::GetTypeInfo answers (the dispatch view of the dual interface, as real
// servers give) and the vtable view that DispInvoke calls through.
struct ThingTypeInfo {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;
};

const ThingTypeInfo& ThingInfo() {
    static ThingTypeInfo info = [] {
        ThingTypeInfo found;
        ITypeLib* library = Library();
        if (!library || FAILED(library->GetTypeInfoOfGuid(kTestThingInterface, &found.dispatch)))
            return found;
        TYPEATTR* attributes = nullptr;
        found.dispatch->GetTypeAttr(&attributes);
        bool isDispatch = attributes->typekind == TKIND_DISPATCH;
        found.dispatch->ReleaseTypeAttr(attributes);
        HREFTYPE vtableRef = 0;
        if (isDispatch && SUCCEEDED(found.dispatch->GetRefTypeOfImplType(-1, &vtableRef))) {
            found.dispatch->GetRefTypeInfo(vtableRef, &found.vtable);
        } else {
            found.vtable = found.dispatch;
            found.vtable->AddRef();
        }
        return found;
    }();
    return info;
}

LONG SummaryOf(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_I4:
            return V_I4(&v);
        case VT_BOOL:
            return V_BOOL(&v);
        case VT_ERROR:
            return V_ERROR(&v);
        case VT_BYREF | VT_I4:
            return *V_I4REF(&v);
        default:
            return 0;
    }
}

}  // namespace

class TestThing final : public ITestThing {
  public:
    TestThing() {
        ++liveThings;
        lastThing = this;
    }
    virtual ~TestThing() {
        --liveThings;
        if (lastThing == this) lastThing = nullptr;
    }

    ULONG references = 1;
    SeenCall lastCall;
    std::wstring name = L"thing";
    LONG sum = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kTestThingInterface) {
            *out = static_cast<ITestThing*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        if (!ThingInfo().dispatch) return E_FAIL;
        *info = ThingInfo().dispatch;
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        return DispGetIDsOfNames(ThingInfo().vtable, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        lastCall = SeenCall();
        lastCall.flags = flags;
        lastCall.namedCount = params->cNamedArgs;
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& v = params->rgvarg[i];
            lastCall.arguments.push_back({V_VT(&v), SummaryOf(v)});
        }
        return DispInvoke(static_cast<ITestThing*>(this), ThingInfo().vtable, member, flags, params,
                          result, exception, argumentError);
    }

    HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* result) override {
        *result = SysAllocString(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Blank(BSTR* result) override {
        *result = SysAllocString(L"");
        return S_OK;
    }
    // How many of the two optional arguments were given (missing ones arrive as errors).
    HRESULT STDMETHODCALLTYPE Pair(VARIANT first, VARIANT second, LONG* given) override {
        *given = (V_VT(&first) != VT_ERROR) + (V_VT(&second) != VT_ERROR);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scaled(LONG value, LONG factor, LONG* result) override {
        *result = value * factor;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Swap(BSTR* text, LONG* number) override {
        std::wstring grown = std::wstring(*text ? *text : L"") + L"!";
        SysFreeString(*text);
        *text = SysAllocString(grown.c_str());
        *number += 1;
        return S_OK;
    }
    // Variable argument lists ending in a return value are beyond Wine's DispInvoke, so the
    // sum is read back through a property.
    HRESULT STDMETHODCALLTYPE Sum(SAFEARRAY* items) override {
        LONG* total = &sum;
        *total = 0;
        LONG low = 0, high = -1;
        SafeArrayGetLBound(items, 1, &low);
        SafeArrayGetUBound(items, 1, &high);
        for (LONG i = low; i <= high; ++i) {
            VARIANT item, number;
            VariantInit(&item);
            VariantInit(&number);
            SafeArrayGetElement(items, &i, &item);
            if (FAILED(VariantChangeType(&number, &item, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
            *total += V_I4(&number);
            VariantClear(&item);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Total(LONG* value) override {
        *value = sum;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override {
        *value = SysAllocString(name.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR value) override {
        name = value ? value : L"";
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Child(ITestThing** child) override {
        *child = new TestThing;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fail() override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Same(VARIANT_BOOL value, VARIANT_BOOL* result) override {
        *result = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Kind(VARIANT value, LONG* type) override {
        *type = V_VT(&value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TakeDispatch(IDispatch* other, LONG* isThing) override {
        return IsThing(other, isThing);
    }
    HRESULT STDMETHODCALLTYPE TakeUnknown(IUnknown* other, LONG* isThing) override {
        return IsThing(other, isThing);
    }
    HRESULT STDMETHODCALLTYPE Reverse(SAFEARRAY** values) override {
        LONG low = 0, high = -1;
        SafeArrayGetLBound(*values, 1, &low);
        SafeArrayGetUBound(*values, 1, &high);
        for (; low < high; ++low, --high) {
            LONG a, b;
            SafeArrayGetElement(*values, &low, &a);
            SafeArrayGetElement(*values, &high, &b);
            SafeArrayPutElement(*values, &low, &b);
            SafeArrayPutElement(*values, &high, &a);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Double(INT* value) override {
        *value *= 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Darken(LONG* shade) override {
        *shade = 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PointSum(VARIANT point, LONG* sum) override {
        if (V_VT(&point) != VT_RECORD) return DISP_E_TYPEMISMATCH;
        const auto* data = static_cast<const TestPoint*>(V_RECORD(&point));
        *sum = data->x + data->y;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stamp(DATE when, double ratio, float part, SHORT half, BYTE tiny,
                                    BSTR* text) override {
        wchar_t line[160];
        swprintf(line, 160, L"%g|%g|%g|%d|%d", when, ratio, double(part), int(half), int(tiny));
        *text = SysAllocString(line);
        return S_OK;
    }

  private:
    static HRESULT IsThing(IUnknown* other, LONG* isThing) {
        *isThing = 0;
        ITestThing* thing = nullptr;
        if (other && SUCCEEDED(other->QueryInterface(kTestThingInterface,
                                                     reinterpret_cast<void**>(&thing)))) {
            *isThing = 1;
            thing->Release();
        }
        return S_OK;
    }
};

namespace {

kv::test::StaticClassFactory<TestThing> factory;

}  // namespace

int LiveTestThings() {
    return liveThings;
}
TestThing* LastTestThing() {
    return lastThing;
}
ULONG ReferencesOf(TestThing* thing) {
    return thing->references;
}
const SeenCall& LastCallOf(TestThing* thing) {
    return thing->lastCall;
}

ITypeInfo* TestTypeInfo(const GUID& type) {
    ITypeInfo* info = nullptr;
    if (Library()) Library()->GetTypeInfoOfGuid(type, &info);
    return info;
}

std::string TestTypeLibraryPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "test_automation.tlb";
}

TestThingClassRegistration::TestThingClassRegistration() {
    CoRegisterClassObject(kTestThingClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &cookie_);
}

TestThingClassRegistration::~TestThingClassRegistration() {
    CoRevokeClassObject(cookie_);
}

}  // namespace kv::test
