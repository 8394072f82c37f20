// Fuzz entry for the template reader: any input either reads or is refused, never crashes.
#include <cstddef>
#include <cstdint>

#include "forms/template_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kv::forms::FormMap map;
    if (kv::forms::ReadTemplateBlock(data, uint32_t(size), 0x400000, &map)) {
        for (size_t i = 0; i < map.Size(); ++i) {
            for (const auto& unit : map.At(i)->units) (void)unit.typeData.size();
        }
    }
    return 0;
}
