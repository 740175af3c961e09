// Path tests that keep the uninstaller inside what the Uninstall log names: which entries
// may be joined to the installation folder and which folders must never be emptied.
#pragma once

#include <string>
#include <vector>

#include "contract/contract.h"

namespace wb {

// True for "X:\...", "X:/...", "\..." and "/..." (UNC paths included).
bool IsAbsolutePath(const std::string& path);
// `folder` with one trailing "\" ("/" when it already used "/").
std::string WithTrailingSlash(std::string folder);
// The same path for the system: letter case, "\" versus "/" and trailing separators
// do not matter.
bool SamePath(const std::string& a, const std::string& b);
// True when `path` lies below `folder` (not `folder` itself) and holds no "..".
bool IsInsideFolder(const std::string& path, const std::string& folder);
// True when `folder` equals `other` or holds it somewhere below.
bool ContainsOrEquals(const std::string& folder, const std::string& other);
// The part after the last "\" or "/".
std::string FileNamePart(const std::string& path);
bool EndsWithNoCase(const std::string& text, const std::string& suffix);
// "X:\", "\", "/" or "\\server\share\": a folder with no name of its own below a root.
bool IsDriveRoot(const std::string& folder);

// The folders of the system that nothing may empty or remove: every shell special
// folder that has a path, the Windows, system and temporary folders; each with "\".
std::vector<std::string> ProtectedFolders();
// True for a drive root, any folder of `protectedFolders`, and any folder that holds one
// of them (emptying it would empty them too).
bool IsProtectedFolder(const std::string& folder,
                       const std::vector<std::string>& protectedFolders);

}  // namespace wb
