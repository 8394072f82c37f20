// The library's one platform seam: file lookup, fresh output files, the temporary-name
// search, 64-bit stream positioning and positioned writes, a second thread and (in
// mapped_buffer.h) file mapping.
// Win32 and POSIX each implement it in one file; everything else in the library is portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kv::imageconv {

// True when a directory entry matches the path (a file, a folder, or a wildcard match).
bool PathExists(const char* path);

// `path` created anew for writing: the file that has the name is deleted (a link only loses
// its name; what it links to is never written), then the name is created exclusively. Null
// when the name cannot be freed (a folder, a device, a file in use) or created.
FILE* CreateFreshFile(const char* path);

// The temporary directory with a trailing separator; false when it is missing or not a
// directory.
bool TempDirectory(std::string* directory);

// The first free "<temporary directory><prefix><n>.tmp" for n = first, first + 1, ...; false
// when the temporary directory is missing or not a directory, or no number is free. `number`,
// when given, gets the n of the name.
bool TempFileName(const char* prefix, std::string* name, long first = 0, long* number = nullptr);

// Positioning and length of an open stream beyond 2 GiB on every target.
bool SeekFile(FILE* file, uint64_t offset);
bool FileLength(FILE* file, uint64_t* length);
// `size` bytes written at `offset` of the stream's file, past its buffer and without moving
// it; several threads may write their own parts at once.
bool WriteAt(FILE* file, uint64_t offset, const uint8_t* data, size_t size);

// One task run on a thread of its own, so that work on decoded rows overlaps decoding.
class BackgroundTask {
  public:
    BackgroundTask();
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Starts `task(argument)` once the previous task has ended; false when no thread could
    // be started (the caller then runs the task itself).
    bool Start(void (*task)(void*), void* argument);
    // Waits until the task has ended; at once when none runs.
    void Wait();

  private:
    struct Thread;
    std::unique_ptr<Thread> thread_;
};

}  // namespace kv::imageconv
