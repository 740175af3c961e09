// The version comparison of the quiet run.
#include "install/quiet_replace.h"

namespace wb {

bool QuietReplaceDecision(const FileVersionInfo& newFile, const FileVersionInfo& currentFile) {
    if (!newFile.HasFixedVersion) return false;
    if (!currentFile.HasFixedVersion) return true;
    return newFile.FixedVersion > currentFile.FixedVersion;
}

}  // namespace wb
