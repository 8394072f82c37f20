#include "imageconv/library_info.h"

#include "imageconv/convert_to_bmp.h"

namespace kv::imageconv {
namespace {

// The library needs no kernel services, so the SystemNotify address is not kept.
intptr_t KV_STDCALL ImageConvNotify(int32_t code, intptr_t, intptr_t) {
    return code == libnotify::kStart ? 0 : libnotify::kNotHandled;
}

const LibraryCommand kCommands[] = {ConvertToBmp};

const LibraryInfo kInfo = {
    kLibraryFormatNumber,
    "6B2E4D8F10A94c3eB7D15F2A9C8E0D13",
    2,
    0,
    4,  // version 2.0, build 4
    3,
    0,  // required system version
    3,
    0,  // required core-library version
    "图像转换支持库",
    1,  // locale word
    nullptr,
    0,  // state flags
    {},
    0,
    nullptr,  // no data types
    0,
    nullptr,  // no categories
    1,
    nullptr,
    kCommands,
    nullptr,
    nullptr,
    ImageConvNotify,
    nullptr,
    nullptr,
    0,
    nullptr,
    nullptr,
};

}  // namespace

const LibraryInfo& ImageConvLibraryInfo() {
    return kInfo;
}

}  // namespace kv::imageconv
