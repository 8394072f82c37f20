// libFuzzer entry; KV_FUZZ_TARGET names the Target this binary exercises.
#include "tests/fuzz/imageconv/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using kv::imageconv::fuzz::Target;
    return kv::imageconv::fuzz::RunTarget(Target::KV_FUZZ_TARGET, data, size);
}
