// In-memory fakes of the platform services for native tests, with the controls that let
// a test set what the "system" answers and make calls fail on cue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace wb::fake {

// Registry. Keys and value names ignore letter case, as the system's do; a trailing "\"
// of a key path is ignored. Values hold raw bytes.
void RegistryReset();  // no keys, no failures, counters zeroed
// Sets a string value as the system stores one: the text followed by its NUL.
void RegistrySetText(RegRoot root, const std::string& key, const std::string& name,
                     const std::string& text);
// Sets a value to exactly these bytes (no NUL added).
void RegistrySetBytes(RegRoot root, const std::string& key, const std::string& name,
                      const std::string& bytes);
void RegistryDeleteValue(RegRoot root, const std::string& key, const std::string& name);
void RegistryCreateKey(RegRoot root, const std::string& key);
bool RegistryKeyExists(RegRoot root, const std::string& key);
// The raw bytes of a value; false when missing.
bool RegistryGetBytes(RegRoot root, const std::string& key, const std::string& name,
                      std::string& bytes);
// Makes the next `calls` registry calls fail: RegQuery returns false, RegSetString
// returns `setResult` (0 key not opened, 1 value not set).
void RegistryFailNext(int calls, int setResult = 0);
int RegistryQueryCount();
int RegistrySetCount();
// The access of the last RegQuery.
RegAccess RegistryLastAccess();

// Shell and system folders. Every folder starts empty.
void ShellReset();
void ShellSetFolder(int csidl, const std::string& path);
void ShellSetSystemFolder(const std::string& path);
void ShellSetWindowsFolder(const std::string& path);
void ShellSetTempFolder(const std::string& path);
void ShellSetCurrentFolder(const std::string& path);
int ShellFolderQueryCount();  // ShellFolderPath calls since the last reset

// System information.
void SystemInfoReset();  // language 0x0409, version 0x0A280105 (an NT build)
void SystemSetLanguage(uint16_t languageId);
void SystemSetVersion(uint32_t version);

// Process.
void ProcessReset();
void ProcessSetCommandLine(const std::string& commandLine);
void ProcessSetModulePath(const std::string& path);
void ProcessSetMutexExists(const std::string& name, bool exists);
// The last value set with SetProcessEnvironment; empty when never set.
std::string ProcessEnvironment(const std::string& name);
int ProcessMutexQueryCount();

// COM.
void ComReset();
void ComSetStartResult(bool ok);
int ComStartCount();
int ComEndCount();
// NewGuidText gives "{00000000-0000-0000-0000-00000000000N}" with N counting from 1;
// after ComFailNextGuid it gives one empty text.
void ComFailNextGuid();

// Launching processes, the process list and the restart question. A started process runs
// until it is waited for (then it ends with its exit code) or terminated.
struct LaunchCall {
    bool Shell = false;       // LaunchShellOpen, else LaunchProcess
    std::string CommandLine;  // LaunchProcess
    std::string File;         // LaunchShellOpen
    std::string Parameters;   // LaunchShellOpen
    std::string WorkDir;
    bool WorkDirExisted = false;  // the working folder existed at the call
    bool Started = false;
};
void LaunchReset();  // everything starts, exit code 0, a process list without entries
void LaunchFailProcess(bool fail);  // LaunchProcess refuses, as for a document
void LaunchFailShell(bool fail);
void LaunchShellGivesNoProcess(bool none);  // the shell starts but hands out no process
// Processes whose command line or file contains `text` end with `code`; others with 0.
void LaunchSetExitCode(const std::string& text, uint32_t code);
const std::vector<LaunchCall>& LaunchCalls();
int LaunchWaitCount();        // ProcessWait calls on a process
int LaunchUnreleasedCount();  // started processes whose handle is still held
int LaunchDoubleReleaseCount();
std::vector<uint32_t> LaunchTerminations();  // exit codes given to ProcessTerminate
// Ends every running process by itself (exit code as set).
void LaunchEndAll();
unsigned LaunchPausedMilliseconds();
// The process list; `available` false makes ListProcessNames fail.
void LaunchSetProcessNames(const std::vector<std::string>& names, bool available = true);
int RebootPromptCount();

// Resets every fake above.
void ResetAll();

}  // namespace wb::fake
