// The shell fake: special folders as a test sets them.
#include <map>

#include "fakes/fakes.h"
#include "platform/shell.h"

namespace wb {
namespace {

struct ShellFake {
    std::map<int, std::string> Folders;
    std::string System, Windows, Temp, Current;
    int Queries = 0;
};

ShellFake g_shell;

}  // namespace

std::string ShellFolderPath(int csidl) {
    ++g_shell.Queries;
    auto it = g_shell.Folders.find(csidl);
    return it == g_shell.Folders.end() ? std::string() : it->second;
}

std::string SystemFolderPath() { return g_shell.System; }
std::string WindowsFolderPath() { return g_shell.Windows; }
std::string TempFolderPath() { return g_shell.Temp; }
std::string CurrentFolderPath() { return g_shell.Current; }

namespace fake {

void ShellReset() { g_shell = ShellFake{}; }
void ShellSetFolder(int csidl, const std::string& path) { g_shell.Folders[csidl] = path; }
void ShellSetSystemFolder(const std::string& path) { g_shell.System = path; }
void ShellSetWindowsFolder(const std::string& path) { g_shell.Windows = path; }
void ShellSetTempFolder(const std::string& path) { g_shell.Temp = path; }
void ShellSetCurrentFolder(const std::string& path) { g_shell.Current = path; }
int ShellFolderQueryCount() { return g_shell.Queries; }

}  // namespace fake
}  // namespace wb
