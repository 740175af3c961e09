// Version information of executable files, read from their version resource.
#pragma once

#include <string>

namespace wb {

struct FileVersionInfo {
    std::string Version;      // "major.minor.build.revision" of the fixed file version
    std::string Language;     // the language of the first translation, as the system names it
    std::string Description;  // the FileDescription string of the first translation
};

// Reads the version resource of `path`. False when the file has none or it cannot be
// read; the version library is loaded on first use from the system folder.
bool ReadFileVersion(const char* path, FileVersionInfo& out);

}  // namespace wb
