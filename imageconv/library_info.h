// The image-format conversion library as the kernel sees it: its LibraryInfo record.
#pragma once

#include "runtime/library.h"

namespace kv::imageconv {

const LibraryInfo& ImageConvLibraryInfo();

}  // namespace kv::imageconv
