// The installation-scope fake: an administrator prompt answered as a test says, the
// user's program folder and the administrators' folders as a test sets them.
#include <vector>

#include "fakes/fakes.h"
#include "platform/files.h"
#include "platform/scope.h"

namespace wb {
namespace {

struct ScopeFake {
    ElevatedRun Answer = ElevatedRun::Ended;
    uint32_t ExitCode = 0;
    std::vector<std::string> Runs;
    std::string UserPrograms;
    std::vector<std::string> AdminFolders;
    std::vector<std::string> AdminFoldersMade;
};

ScopeFake g_scope;

}  // namespace

ElevatedRun RunElevatedAndWait(const char* program, const char* parameters,
                               uint32_t& exitCode) noexcept {
    g_scope.Runs.push_back(std::string(program) + "|" + parameters);
    if (g_scope.Answer == ElevatedRun::Ended) exitCode = g_scope.ExitCode;
    return g_scope.Answer;
}

std::string UserProgramFilesPath() { return g_scope.UserPrograms; }

std::vector<std::string> AdminOnlyFolders() { return g_scope.AdminFolders; }

bool CreateAdminOnlyFolder(const char* path) noexcept {
    // As the system does: an existing folder is never taken.
    if (FolderExists(path) || !FolderCreate(path)) return false;
    g_scope.AdminFoldersMade.push_back(path);
    return true;
}

namespace fake {

void ScopeReset() { g_scope = ScopeFake{}; }
void ScopeSetElevatedRun(ElevatedRun answer, uint32_t exitCode) {
    g_scope.Answer = answer;
    g_scope.ExitCode = exitCode;
}
std::vector<std::string> ScopeElevatedRuns() { return g_scope.Runs; }
void ScopeSetUserProgramFiles(const std::string& path) { g_scope.UserPrograms = path; }
void ScopeSetAdminOnlyFolders(const std::vector<std::string>& folders) {
    g_scope.AdminFolders = folders;
}
std::vector<std::string> ScopeAdminFoldersMade() { return g_scope.AdminFoldersMade; }

}  // namespace fake
}  // namespace wb
