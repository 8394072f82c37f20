// The image argument when its name holds characters the ANSI code page lacks. The program
// works in the code page; the shell's wide command line still carries the true name, so the
// program can reach the same file through a name the code page carries.
#pragma once

#include <string>

#include "app/runtime_calls.h"

namespace kv::app {

// Sets the image path, and the name the photo's staged files take, from the one ANSI
// argument. An argument the ANSI line carried whole is kept as it is; otherwise the image
// path is the file's short name when it is free of lost characters, else a stand-in in the
// staging folder under a name unique to the photo: an existing one when it is provably the
// photo, else a fresh hard link. A photo that cannot be linked (read-only, or on another
// volume) keeps the argument as it is until "修复" copies it.
void TakeImageArgument(const char* ansiArgument);

// The path the conversion reads: the image path, or for a photo reached through the staging
// folder its stand-in there, taken now when there is none yet. Empty when none can be made.
Text ConversionSource();

// The names of the photo's files in the staging folder, variant by variant: its name as it
// is, then with a short hash of the photo's whole path before the extension, then with the
// hash and a number. A variant another instance holds for another file is passed over.
constexpr int32_t kStagedNameVariants = 8;
std::string StagedName(int32_t variant);
// The first variant the photo's files take: a photo reached through a stand-in or a short
// name always carries the hash, so that photos whose names read alike never share one.
int32_t FirstStagedVariant();

}  // namespace kv::app
