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

// Files, in memory. Only programs that link tests/fakes/files (the fault tests) have this
// fake; it replaces the host's files there. Paths ignore letter case and either separator;
// drives ("C:") always exist; a file can be created only in an existing folder.
enum class FileCall : uint8_t { Open, Read, Write, Close };
// No files or folders, no failure set. Weak, so ResetAll can reset it where it is linked.
void FilesReset() __attribute__((weak));
// Puts a file (creating its folders).
void FilesPut(const std::string& path, const std::string& bytes);
// The bytes of a file; false when there is none.
bool FilesGet(const std::string& path, std::string& bytes);
void FilesMakeFolder(const std::string& path);  // with its parents
std::vector<std::string> FilesList();  // every file's path, lower case, "\" separators
// Makes the `nth` call of `call` from now fail, once: an open returns null, a read fails,
// a write stores half its bytes and fails, a close releases the file (keeping what was
// written) and reports failure.
void FilesFailCall(FileCall call, int nth);
bool FilesFailureHappened();  // whether the failure set by FilesFailCall has happened
int FilesOpenHandles();       // files opened and not yet closed

// Resets every fake above.
void ResetAll();

}  // namespace wb::fake
