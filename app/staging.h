// Image staging and clean-up: the "修复" button converts the image to a BMP in the staging
// folder and hands it to the installed copy; closing the viewer deletes the staging folder.
#pragma once

namespace kv::app {

// Creates the staging folder when it is missing.
void EnsureStagingFolder();
// Holds `path` open, when it is in the staging folder, so that no other instance's clean-up
// deletes it while this instance shows it or hands it on; the folder delete leaves it.
void HoldStagedFile(const char* path);
// Lets go of every file held.
void ReleaseHeldFiles();
// Converts the current image, relaunches the installed program on the BMP, closes the
// viewer and ends the program. When the conversion fails it says so and changes nothing.
void ConvertAndRelaunch();
// Lets go of this instance's files, deletes the staging folder (what other running instances
// hold stays) and asks the viewer to close.
void CleanUpStaging();
// Deletes the folder with everything in it through the scripting runtime's file-system
// object; the outcome is not reported.
void DeleteFolderByScripting(const char* folder);

}  // namespace kv::app
