// The two one-shot jobs of the start: writing the embedded viewer library when the system
// lacks it, and installing the program into its fixed folder.
#pragma once

namespace kv::app {

// Library path: the Windows directory followed by "System32\shimgvw.dll".
bool ViewerLibraryPresent();
// Writes the embedded library; returns when it was written, otherwise ends the program.
void RepairViewerLibrary();
// Copies the program into the install folder, tells the user, and ends the program.
[[noreturn]] void InstallProgram();

}  // namespace kv::app
