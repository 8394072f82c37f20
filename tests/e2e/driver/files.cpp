#include "tests/e2e/driver/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace kv::e2e {
namespace {

std::string WithTrailingSeparator(std::string path) {
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

void AppendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((WithTrailingSeparator(folder) + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    return ReadFileBytes(Wide(path));
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return WriteFileBytes(Wide(path), bytes);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return CloseHandle(file) && ok;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<size_t>(length > 0 ? length : 0));
    return wide;
}

namespace {

void RemoveTreeWide(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") RemoveTreeWide(path + L"\\" + name);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

bool RemoveTree(const std::string& path) {
    std::wstring wide = Wide(path);
    while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
    RemoveTreeWide(wide);
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string WindowsDirectory() {
    char path[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    return WithTrailingSeparator(std::string(path, length < MAX_PATH ? length : 0));
}

std::string SystemDirectory() {
    return WindowsDirectory() + "System32\\";
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path, length < MAX_PATH ? length : 0);
    return program.substr(0, program.find_last_of('\\') + 1);
}

std::string HostPath(std::string unixPath) {
    for (char& c : unixPath) {
        if (c == '/') c = '\\';
    }
    return "Z:" + unixPath;
}

std::string TestImage(const std::string& name) {
    return HostPath(KV_TEST_IMAGES_UNIX_DIR "/" + name);
}

std::string MakeBmp24(int width, int height) {
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * height;
    std::string bmp = "BM";
    AppendLittleEndian(bmp, 54 + pixelBytes, 4);  // file size
    AppendLittleEndian(bmp, 0, 4);                // reserved
    AppendLittleEndian(bmp, 54, 4);               // pixel data offset
    AppendLittleEndian(bmp, 40, 4);               // info header size
    AppendLittleEndian(bmp, width, 4);
    AppendLittleEndian(bmp, height, 4);
    AppendLittleEndian(bmp, 1, 2);   // planes
    AppendLittleEndian(bmp, 24, 2);  // bits per pixel
    AppendLittleEndian(bmp, 0, 4);   // no compression
    AppendLittleEndian(bmp, pixelBytes, 4);
    AppendLittleEndian(bmp, 2835, 4);  // 72 dpi
    AppendLittleEndian(bmp, 2835, 4);
    AppendLittleEndian(bmp, 0, 4);
    AppendLittleEndian(bmp, 0, 4);
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row += static_cast<char>(255 * x / (width > 1 ? width - 1 : 1));    // blue
            row += static_cast<char>(255 * y / (height > 1 ? height - 1 : 1));  // green
            row += static_cast<char>(0xC0);                                     // red
        }
        row.resize(rowBytes, '\0');
        bmp += row;
    }
    return bmp;
}

}  // namespace kv::e2e
