// A support library for the kernel's tests: it records the notifications it receives and
// offers two commands (one that writes nothing, one that answers its argument count).
#pragma once

#include <string>
#include <vector>

#include "runtime/library.h"

namespace kv::test {

extern const LibraryInfo kRecordingLibrary;
// A library without LibraryNotify: registered silently.
extern const LibraryInfo kSilentLibrary;

// Every notification as "notify <code> <p1>" ("notify 1 SystemNotify" for the start).
std::vector<std::string>& LibraryEvents();
// Called with each event as it happens, when set.
extern void (*onLibraryEvent)(const std::string& event);
// The SystemNotify the library received with notification 1.
NotifyFunction ReceivedSystemNotify();

void KV_CDECL WritesNothing(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL AnswersCount(ArgValue* result, int32_t count, ArgValue* args);

}  // namespace kv::test
