// The quiet run's answer to the Copy File question, from the two files' version numbers.
#pragma once

#include "platform/version_info.h"

namespace wb {

// True when the new file's fixed file version is higher than the current file's. A file
// without a version resource counts lower than any version, so equal versions and two
// files without one keep the current file.
bool QuietReplaceDecision(const FileVersionInfo& newFile, const FileVersionInfo& currentFile);

}  // namespace wb
