// The image argument when its name holds characters the ANSI code page lacks. The program
// works in the code page; the shell's wide command line still carries the true name, so the
// program can reach the same file through a name the code page carries.
#pragma once

#include "app/runtime_calls.h"

namespace kv::app {

// Sets the image path (and, for names outside the code page, the name the converted bitmap
// takes) from the one ANSI argument. An argument the ANSI line carried whole is kept as it
// is; otherwise the image path is the file's short name when it is free of lost characters,
// else a hard link in the staging folder under a stand-in name unique to the photo. A photo
// that cannot be linked (read-only, or on another volume) keeps the argument as it is until
// "修复" copies it.
void TakeImageArgument(const char* ansiArgument);

// The path the conversion reads: the image path, or for a photo reached through the staging
// folder its link or copy there, made now when it is missing. Empty when none can be made.
Text ConversionSource();

}  // namespace kv::app
