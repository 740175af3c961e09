// The finish steps shared by every way out of a run.
#include "startup/finish.h"

#include "platform/files.h"
#include "startup/setup_state.h"

namespace wb {

void RemoveTempDir() {
    if (Setup.TempDir.empty()) return;
    for (const std::string& name : FolderListFiles(Setup.TempDir.c_str())) {
        FileDelete((Setup.TempDir + name).c_str());
    }
    std::string folder = Setup.TempDir;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    FolderRemove(folder.c_str());
}

}  // namespace wb
