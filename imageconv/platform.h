// The library's one platform seam: file lookup, the temporary-name search, 64-bit stream
// positioning and (in mapped_buffer.h) file mapping. Win32 and POSIX each implement it in
// one file; everything else in the library is portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kv::imageconv {

// True when a directory entry matches the path (a file, a folder, or a wildcard match).
bool PathExists(const char* path);

// The first free "<temporary directory><prefix><n>.tmp" for n = 0, 1, 2, ...; false when the
// temporary directory is missing or not a directory, or no number is free.
bool TempFileName(const char* prefix, std::string* name);

// Positioning and length of an open stream beyond 2 GiB on every target.
bool SeekFile(FILE* file, uint64_t offset);
bool FileLength(FILE* file, uint64_t* length);

}  // namespace kv::imageconv
