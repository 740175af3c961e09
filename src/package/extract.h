// Writing the entries of the open Package below a target folder, and the installation step
// that unpacks the inner setup.pck into the installation folder.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// What became of one entry.
enum class EntryOutcome : uint8_t {
    Written,   // created or replaced with the entry's bytes and times
    Kept,      // protected: its data was consumed, the file at the target left alone
    Failed,    // the target could not be created or truncated; nothing changed there
    Damaged,   // data missing or not decoding to the stated size and checksum: not written
    Refused,   // a name that would land outside the target folder: not written
};

// Writes the open Package's entries below `target` ("\" appended when missing), leaving
// existing files whose extension is in `protectedExts` (NoCopyExt format) alone. Calls the
// reader's progress callback and drains window events after every entry. Returns 0 when
// every entry was read intact, otherwise the number of damaged or refused entries, or -1
// when the Package file cannot be opened again.
[[nodiscard]] int ExtractPackage(const std::string& target, const std::string& protectedExts);

// Handles the reader's current entry during ExtractPackage: consumes its data from the
// open Package file and, when `write` is set, writes it as target + name. The whole entry
// is decoded and checked before the target is opened, so a damaged entry never replaces a
// good file.
EntryOutcome ExtractEntry(const std::string& target, bool write);

// Creates each missing folder along `path`; the last component only when `path` ends in a
// separator. "\" and "/" both separate.
void CreateFolderPath(const std::string& path);

// True when `name` stays below the folder it is joined to: relative, no drive letter or
// stream (":"), no UNC prefix, no component made only of dots and blanks (such as ".."),
// no device name (CON, NUL, COM1, ...). Either separator counts.
[[nodiscard]] bool EntryNameIsSafe(const std::string& name) noexcept;

// True when the extension of `name` is one of the protected extensions (case-sensitive).
[[nodiscard]] bool ExtensionIsProtected(const std::string& name, const std::string& protectedExts);

// The wizard's progress bar, set by the user interface; either may be null.
struct InstallProgressHooks {
    void (*SetMaximum)(int32_t maximum) = nullptr;
    void (*SetPosition)(int32_t position) = nullptr;
};
extern InstallProgressHooks InstallProgress;

// The installation step "Installing the Package files": creates the installation folder,
// opens TempDir + "setup.pck" (with the progress callback when `progress` is set) and
// unpacks it into InstallDir, protecting NoCopyExt. Returns ExtractPackage's result; -1
// when a setup.pck is there but cannot be read as a Package. Damage sets
// Setup.PackageDamaged. A missing setup.pck installs nothing and returns 0.
int InstallPackageFiles(bool progress);

}  // namespace wb
