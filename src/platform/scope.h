// Installation scope: starting this program again with administrator rights, the user's
// own program folder, and the folders that only administrators can write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

enum class ElevatedRun : uint8_t {
    Ended,     // the elevated process ran and ended; the exit code is set
    Declined,  // the user declined the administrator prompt
    Failed,    // the system could not start it
};

// Starts `program` with `parameters` through the shell's "runas" verb (the administrator
// prompt), waits for it to end and gives its exit code.
ElevatedRun RunElevatedAndWait(const char* program, const char* parameters,
                               uint32_t& exitCode) noexcept;

// The user's own program folder (the known folder UserProgramFiles, usually
// %LOCALAPPDATA%\Programs), without a trailing "\"; empty where the system has none.
std::string UserProgramFilesPath();

// The folders whose contents only administrators (and the system) may change on a
// standard installation of Windows: the machine's program-files folders of both views.
// No trailing "\".
std::vector<std::string> AdminOnlyFolders();

// Creates the folder `path` with an access list that lets only administrators and the
// system in, never inheriting from its parent. False when it exists already (it may be
// someone else's) or cannot be made.
bool CreateAdminOnlyFolder(const char* path) noexcept;

}  // namespace wb
