// The system's folder browser as one modal call.
#pragma once

#include <string>

namespace wb {

// Shows the folder browser with `instruction` above the tree, preselecting `start` when it
// is not empty, modal to this thread's windows. Returns the chosen item's file-system path
// as the system gives it (empty when cancelled, when the item has no such path, or when
// the shell library cannot be loaded).
std::string BrowseForFolder(const char* instruction, const char* start) noexcept;

}  // namespace wb
