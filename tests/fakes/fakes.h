// In-memory fakes of the platform services for native tests, with the controls that let
// a test set what the "system" answers and make calls fail on cue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/scope.h"
#include "platform/shell_link.h"
#include "platform/system_info.h"
#include "platform/version_info.h"
#include "platform/window.h"

namespace wb::fake {

// Registry. Keys and value names ignore letter case, as the system's do; a trailing "\"
// of a key path is ignored. Values hold raw bytes.
void RegistryReset();  // no keys, no failures, counters zeroed
// Every key and every value with its bytes, one line each, sorted: a whole registry to
// compare before and after.
std::vector<std::string> RegistryDump();
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
// Makes only the `nth` registry call from now on fail (1 = the next), as RegistryFailNext.
void RegistryFailCall(int nth, int setResult = 0);
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
// Local time = UTC + this many minutes (0 after reset).
void SystemSetTimeZoneOffset(int minutes);
// What LocalTimeNow answers (2026-12-08 09:30:15 after reset).
void SystemSetNow(const CalendarTime& now);

// Whether the process runs elevated: what ProcessElevation answers (1 after reset).
void SystemSetElevation(int elevation);

// Installation scope. After reset the prompt is accepted and the elevated run ends with 0,
// and there is neither a user's program folder nor an administrators' folder.
void ScopeReset();
void ScopeSetElevatedRun(ElevatedRun answer, uint32_t exitCode = 0);
// Every RunElevatedAndWait since the reset, as "program|parameters".
std::vector<std::string> ScopeElevatedRuns();
void ScopeSetUserProgramFiles(const std::string& path);
void ScopeSetAdminOnlyFolders(const std::vector<std::string>& folders);
// The folders CreateAdminOnlyFolder made (on the host's disk, without an access list).
std::vector<std::string> ScopeAdminFoldersMade();

// Process.
void ProcessReset();
void ProcessSetCommandLine(const std::string& commandLine);
// What ProcessCommandLineUtf8 gives; unset, the ANSI command line.
void ProcessSetCommandLineUtf8(const std::string& commandLine);
void ProcessSetModulePath(const std::string& path);
void ProcessSetMutexExists(const std::string& name, bool exists);
// The last value set with SetProcessEnvironment; empty when never set.
std::string ProcessEnvironment(const std::string& name);
int ProcessMutexQueryCount();
// What RunAndWait answers: whether the program starts and the exit code it gives.
void ProcessSetRunResult(bool starts, uint32_t exitCode);
// Every RunAndWait call since the reset, as "program parameters".
std::vector<std::string> ProcessRuns();
// CurrentProcessId is 4242; WaitForProcessEnd answers at once that the process ended.
std::vector<uint32_t> ProcessWaits();               // ids waited for
std::vector<std::string> ProcessDeletesAtRestart();  // paths given to FileDeleteAtRestart

// COM.
void ComReset();
void ComSetStartResult(bool ok);
int ComStartCount();
int ComEndCount();
// NewGuidText gives "{00000000-0000-0000-0000-00000000000N}" with N counting from 1;
// after ComFailNextGuid it gives one empty text.
void ComFailNextGuid();

// Shell links. Every ShellLinkWrite is recorded; it answers Saved unless failures were
// queued.
struct LinkCall {
    std::string LinkPath;
    ShellLinkFields Fields;
    ShellLinkOutcome Outcome = ShellLinkOutcome::Saved;
    bool ComActive = false;  // COM was started (and not yet ended) at the call
};
void ShellLinkReset();
// The next `calls` writes answer `outcome` (and save nothing).
void ShellLinkFailNext(ShellLinkOutcome outcome, int calls = 1);
const std::vector<LinkCall>& ShellLinkCalls();

// Version resources: a file has the version data a test gives it, else none.
void VersionReset();
void VersionSetInfo(const std::string& path, const FileVersionInfo& info);
int VersionReadCount();  // ReadFileVersion calls since the last reset

// Script engines. Both languages' engines exist until a test says otherwise; a run
// succeeds unless ScriptSetFailure set what the engine reports.
void ScriptReset();
void ScriptSetAvailable(bool available);          // both engines
void ScriptSetVBScriptAvailable(bool available);  // VBScript only (an optional feature)
// Every later run fails with this text and line (in the text handed over).
void ScriptSetFailure(const std::string& text, int32_t line, bool timedOut = false);
struct ScriptRun {
    std::string Language;  // "VBScript" or "JScript"
    long Timeout;          // the run's time limit in milliseconds
    std::string Code;
    bool AllowWindows;     // the engine's message boxes may show
};
const std::vector<ScriptRun>& ScriptRuns();

// Window layer. Windows and controls are records; events come from a queue the test
// fills. An empty queue gives a Quit event.
void WindowReset();
void WindowFailNextOpen();
void WindowQueueEvent(const WindowEvent& event);
// Called at every WaitEvent, before the queue is read: lets a test look at the windows
// while an operation waits, and queue its answer.
void WindowOnWait(void (*callback)());
// A test's typing into a field or clicking an option or box, as the user would do it
// (the event still has to be queued).
void WindowSetText(int number, const std::string& text);
void WindowSetState(int number, int state);
struct FakeControl {
    int Window = 0;
    ControlKind Kind = ControlKind::Text;
    int X = 0, Y = 0, W = 0, H = 0;
    std::string Text;
    unsigned Style = 0;
    int Font = 0;
    int Panel = 0;  // the panel it was added into, 0 for the window itself
    bool Visible = true;
    bool Enabled = true;
    int State = 0;
    int Maximum = 100;
    std::vector<std::string> Rows;
    bool Coloured = false;
    uint32_t TextColour = 0;
    int32_t Background = 0;
    uint32_t HoverColour = 0;
    std::string ViewerFile;  // the file last streamed in
    uintptr_t Image = 0;  // the picture an Image control shows
    bool ImageIsIcon = false;
    std::vector<std::string> Items;  // DropList items in list order
    int Selected = -1;               // DropList selection
};
struct FakeSeparator {
    int Window = 0;
    int X = 0, Y = 0, W = 0, H = 0;
};
std::vector<FakeSeparator> WindowSeparators();
// Controls in the order they were added (the build order).
std::vector<int> WindowControlOrder();
// The control of that number in an open window; nullptr when there is none.
const FakeControl* WindowControl(int number);
struct FakeFont {
    std::string Face;
    int Points;
    int Weight;
};
// The font CreatePointFont gave as `font`; nullptr when there is none.
const FakeFont* WindowFont(int font);
struct FakeWindowRecord {
    std::string Title;
    int X = 0, Y = 0, Width = 0, Height = 0;
    WindowPlacement Placement = WindowPlacement::At;
    bool Shown = false;
    int Owner = 0;  // OpenOwnedWindow's owner
};
// The last state of window `number`, open or closed since (nullptr when never opened).
const FakeWindowRecord* WindowRecord(int number);
int WindowOpenCount();
int WindowCloseCount();

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

// Files, in memory. Only programs that link tests/fakes/files (the fault tests) have this
// fake; it replaces the host's files there. Paths ignore letter case and either separator;
// drives ("C:") always exist; a file can be created only in an existing folder.
enum class FileCall : uint8_t { Open, Read, Write, Close, Move, MoveAtRestart, Create };
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
// Folders FolderCreateReachable makes are reached by no ANSI path (a volume without short
// names), so it removes them again and fails.
void FilesSetNoShortNames(bool none);
// The system code FileLastError gives after a failure set by FilesFailCall (5, access
// denied, unless set): 112 for a full disk, 32 for a file in use.
void FilesSetFailError(uint32_t error);
// A file another program holds open without sharing: it cannot be moved, deleted or
// opened for writing (error 32); `held` false lets it go.
void FilesHold(const std::string& path, bool held = true);
// What VolumeFreeBytes answers (a terabyte after reset); `known` false makes it fail.
void FilesSetFreeBytes(uint64_t bytes, bool known = true);
// The moves FileMoveAtRestart registered, as "from>to", and the restart that performs
// them in order (a move whose source is gone is skipped, as the system does).
std::vector<std::string> FilesMovesAtRestart();
void FilesRestart();
// Every folder's path, lower case, without the closing "".
std::vector<std::string> FilesFolders();

// Resets every fake above.
void ResetAll();

// Pictures. Bitmap and icon files are told apart by their headers; the picture decoder
// refuses everything until PictureSetAccepts.
struct FakePicture {
    int Width = 0, Height = 0, Bits = 0;
    bool IsIcon = false;
    bool Section = false;         // a device-independent section (else a plain bitmap)
    std::vector<uint8_t> Pixels;  // sections made by GdiCreateSection
};
void ImagesReset();
void PictureSetAccepts(bool accepts, int width, int height);
void ImagesFailSections(bool fail);
const FakePicture* PictureOf(uintptr_t handle);  // nullptr once deleted
int PictureLiveCount();
int PictureChecks();

// Tree controls: what was appended, selected and focused, per control number.
struct FakeTree {
    struct Item {
        std::string Text;
        int Level = 0;
    };
    std::vector<Item> Items;
    int Selected = -1;
    bool Focused = false;
};
void TreeReset();
void TreeSetUnavailable(bool unavailable);
const FakeTree* TreeControl(int number);  // nullptr when nothing was appended or selected
void TreeSetSelected(int number, int index);  // as a user's click would

// The folder browser: answers every call with the set path ("" = cancelled).
void FolderDialogReset();
void FolderDialogAnswer(const std::string& path);
std::string FolderDialogStart();        // the start folder of the last call
std::string FolderDialogInstruction();  // the instruction of the last call
int FolderDialogCalls();

}  // namespace wb::fake
