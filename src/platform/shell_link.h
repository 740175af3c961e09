// Shell links: writing one .lnk file through the system's shell-link object.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// What a shell link holds besides the path of its own file.
struct ShellLinkFields {
    std::string Target;
    std::string Arguments;
    std::string WorkDir;
    std::string Description;
    int ShowCmd = 1;
    uint16_t HotKey = 0;
    std::string IconFile;
    int IconIndex = 0;
};

enum class ShellLinkOutcome : uint8_t {
    Saved,            // the object saved the link file
    SaveFailed,       // the object was asked to save and refused (no folder, no rights...)
    NoObject,         // the shell-link object could not be created
    NoFileInterface,  // the object offers no file interface to save through
};

// Creates a shell-link object, sets its fields in the order path, arguments, working
// folder, description, show state, hot key, icon, and saves it as `linkPath` (converted
// from the ANSI code page). COM must be initialised on this thread by the caller.
ShellLinkOutcome ShellLinkWrite(const ShellLinkFields& fields, const char* linkPath) noexcept;

}  // namespace wb
