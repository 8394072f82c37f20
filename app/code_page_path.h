// The image argument when its name holds characters the ANSI code page lacks. The program
// works in the code page; the shell's wide command line still carries the true name, so the
// program can reach the same file through a name the code page carries.
#pragma once

namespace kv::app {

// Sets the image path (and, for names outside the code page, the name the converted bitmap
// takes) from the one ANSI argument. An argument the ANSI line carried whole is kept as it
// is; otherwise the image path is the file's short name when it is free of lost characters,
// else a hard link or copy in the staging folder named after the original name.
void TakeImageArgument(const char* ansiArgument);

}  // namespace kv::app
