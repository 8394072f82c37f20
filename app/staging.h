// Image staging and clean-up: the "修复" button converts the image to a BMP in the staging
// folder and hands it to the installed copy; closing the viewer deletes the staging folder.
#pragma once

#include <cstdint>

namespace kv::app {

// What other programs may still do with a file this instance holds: read and write it (a
// photo's stand-in, a bitmap being handed on), or only read it (a bitmap shown: the instance
// that handed it on tells by this that it arrived).
enum HoldSharing : uint32_t { kOthersReadAndWrite = 0x3, kOthersRead = 0x1 };

// Creates the staging folder when it is missing.
void EnsureStagingFolder();
// Holds `path` open, when it is in the staging folder, so that no other instance's clean-up
// deletes it while this instance shows it or hands it on; the folder delete leaves it.
// Answers the held file, or null when nothing is held.
void* HoldStagedFile(const char* path, HoldSharing sharing);
// Holds a staged file this instance shows (a bitmap handed on to it).
void HoldShownFile(const char* path);
// Lets go of one held file / of every file held.
void ReleaseHeldFile(void* file);
void ReleaseHeldFiles();
// Frees a name in the staging folder for a file made fresh: true when nothing is there now.
// A name another program holds open, or a folder, stays taken.
bool FreeStagedName(const char* path);
// Converts the current image, relaunches the installed program on the BMP, closes the
// viewer and ends the program once the relaunched program holds the BMP. When the conversion
// or the relaunch fails it says so, keeps the viewer and leaves no BMP behind.
void ConvertAndRelaunch();
// Lets go of this instance's files, deletes the staging folder (what other running instances
// hold stays) and asks the viewer to close.
void CleanUpStaging();
// Deletes the folder with everything in it through the scripting runtime's file-system
// object; the outcome is not reported.
void DeleteFolderByScripting(const char* folder);

}  // namespace kv::app
