// File-system commands: thin wrappers over the ANSI file functions. Every failure comes back
// as false with the last error as the failing call left it.
#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "corelib/arguments.h"
#include "corelib/commands.h"
#include "corelib/gbk.h"

namespace kv::core {
namespace {

struct DirectoryEntry {
    std::string path;
    bool isDirectory;
};

// Where the path separators are, stepping over double-byte characters whole: a trail byte
// may have the separator's value.
std::vector<size_t> Separators(const std::string& path) {
    std::vector<size_t> positions;
    for (size_t i = 0; i < path.size(); i += IsLeadByte(path[i]) ? 2 : 1) {
        if (path[i] == '\\') positions.push_back(i);
    }
    return positions;
}

// A listed name that would read as another path once joined: a character the code page
// lacks comes back as '?', and a converted name may hold a separator.
bool IsUnsafeName(const char* name) {
    for (const char* p = name; *p; p += IsLeadByte(*p) && p[1] ? 2 : 1) {
        if (strchr("\\/?*", *p)) return true;
    }
    return false;
}

// The entries of a directory, except those whose name begins with a dot or is unsafe.
std::vector<DirectoryEntry> ListDirectory(const std::string& directory) {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        if (found.cFileName[0] == '.' || IsUnsafeName(found.cFileName)) continue;
        entries.push_back({directory + "\\" + found.cFileName,
                           (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

// A directory entry opened as itself (a link is not followed) and held without delete
// sharing: while it is held nobody can delete or rename it, so its name keeps leading to
// what its handle shows.
class HeldEntry {
  public:
    explicit HeldEntry(const std::string& path)
        : handle_(CreateFileA(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)) {
    }
    HeldEntry(const HeldEntry&) = delete;
    HeldEntry& operator=(const HeldEntry&) = delete;
    ~HeldEntry() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }

    // The attributes read on the handle; INVALID_FILE_ATTRIBUTES when they cannot be read.
    DWORD Attributes() const {
        BY_HANDLE_FILE_INFORMATION information;
        if (handle_ == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle_, &information))
            return INVALID_FILE_ATTRIBUTES;
        return information.dwFileAttributes;
    }
    // A directory and no link (any reparse point).
    bool IsPlainDirectory() const {
        const DWORD attributes = Attributes();
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
               !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    }

  private:
    HANDLE handle_;
};

// Deletes what it can below `directory`, which the caller holds; single failures are ignored.
void EmptyDirectory(const std::string& directory) {
    for (const DirectoryEntry& entry : ListDirectory(directory)) {
        if (!entry.isDirectory) {
            DeleteFileA(entry.path.c_str());
            continue;
        }
        {
            // Entered only when the handle shows a directory: a link (or anything swapped in
            // since the listing) would lead to files outside the tree. A link is removed as
            // a link below.
            const HeldEntry held(entry.path);
            if (held.IsPlainDirectory()) EmptyDirectory(entry.path);
        }
        RemoveDirectoryA(entry.path.c_str());
    }
}

// "C:" or "C:\" as written: "C:" alone would otherwise name the current folder on C:.
bool IsDriveRoot(const char* path) {
    return path[0] && path[1] == ':' && (path[2] == '\0' || (path[2] == '\\' && path[3] == '\0'));
}

std::string WithoutTrailingSeparators(std::string path) {
    for (std::vector<size_t> at = Separators(path);
         path.size() > 1 && !at.empty() && at.back() == path.size() - 1; at.pop_back()) {
        path.pop_back();
    }
    return path;
}

// The full, normalised form of `path` (C:\x\.., C:/ and, on drive C:, \. all name C:\),
// without trailing separators; empty when the path cannot be resolved.
std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return WithoutTrailingSeparators(std::string(buffer, length));
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return _strnicmp(text.c_str(), prefix, strlen(prefix)) == 0;
}

bool IsDriveForm(const std::string& path) {
    return path.size() >= 2 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
           (path.size() == 2 || path[2] == '\\');
}

// \\server\share: a server name beginning with ';' names a redirector's own device instead.
bool IsShareForm(const std::string& path) {
    return path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?' &&
           path[2] != '.' && path[2] != '\\' && path[2] != ';';
}

// \\?\ or \\.\, with either separator: what follows names a device, or with \\?\ a path
// taken as it is spelled.
bool IsDevicePrefixed(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    return path.size() >= 4 && separator(path[0]) && separator(path[1]) &&
           (path[2] == '?' || path[2] == '.') && separator(path[3]);
}

// `path` as a normalised drive path (C:\dir) or share path (\\server\share\dir); a device
// spelling (\\?\, \\.\, any case of UNC) is mapped to one of them and normalised again.
// Empty for anything else: volume GUIDs, device names, a stream or other ':' after the drive,
// and a device spelling that normalising changes.
std::string DriveOrSharePath(const std::string& path) {
    std::string full;
    if (IsDevicePrefixed(path)) {
        const std::string rest = path.substr(4);
        std::string mapped;
        if (StartsWithNoCase(rest, "UNC\\")) {
            mapped = "\\\\" + rest.substr(4);
        } else if (IsDriveForm(rest) && rest.size() > 2) {
            mapped = rest;
        } else {
            return std::string();
        }
        full = FullPath(mapped);
        // A device path names exactly what it spells: where normalising changes it (trailing
        // dots or blanks, "." or ".."), the normalised path is another directory.
        if (full != WithoutTrailingSeparators(mapped)) return std::string();
    } else {
        full = FullPath(path);
        if (IsDevicePrefixed(full)) return std::string();
    }
    if (!IsDriveForm(full) && !IsShareForm(full)) return std::string();
    if (full.find(':', IsDriveForm(full) ? 2 : 0) != std::string::npos) return std::string();
    return full;
}

// A volume or share root in normalised form: C:, \\server\share, or a folder on which
// another volume is mounted. A path whose volume cannot be looked up counts as a root.
bool IsVolumeOrShareRoot(const std::string& full) {
    if (full.size() == 2) return true;
    // \\server\share: at most one separator after the two before the server name.
    if (IsShareForm(full) && Separators(full).size() <= 3) return true;
    char volume[MAX_PATH];
    return !GetVolumePathNameA((full + "\\").c_str(), volume, sizeof volume) ||
           _stricmp((full + "\\").c_str(), volume) == 0;
}

bool WriteAll(HANDLE file, const uint8_t* bytes, uint32_t length) {
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, length, &written, nullptr) || written == 0) return false;
        bytes += written;
        length -= written;
    }
    return true;
}

}  // namespace

void KV_CDECL MakeDir(ArgValue* result, int32_t count, ArgValue* args) {
    SetLogical(result, CreateDirectoryA(TextAt(count, args, 0), nullptr));
}

void KV_CDECL RemoveDirTree(ArgValue* result, int32_t count, ArgValue* args) {
    const char* path = TextAt(count, args, 0);
    while (*path == ' ') ++path;
    // The root test runs on the normalised path: any spelling of a root would otherwise
    // empty the whole volume.
    const std::string full = *path && !IsDriveRoot(path) ? DriveOrSharePath(path) : std::string();
    if (full.empty() || IsVolumeOrShareRoot(full)) {
        SetLogical(result, FALSE);
        return;
    }
    {
        // Attributes that cannot be read say nothing of what the path is: nothing is touched.
        const HeldEntry top(full);
        if (top.Attributes() == INVALID_FILE_ATTRIBUTES) {
            SetLogical(result, FALSE);
            return;
        }
        // A link (to a folder or a file) is removed as a link; its target is not part of the
        // tree.
        if (top.IsPlainDirectory()) EmptyDirectory(full);
    }
    SetLogical(result, RemoveDirectoryA(full.c_str()));
}

void KV_CDECL CopyFileTo(ArgValue* result, int32_t count, ArgValue* args) {
    SetLogical(result, CopyFileA(TextAt(count, args, 0), TextAt(count, args, 1), FALSE));
}

void KV_CDECL FileExists(ArgValue* result, int32_t count, ArgValue* args) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(TextAt(count, args, 0), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    SetLogical(result, search != INVALID_HANDLE_VALUE);
}

void KV_CDECL WriteBytesToFile(ArgValue* result, int32_t count, ArgValue* args) {
    SetLogical(result, FALSE);
    const char* name = TextAt(count, args, 0);
    if (!*name) return;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    bool written = true;
    for (int32_t i = 1; i < count && written; ++i) {
        // Only byte sets are written; a null byte set is empty.
        if (args[i].type != tag::kBytes || !args[i].value.bytes) continue;
        uint32_t length;
        memcpy(&length, args[i].value.bytes + 4, sizeof(length));
        written = WriteAll(file, args[i].value.bytes + kByteSetHeader, length);
    }
    const bool closed = CloseHandle(file) != 0;
    SetLogical(result, written && closed);
}

}  // namespace kv::core
