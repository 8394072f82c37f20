// Files the tests prepare and inspect. Paths are GBK bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv::e2e {

// Names (not paths) of the entries in folder, sorted; empty when it cannot be read.
std::vector<std::string> ListFiles(const std::string& folder);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
std::optional<std::string> ReadFileBytes(const std::string& path);
std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Removes a file or a folder with everything in it, also entries named with characters
// the code page lacks; true when nothing is left.
bool RemoveTree(const std::string& path);
// A GBK text in UTF-16.
std::wstring Wide(const std::string& text);

// The Windows folder and its System32 folder, each with a trailing "\".
std::string WindowsDirectory();
std::string SystemDirectory();
// The folder of this test program, with a trailing "\".
std::string ProgramDirectory();

// A path of this machine's file tree as the program sees it under Wine (drive Z:), e.g. a
// built file or the image samples kept with the library's tests.
std::string HostPath(std::string unixPath);
std::string TestImage(const std::string& name);

// A 24-bit bottom-up BMP (54-byte header) with a gradient, as a viewer can show it.
std::string MakeBmp24(int width, int height);

}  // namespace kv::e2e
