// The contract between the kernel and its support libraries: the LibraryInfo record, the
// command-entry signature, the two notification entries and the SystemNotify codes.
#pragma once

#include <cstdint>

#include "runtime/abi.h"
#include "runtime/values.h"

namespace kv {

// A command entry: writes its result through `result` (zeroed by the dispatcher).
using LibraryCommand = void(KV_CDECL*)(ArgValue* result, int32_t count, ArgValue* args);
// Both directions of notification: (code, parameter 1, parameter 2) -> 32-bit answer;
// parameters that carry addresses are pointer-sized.
using NotifyFunction = intptr_t(KV_STDCALL*)(int32_t code, intptr_t p1, intptr_t p2);

// Library self-description: 36 words, pointer-sized where a field holds an address.
struct LibraryInfo {
    uint32_t formatNumber;  // 20000101
    const char* guid;
    uint32_t majorVersion, minorVersion, buildNumber;
    uint32_t requiredSystemMajor, requiredSystemMinor;
    uint32_t requiredCoreMajor, requiredCoreMinor;
    const char* displayName;
    uint32_t localeWord;
    const char* description;
    uint32_t stateFlags;
    const char* contacts[8];
    uint32_t dataTypeCount;
    const void* dataTypes;  // array of dataTypeCount records of 14 pointer-sized words
    uint32_t categoryCount;
    const char* categories;
    uint32_t commandCount;
    const void* commandDescriptions;
    const LibraryCommand* commands;
    const void* addInRoutine;
    const void* addInDescriptions;
    NotifyFunction notify;  // LibraryNotify
    const void* templateRoutine;
    const void* templateDescriptions;
    uint32_t constantCount;
    const void* constants;
    const char* dependencyFiles;
};

constexpr uint32_t kLibraryFormatNumber = 20000101;

// Kernel -> library.
namespace libnotify {
constexpr int32_t kStart = 1;  // p1 = the kernel's SystemNotify
constexpr int32_t kEnd = 6;    // p1 = the library's per-library data word
constexpr intptr_t kNotHandled = -1;
}  // namespace libnotify

// Library -> kernel (SystemNotify).
namespace sysnotify {
constexpr int32_t kDefaultIcons = 1000;
constexpr int32_t kFormMap = 1001;
constexpr int32_t kDataTypeRecord = 1002;
constexpr int32_t kRegisterIdleRoutine = 1012;
constexpr int32_t kRemoveIdleRoutine = 1013;
constexpr int32_t kUnitDestroyed = 2000;
constexpr int32_t kNumberAsInteger = 2001;
constexpr int32_t kCommandLine = 2002;
constexpr int32_t kProgramDirectory = 2003;
constexpr int32_t kProgramFileName = 2004;
constexpr int32_t kLoadWindow = 2005;
constexpr int32_t kFindUnit = 2006;
constexpr int32_t kFindUnitChecked = 2007;
constexpr int32_t kDeliverEvent = 2008;
constexpr int32_t kBlockEvents = 2009;
constexpr int32_t kUnblockEvents = 2010;
constexpr int32_t kProcessMessages = 2018;
constexpr int32_t kReleaseArray = 2023;
constexpr int32_t kAllocate = 2024;
constexpr int32_t kRelease = 2025;
constexpr int32_t kReallocate = 2026;
constexpr int32_t kReportError = 2027;
constexpr int32_t kEndProgram = 2028;
constexpr int32_t kBuildKind = 2030;
constexpr int32_t kDeliverEventArgs = 2031;
constexpr int32_t kReleaseComObject = 2035;
}  // namespace sysnotify

}  // namespace kv

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(kv::LibraryInfo) == 144, "LibraryInfo is 36 words on 32-bit x86");
#endif
