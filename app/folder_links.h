// Links in the staging folder. Another local user may place a junction or symbolic link
// there (the folder is on a data drive); a folder delete that followed it would remove what
// it leads to, so links are removed as links before the folder is deleted.
#pragma once

namespace kv::app {

// Whether `path` is a link (a junction or symbolic link).
bool IsLink(const char* path);
// Removes the link `path` itself, never what it leads to; false when it stays.
bool RemoveLink(const char* path);
// Removes every folder link inside `folder` (ending in "\"), at any depth, as a link; false
// when one stays.
bool RemoveLinksInside(const char* folder);

}  // namespace kv::app
