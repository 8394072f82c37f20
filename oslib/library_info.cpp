// The OS-interface library's self-description: one command, no data types.
#include "forms/unit_type.h"
#include "oslib/folder_lookup.h"

namespace kv::os {
namespace {

const LibraryCommand kOsCommands[] = {GetSpecialFolder};
// The library defines no data types; the record address is still set.
const UnitTypeRecord kNoDataTypes[1] = {};

}  // namespace

const LibraryInfo kOsLibraryInfo = {
    kLibraryFormatNumber,
    "A3D90C1E47B2468F9E05C7A1B2D3E4F5",
    3,
    0,
    0,  // version 3.0, build 0
    3,
    0,  // required system version
    3,
    0,  // required core-library version
    "系统界面功能支持库",
    1,        // locale word
    nullptr,  // description
    0,        // state flags
    {},       // contacts
    0,
    kNoDataTypes,
    0,
    nullptr,  // categories
    1,
    nullptr,  // command descriptions
    kOsCommands,
    nullptr,
    nullptr,  // add-in routine
    OsLibraryNotify,
    nullptr,
    nullptr,  // template routine
    0,
    nullptr,  // constants
    nullptr,  // dependency files
};

}  // namespace kv::os
