#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <ole2.h>
#include <oleauto.h>

#include <string>

#include "corelib/com/commands.h"
#include "corelib/com/object_value.h"
#include "corelib/com/text_bridge.h"

namespace kv::com {
namespace {

constexpr DWORD kAnyServer =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD kLocalServers = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// A class named in a type library: found by name there and created through its type info.
// The library is registered when it was named by a full path.
IUnknown* CreateFromTypeLibrary(const std::wstring& className, const char* libraryFile) {
    std::wstring file = Widen(libraryFile);
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLib(file.c_str(), &library))) return nullptr;
    std::wstring name = className;  // FindName may rewrite the name's case
    ULONG hash = LHashValOfNameSys(SYS_WIN32, GetUserDefaultLCID(), name.c_str());
    ITypeInfo* info = nullptr;
    MEMBERID member = 0;
    USHORT found = 1;
    IUnknown* object = nullptr;
    if (SUCCEEDED(library->FindName(&name[0], hash, &info, &member, &found)) && found == 1 &&
        info) {
        if (SUCCEEDED(
                info->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))) &&
            object && file.find(L'\\') != std::wstring::npos) {
            RegisterTypeLib(library, &file[0], nullptr);
        }
        info->Release();
    }
    library->Release();
    return object;
}

IUnknown* CreateFromClassName(const std::wstring& className) {
    CLSID classId;
    HRESULT hr = className[0] == L'{' ? CLSIDFromString(className.c_str(), &classId)
                                      : CLSIDFromProgID(className.c_str(), &classId);
    if (FAILED(hr)) return nullptr;
    IUnknown* object = nullptr;
    hr = CoCreateInstance(classId, nullptr, kAnyServer, IID_IUnknown,
                          reinterpret_cast<void**>(&object));
    if (hr == E_INVALIDARG) {
        hr = CoCreateInstance(classId, nullptr, kLocalServers, IID_IUnknown,
                              reinterpret_cast<void**>(&object));
    }
    return SUCCEEDED(hr) ? object : nullptr;
}

bool Create(int32_t count, ArgValue* args) {
    if (count < 2) return false;
    auto* block = static_cast<ObjectBlock*>(args[0].value.ptr);
    const char* name = TextArgument(args[1]);
    if (!block || !name || !*name) return false;
    const std::wstring className = Widen(name);
    IUnknown* object = nullptr;
    if (className[0] != L'{' && count >= 3 && args[2].type != tag::kOmitted) {
        const char* libraryFile = TextArgument(args[2]);
        if (libraryFile && *libraryFile) object = CreateFromTypeLibrary(className, libraryFile);
    }
    if (!object) object = CreateFromClassName(className);
    if (!object) return false;
    if (FAILED(OleRun(object))) {
        object->Release();
        return false;
    }
    ClearObject(block);
    block->held = object;
    return true;
}

}  // namespace

void KV_CDECL ComCreate(ArgValue* result, int32_t count, ArgValue* args) {
    result->type = tag::kBool;
    result->value.i64 = 0;
    result->value.i32 = Create(count, args) ? 1 : 0;
}

void KV_CDECL ComClear(ArgValue*, int32_t count, ArgValue* args) {
    if (count >= 1) ClearObject(static_cast<ObjectBlock*>(args[0].value.ptr));
}

}  // namespace kv::com
