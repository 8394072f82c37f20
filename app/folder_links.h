// Links in the staging folder. Another local user may place a junction or symbolic link
// there (the folder is on a data drive); a folder delete that followed it would remove what
// it leads to, so links are removed as links before the folder is deleted.
#pragma once

namespace kv::app {

// Removes `path` when it is a link (the link only, never what it leads to); true when it was.
bool RemoveAsLink(const char* path);
// Removes every folder link inside `folder` (ending in "\"), at any depth, as a link.
void RemoveLinksInside(const char* folder);

}  // namespace kv::app
