// The program runner: starting programs, the list of records of the ones still watched,
// and the by-name test for a running program.
#include "install/program_runner.h"

#include <algorithm>
#include <vector>

#include "platform/launch.h"
#include "platform/lock.h"

namespace wb {

struct ProgramRecord {
    PlatformProcess* Process = nullptr;
    int32_t Id = -1;  // -1 when the shell started the program
};

namespace {

constexpr uint32_t kKilledExitCode = 0xFFFFFFFFu;

struct ProgramList {
    PlatformLock* Lock = LockCreate();
    std::vector<ProgramRecord*> Records;
};

// A namespace-level object rather than a function-local static: the stub carries no
// guarded-initialisation code (it would bring the exception machinery with it), and
// nothing starts a program before main.
ProgramList g_programs;

ProgramList& Programs() { return g_programs; }

bool IsListed(const void* value) {
    ProgramList& list = Programs();
    return std::find(list.Records.begin(), list.Records.end(), value) != list.Records.end();
}

// The installer's own upper-casing: only a-z and the bytes 0xE0-0xFF change, whatever the
// code page, so the answer never depends on the system's locale.
std::string UpperInstallerWay(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || b >= 0xE0) c = static_cast<char>(b - 32);
    }
    return out;
}

std::string FilePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the start gave: a record, or the process released at once.
ProgramRecord* Adopt(const LaunchedProcess& started, unsigned flags) {
    if (flags & kRunWait) ProcessWait(started.Process);
    if (!(flags & kRunKeepRecord)) {
        ProcessRelease(started.Process);
        return kProgramStarted;
    }
    auto* record = new ProgramRecord{started.Process, started.Id};
    ProgramList& list = Programs();
    ScopedLock hold(list.Lock);
    list.Records.push_back(record);
    return record;
}

}  // namespace

std::string ProgramCommandLine(const std::string& program, const std::string& parameters) {
    std::string line = !program.empty() && program[0] == '"' ? program : '"' + program + '"';
    if (!parameters.empty()) line += ' ' + parameters;
    return line;
}

std::string ShellOpenFolder(const std::string& program, const std::string& workDir) {
    if (!workDir.empty()) return workDir;
    size_t slash = program.find_last_of('\\');
    if (slash == std::string::npos || slash == 0) return std::string();
    return program.substr(0, slash + 1);
}

ProgramRecord* RunProgram(const std::string& program, const std::string& parameters,
                          const std::string& workDir, unsigned flags) {
    LaunchedProcess started;
    std::string line = ProgramCommandLine(program, parameters);
    if (LaunchProcess(line.c_str(), workDir.c_str(), started)) return Adopt(started, flags);
    // Not a program (a document, say): the shell opens it with its associated program.
    std::string folder = ShellOpenFolder(program, workDir);
    if (LaunchShellOpen(program.c_str(), parameters.c_str(), folder.c_str(), started)) {
        started.Id = -1;
        return Adopt(started, flags);
    }
    return nullptr;
}

uint32_t ProgramExitCode(ProgramRecord* record) {
    ProgramRecord* known = IsKnownProgram(record);
    return known ? ProcessExitCode(known->Process) : 0;
}

int IsProgramRunning(ProgramRecord* record) {
    ProgramRecord* known = IsKnownProgram(record);
    return known && ProcessAlive(known->Process) ? 1 : 0;
}

void KillProgram(ProgramRecord* record) {
    if (ProgramRecord* known = IsKnownProgram(record)) {
        ProcessTerminate(known->Process, kKilledExitCode);
    }
}

void CloseProgram(ProgramRecord* record) {
    ProgramList& list = Programs();
    {
        ScopedLock hold(list.Lock);
        auto it = std::find(list.Records.begin(), list.Records.end(), record);
        if (it == list.Records.end()) return;
        list.Records.erase(it);
    }
    ProcessRelease(record->Process);
    delete record;
}

ProgramRecord* IsKnownProgram(const void* value) {
    if (!value) return nullptr;
    ProgramList& list = Programs();
    ScopedLock hold(list.Lock);
    return IsListed(value) ? static_cast<ProgramRecord*>(const_cast<void*>(value)) : nullptr;
}

int IsProcessRunning(const std::string& exeName) {
    std::vector<std::string> names;
    if (!ListProcessNames(names)) return 0;
    // Both sides are reduced to their file name: a ProgExe inside a sub-folder of the
    // installation folder still runs as a process of that file name.
    std::string wanted = UpperInstallerWay(FilePart(exeName));
    if (wanted.empty()) return 0;
    int found = 0;
    for (const std::string& name : names) {
        if (UpperInstallerWay(FilePart(name)) == wanted) found = 1;
    }
    return found;
}

}  // namespace wb
