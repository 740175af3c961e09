// Copying single files over existing ones only after a version check.
#pragma once

#include <string>

namespace wb {

// Copies `source` to `destination`; an existing destination is replaced only when the
// user agrees (the Copy File dialog) or, in the quiet run, when the new file's version is
// higher. 1 when the copy was attempted, 0 when the current file was kept.
int CopyWithVersionCheck(const std::string& source, const std::string& destination);
// A one-line summary of a file's version resource, for the Copy File dialog.
std::string ReadVersionInfo(const std::string& path);
// Asks whether `newPath` may replace `currentPath`; 1 after copying, 0 when not copied.
int AskReplaceFile(const std::string& newPath, const std::string& currentPath);

}  // namespace wb
