#include "corelib/library_info.h"

#include "corelib/commands.h"

namespace kv::core {

const LibraryInfo kCoreLibraryInfo = {
    kLibraryFormatNumber,
    "5c1e0a7b93d24f6e8a41b2c6d7e8f901",
    5,
    3,
    64,  // version 5.3, build 64
    3,
    7,  // required system version
    3,
    7,  // required core-library version
    "核心命令支持库",
    1,        // locale word
    nullptr,  // description
    0xC0000001,
    {},  // contacts
    unittype::kCoreTypeCount,
    kCoreDataTypes,
    0,
    nullptr,  // categories
    kCoreCommandCount,
    nullptr,  // command descriptions
    kCoreCommands,
    nullptr,
    nullptr,  // add-in routine
    CoreLibraryNotify,
    nullptr,
    nullptr,  // template routine
    0,
    nullptr,  // constants
    nullptr,  // dependency files
};

}  // namespace kv::core
