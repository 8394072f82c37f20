// RuntimeService (HelperTable slot 12): file search, arrays, exit routines, library-type
// properties and program loading.
#include <cstring>

#include "runtime/forms_link.h"
#include "runtime/helper_table.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"

namespace kv {
namespace {
constexpr uint32_t kAttributeMask = 0x37;  // read-only, hidden, system, directory, archive

bool Accepts(const WIN32_FIND_DATAA& entry, int32_t mask) {
    if (mask == -1) return !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (mask == 0) return entry.dwFileAttributes == 0;
    return (entry.dwFileAttributes & uint32_t(mask)) != 0;
}

char* CopyText(const char* text) {
    size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(Allocate(intptr_t(length + 1)));
    std::memcpy(copy, text, length + 1);
    return copy;
}

// Continues the search in *handleWord (or starts one for a non-empty pattern) and answers
// the next accepted name as a new text, or null when the search ran out.
char* FindNextName(const char* pattern, int32_t attributes, bool allFiles, intptr_t* handleWord) {
    if (!handleWord) return nullptr;
    int32_t mask = allFiles ? -1 : int32_t(uint32_t(attributes) & kAttributeMask);
    WIN32_FIND_DATAA entry;
    HANDLE search;
    if (!pattern || !*pattern) {
        search = reinterpret_cast<HANDLE>(*handleWord);
        if (!search) return nullptr;
        if (!FindNextFileA(search, &entry)) {
            FindClose(search);
            *handleWord = 0;
            return nullptr;
        }
    } else {
        if (*handleWord) FindClose(reinterpret_cast<HANDLE>(*handleWord));
        *handleWord = 0;
        search = FindFirstFileA(pattern, &entry);
        if (search == INVALID_HANDLE_VALUE) return nullptr;
    }
    while (!Accepts(entry, mask)) {
        if (!FindNextFileA(search, &entry)) {
            FindClose(search);
            *handleWord = 0;
            return nullptr;
        }
    }
    *handleWord = reinterpret_cast<intptr_t>(search);
    return CopyText(entry.cFileName);
}

void RegisterExitRoutine(ExitRoutine routine) {
    auto& routines = App().exitRoutines;
    if (!routine) return;
    for (ExitRoutine known : routines)
        if (known == routine) return;
    routines.push_back(routine);
}

template <class T>
T* Address(int64_t word) {
    return reinterpret_cast<T*>(intptr_t(word));
}
}  // namespace

int64_t RuntimeServiceEntry(int32_t service, const int64_t* args) {
    switch (service) {
        case kFindNextFile:
            return reinterpret_cast<intptr_t>(FindNextName(Address<const char>(args[0]),
                                                           int32_t(args[1]), args[2] != 0,
                                                           Address<intptr_t>(args[3])));
        case kCloseFind:
            if (args[0]) FindClose(Address<void>(args[0]));
            return 0;
        case kMakeArrayWritable:
            MakeArrayWritable(int32_t(args[0]), Address<void*>(args[1]));
            return 0;
        case kRegisterExitRoutine:
            RegisterExitRoutine(reinterpret_cast<ExitRoutine>(intptr_t(args[0])));
            return 0;
        case kReadTypeProperty:
            return forms::ReadLibraryTypeProperty(uint32_t(args[0]), Address<void>(args[1]),
                                                  int32_t(args[2]), int32_t(args[3]));
        case kWriteTypeProperty:
            forms::WriteLibraryTypeProperty(
                uint32_t(args[0]), Address<void>(args[1]), int32_t(args[2]), uint32_t(args[3]),
                uint32_t(uint64_t(args[4])), uint32_t(uint64_t(args[4]) >> 32));
            return 0;
        case kLoadProgramInfo:
            LoadProgramInformation();
            return 0;
        default:
            return 0;
    }
}

}  // namespace kv
