// Path helpers of the program: directory test, path parts, well-known folders and the
// creation of a directory path with all its missing levels.
#pragma once

#include <cstdint>

#include "app/runtime_calls.h"

namespace kv::app {

// Non-zero when `path` names an existing directory.
int32_t IsDirectory(const char* path);
// The last path component, with or without its extension (a.b.jpg without: a.b).
Text GetFileNamePart(const char* path, bool keepExtension);
// The extension with its dot, empty when there is none.
Text GetExtensionPart(const char* fileName);
// A well-known folder by number (0 = 3 desktop ... 9 Windows, 10 system, 11 temporary,
// 12 internet cache), always ending in "\"; empty on failure or for an unknown number.
Text GetFolderPath(int32_t number);
// Creates every missing level of `path` and leaves it ending in "\". 1 when levels were
// created, 0 when the directory existed, -1 for a blank path or when a level could not be
// made (then the levels made by this call are removed again when at least one level below
// the drive existed before).
int32_t MakeDirectoryPath(Text& path);

}  // namespace kv::app
