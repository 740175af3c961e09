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
// Values in and below `key` cannot be removed (RegRemoveValue and RegRemoveKeyTree fail
// there, the rest of a tree still goes), as with a key the user has no rights to.
void RegistryLockKey(RegRoot root, const std::string& key);
bool RegistryValueExists(RegRoot root, const std::string& key, const std::string& name);

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
// What RunAndWait answers: whether the program starts and the exit code it gives.
void ProcessSetRunResult(bool starts, uint32_t exitCode);
// Every RunAndWait call since the reset, as "program parameters".
std::vector<std::string> ProcessRuns();

// COM.
void ComReset();
void ComSetStartResult(bool ok);
int ComStartCount();
int ComEndCount();
// NewGuidText gives "{00000000-0000-0000-0000-00000000000N}" with N counting from 1;
// after ComFailNextGuid it gives one empty text.
void ComFailNextGuid();

// Resets every fake above.
void ResetAll();

}  // namespace wb::fake
