// Version information of executable files, read from their version resource.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

struct FileVersionInfo {
    std::string Version;      // "major.minor.build.revision" of the fixed file version
    std::string Language;     // the language of the first translation, as the system names it
    std::string Description;  // the FileDescription string of the first translation
    std::string FileVersion;  // the FileVersion string of the first translation
    // The fixed file version, major in the top 16 bits; valid only when HasFixedVersion.
    uint64_t FixedVersion = 0;
    bool HasFixedVersion = false;
};

// Reads the version resource of `path`. False when the file has none or it cannot be
// read. The version library is loaded from the system folder for this call only and
// released before returning.
bool ReadFileVersion(const char* path, FileVersionInfo& out);

}  // namespace wb
