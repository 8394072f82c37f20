// The stand-in "Scripting.FileSystemObject": an in-process automation server with
// GetFolder(path) -> folder and the folder's Delete(force), which removes the whole tree.
#include <string>

#include "tests/e2e/fso_standin/dispatch_object.h"
#include "tests/support/static_class_factory.h"

namespace kv::standin {
namespace {

const IID kFolderInterface = {
    0x3c5e8d21, 0x7a4b, 0x4f0e, {0x9d, 0x61, 0x2b, 0x8f, 0x4a, 0x1c, 0x7e, 0x52}};
const IID kFileSystemInterface = {
    0x3c5e8d21, 0x7a4b, 0x4f0e, {0x9d, 0x61, 0x2b, 0x8f, 0x4a, 0x1c, 0x7e, 0x51}};
const CLSID kFileSystemClass = {
    0x3c5e8d21, 0x7a4b, 0x4f0e, {0x9d, 0x61, 0x2b, 0x8f, 0x4a, 0x1c, 0x7e, 0x53}};
const wchar_t kFileSystemClassText[] = L"{3C5E8D21-7A4B-4F0E-9D61-2B8F4A1C7E53}";
const wchar_t kProgId[] = L"Scripting.FileSystemObject";

// The scripting runtime's own error codes for these failures.
constexpr HRESULT kPathNotFound = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 76);
constexpr HRESULT kPermissionDenied = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 70);

HMODULE module = nullptr;

// Declared in the order of the type library's interfaces, which fixes the vtables.
struct IStandInFolder : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(VARIANT_BOOL force) = 0;
};
struct IStandInFileSystem : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, IStandInFolder** folder) = 0;
};

// Removes `folder` with everything in it; false when anything stays behind. Read-only
// entries go only when `force` is set, as with the scripting runtime.
bool RemoveTree(const std::wstring& folder, bool force) {
    bool removedAll = true;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (force && (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
                SetFileAttributesW(path.c_str(),
                                   entry.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
            }
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removedAll = RemoveTree(path, force) && removedAll;
            } else {
                removedAll = DeleteFileW(path.c_str()) && removedAll;
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return removedAll && RemoveDirectoryW(folder.c_str());
}

class Folder final : public DispatchObject<IStandInFolder, kFolderInterface> {
  public:
    explicit Folder(std::wstring path) : path_(std::move(path)) {}

    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override {
        *path = SysAllocString(path_.c_str());
        return *path ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE Delete(VARIANT_BOOL force) override {
        DWORD attributes = GetFileAttributesW(path_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return kPathNotFound;
        return RemoveTree(path_, force != VARIANT_FALSE) ? S_OK : kPermissionDenied;
    }

  private:
    std::wstring path_;
};

class FileSystem final : public DispatchObject<IStandInFileSystem, kFileSystemInterface> {
  public:
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, IStandInFolder** folder) override {
        *folder = nullptr;
        std::wstring full(path ? path : L"");
        while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
        DWORD attributes = GetFileAttributesW(full.c_str());
        if (full.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return kPathNotFound;
        *folder = new Folder(full);
        return S_OK;
    }
};

kv::test::StaticClassFactory<FileSystem> factory(&liveObjects);

std::wstring ModulePath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length);
}

ITypeLib* Library() {
    static ITypeLib* library = [] {
        ITypeLib* loaded = nullptr;
        LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &loaded);
        return loaded;
    }();
    return library;
}

bool SetKeyValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY handle;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG status =
        RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

}  // namespace

LONG liveObjects = 0;

const InterfaceTypeInfo& TypeInfoOf(REFIID iid) {
    static InterfaceTypeInfo folder, fileSystem;
    InterfaceTypeInfo& views = iid == kFolderInterface ? folder : fileSystem;
    if (!views.dispatch && Library() &&
        SUCCEEDED(Library()->GetTypeInfoOfGuid(iid, &views.dispatch))) {
        HREFTYPE vtableRef = 0;
        if (FAILED(views.dispatch->GetRefTypeOfImplType(-1, &vtableRef)) ||
            FAILED(views.dispatch->GetRefTypeInfo(vtableRef, &views.vtable))) {
            views.vtable = views.dispatch;
            views.vtable->AddRef();
        }
    }
    return views;
}

}  // namespace kv::standin

using namespace kv::standin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    *out = nullptr;
    if (classId != kFileSystemClass) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}

// Registers the class under the scripting runtime's ProgID, in place of the runtime's own.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring classKey = std::wstring(L"CLSID\\") + kFileSystemClassText;
    bool registered =
        SetKeyValue(classKey, nullptr, L"Scripting file-system stand-in") &&
        SetKeyValue(classKey + L"\\InprocServer32", nullptr, ModulePath()) &&
        SetKeyValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
        SetKeyValue(classKey + L"\\ProgID", nullptr, kProgId) &&
        SetKeyValue(kProgId, nullptr, L"Scripting file-system stand-in") &&
        SetKeyValue(std::wstring(kProgId) + L"\\CLSID", nullptr, kFileSystemClassText);
    return registered ? S_OK : E_FAIL;
}
