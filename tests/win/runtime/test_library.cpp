#include "tests/win/runtime/test_library.h"

#include "runtime/kernel.h"

namespace kv::test {
namespace {
NotifyFunction systemNotify = nullptr;

void Record(const std::string& event) {
    LibraryEvents().push_back(event);
    if (onLibraryEvent) onLibraryEvent(event);
}

intptr_t KV_STDCALL RecordingNotify(int32_t code, intptr_t p1, intptr_t) {
    if (code == libnotify::kStart) {
        systemNotify = reinterpret_cast<NotifyFunction>(p1);
        Record(p1 == reinterpret_cast<intptr_t>(&SystemNotifyEntry) ? "notify 1 SystemNotify"
                                                                    : "notify 1 other");
        return 0;
    }
    Record("notify " + std::to_string(code) + " " + std::to_string(p1));
    return libnotify::kNotHandled;
}

const LibraryCommand kCommands[] = {WritesNothing, AnswersCount};
}  // namespace

void (*onLibraryEvent)(const std::string& event) = nullptr;

std::vector<std::string>& LibraryEvents() {
    static std::vector<std::string> events;
    return events;
}

NotifyFunction ReceivedSystemNotify() {
    return systemNotify;
}

void KV_CDECL WritesNothing(ArgValue*, int32_t, ArgValue*) {}

void KV_CDECL AnswersCount(ArgValue* result, int32_t count, ArgValue* args) {
    result->value.i32 = count * 100 + (count > 0 ? args[count - 1].value.i32 : 0);
    result->type = tag::kInt;
}

const LibraryInfo kRecordingLibrary = {kLibraryFormatNumber,
                                       "00000000000000000000000000000001",
                                       1,
                                       0,
                                       0,
                                       3,
                                       0,
                                       3,
                                       0,
                                       "测试库",
                                       1,
                                       nullptr,
                                       0,
                                       {},
                                       0,
                                       nullptr,
                                       0,
                                       nullptr,
                                       2,
                                       nullptr,
                                       kCommands,
                                       nullptr,
                                       nullptr,
                                       RecordingNotify,
                                       nullptr,
                                       nullptr,
                                       0,
                                       nullptr,
                                       nullptr};

const LibraryInfo kSilentLibrary = {kLibraryFormatNumber,
                                    "00000000000000000000000000000002",
                                    1,
                                    0,
                                    0,
                                    3,
                                    0,
                                    3,
                                    0,
                                    "静默库",
                                    1,
                                    nullptr,
                                    0,
                                    {},
                                    0,
                                    nullptr,
                                    0,
                                    nullptr,
                                    0,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    nullptr,
                                    0,
                                    nullptr,
                                    nullptr};

}  // namespace kv::test
