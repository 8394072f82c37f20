// The automation object of the COM object tests: implemented with the standard dispatch
// helpers over the type library built from test_automation.idl, counting its references
// and recording what each IDispatch::Invoke received.
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace kv::test {

extern const CLSID kTestThingClass;
extern const IID kTestThingInterface;
extern const GUID kTestPointRecord;
// The class as text, as a program would name it.
extern const char kTestThingClassText[];

// Declared in the order of the type library's ITestThing, which fixes the vtable.
struct ITestThing : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Echo(BSTR text, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Blank(BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Pair(VARIANT first, VARIANT second, LONG* given) = 0;
    virtual HRESULT STDMETHODCALLTYPE Scaled(LONG value, LONG factor, LONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Swap(BSTR* text, LONG* number) = 0;
    virtual HRESULT STDMETHODCALLTYPE Sum(SAFEARRAY* items) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Total(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Child(ITestThing** child) = 0;
    virtual HRESULT STDMETHODCALLTYPE Fail() = 0;
    virtual HRESULT STDMETHODCALLTYPE Same(VARIANT_BOOL value, VARIANT_BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Kind(VARIANT value, LONG* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeDispatch(IDispatch* other, LONG* isThing) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeUnknown(IUnknown* other, LONG* isThing) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reverse(SAFEARRAY** values) = 0;
    virtual HRESULT STDMETHODCALLTYPE Double(INT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Darken(LONG* shade) = 0;
    virtual HRESULT STDMETHODCALLTYPE PointSum(VARIANT point, LONG* sum) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stamp(DATE when, double ratio, float part, SHORT half,
                                            BYTE tiny, BSTR* text) = 0;
};

// The library's record type TestPoint.
struct TestPoint {
    LONG x;
    LONG y;
};

// One argument as IDispatch::Invoke received it.
struct SeenArgument {
    VARTYPE type;
    LONG value;  // VT_I4, VT_BOOL and VT_ERROR values; 0 for other types
};

// The last IDispatch::Invoke on an object, arguments in argument order.
struct SeenCall {
    UINT namedCount = 0;
    WORD flags = 0;
    std::vector<SeenArgument> arguments;
};

class TestThing;

// Object counts and the most recently made object, for reference checks.
int LiveTestThings();
TestThing* LastTestThing();
ULONG ReferencesOf(TestThing* thing);
const SeenCall& LastCallOf(TestThing* thing);

// The library's type info of a record (for building record values) and its file's path.
ITypeInfo* TestTypeInfo(const GUID& type);
std::string TestTypeLibraryPath();

// Registers the class object for this thread's apartment while it lives.
class TestThingClassRegistration {
  public:
    TestThingClassRegistration();
    ~TestThingClassRegistration();
    TestThingClassRegistration(const TestThingClassRegistration&) = delete;
    TestThingClassRegistration& operator=(const TestThingClassRegistration&) = delete;

  private:
    DWORD cookie_ = 0;
};

}  // namespace kv::test
