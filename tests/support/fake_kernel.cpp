#include "tests/support/fake_kernel.h"

#include <cstdlib>

namespace kv::test {
namespace {
int liveBlocks = 0;
std::string programDirectory = "C:\\prog";
std::string programFileName = "prog.exe";

void ReleaseArray(TypeTag type, void* array) {
    if (!array) return;
    TypeTag element = type & ~tag::kArrayBit;
    if (element == tag::kText || element == tag::kBytes) {
        auto* words = static_cast<uint32_t*>(array);
        size_t count = 1;
        for (uint32_t d = 0; d < words[0]; ++d) count *= words[1 + d];
        auto** items = reinterpret_cast<void**>(static_cast<char*>(array) + ArrayHeaderSize(words[0]));
        for (size_t i = 0; i < count; ++i) {
            if (items[i]) --liveBlocks, free(items[i]);
        }
    }
    --liveBlocks;
    free(array);
}
}  // namespace

intptr_t KV_STDCALL FakeSystemNotify(int32_t code, intptr_t p1, intptr_t p2) {
    switch (code) {
        case sysnotify::kAllocate: {
            void* p = malloc(size_t(p1) ? size_t(p1) : 1);
            if (p) ++liveBlocks;
            return reinterpret_cast<intptr_t>(p);
        }
        case sysnotify::kRelease:
            if (p1) --liveBlocks, free(reinterpret_cast<void*>(p1));
            return 0;
        case sysnotify::kReallocate: {
            if (!p1) ++liveBlocks;
            return reinterpret_cast<intptr_t>(realloc(reinterpret_cast<void*>(p1), size_t(p2)));
        }
        case sysnotify::kReleaseArray:
            ReleaseArray(TypeTag(p1), reinterpret_cast<void*>(p2));
            return 0;
        case sysnotify::kProgramDirectory:
            return reinterpret_cast<intptr_t>(programDirectory.c_str());
        case sysnotify::kProgramFileName:
            return reinterpret_cast<intptr_t>(programFileName.c_str());
        default:
            return 0;
    }
}

int LiveBlocks() { return liveBlocks; }

void SetProgramLocation(const std::string& directory, const std::string& fileName) {
    programDirectory = directory;
    programFileName = fileName;
}

}  // namespace kv::test
