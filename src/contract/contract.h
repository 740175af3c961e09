// What the authoring tool, the installer and the uninstaller agree on: the installer's exit
// codes, the Uninstall log's file, groups and keys, the uninstall records and their task
// kinds, the uninstall entry's registry key, and which names may be joined to the
// installation folder. Each side reads its words from here, so the writer and the reader
// cannot drift apart. It uses nothing of the project but platform/text.h, and every
// folder may include it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace wb {

// The installer's process exit codes. A wizard run always ends with 0; a quiet run tells
// deployment tools whether it installed, and the authoring tool lists these codes in the
// deployment manifests it writes.
// Every failure code means the machine is as it was before the run: nothing of the
// installation is left, and an earlier version is still installed and registered.
constexpr unsigned kExitOk = 0;
constexpr unsigned kExitNotInstalled = 1;        // BeforeWB asked to stop, or the program runs
constexpr unsigned kExitDamaged = 2;             // the setup's data is damaged
constexpr unsigned kExitWriteFailed = 3;         // a file or folder could not be written
constexpr unsigned kExitDiskFull = 4;            // not enough room on the target volume
constexpr unsigned kExitFileInUse = 5;           // a file in use could not be scheduled
constexpr unsigned kExitUnreadable = 6;          // the setup cannot read its own files
constexpr unsigned kExitElevationDeclined = 7;   // the administrator prompt was declined
constexpr unsigned kExitScopeRefused = 8;        // a switch asked for a scope not offered
constexpr unsigned kExitRestartRequired = 3010;  // installed; a restart is needed

// How deployment tools should read each failure code (winget's return responses).
struct ExitCodeMeaning {
    unsigned Code;
    const char* Response;
};
constexpr ExitCodeMeaning kExitMeanings[] = {
    {kExitNotInstalled, "packageInUse"},     {kExitDamaged, "contactSupport"},
    {kExitWriteFailed, "contactSupport"},    {kExitDiskFull, "diskFull"},
    {kExitFileInUse, "fileInUse"},           {kExitUnreadable, "contactSupport"},
    {kExitElevationDeclined, "cancelledByUser"}, {kExitScopeRefused, "invalidParameter"},
    {kExitRestartRequired, "rebootRequiredToFinish"},
};

// The log and the uninstaller, both directly in the installation folder.
constexpr char kUninstallLogName[] = "uninstall.dat";
constexpr char kUninstallerName[] = "uninstall.exe";

// The installer unpacks program files into a hidden folder of this name and a number
// inside the installation folder before it moves them into place. One left behind is
// what a killed run staged: the next installation clears it, and the uninstaller removes
// it with the program.
constexpr char kStagingFolderPrefix[] = "~wbstage.";

// Groups of the log, in file order.
constexpr char kLogSettings[] = "Settings";
constexpr char kLogFiles[] = "Files";
constexpr char kLogDirs[] = "Dirs";
constexpr char kLogLanguage[] = "Language";
constexpr char kLogStartMenu[] = "StartMenu";

// Keys of group Settings: the first four come with the base log the authoring tool packs,
// the rest the installer adds.
constexpr char kLogProgName[] = "ProgName";
constexpr char kLogVersion[] = "Version";
constexpr char kLogNoDelAll[] = "NoDelAll";
constexpr char kLogMutexString[] = "MutexString";
constexpr char kLogProgDir[] = "ProgDir";
constexpr char kLogProgExe[] = "ProgExe";
constexpr char kLogGUID[] = "GUID";
constexpr char kLogProgLink[] = "ProgLink";
constexpr char kLogStartMenuDir[] = "StartMenu";
constexpr char kLogDesktopIcon[] = "DesktopIcon";
// "user" for an installation for the current user alone (its uninstall entry and
// associations are the user's); missing for one for all users.
constexpr char kLogScope[] = "Scope";
constexpr char kLogScopeUser[] = "user";

// The texts of group Language, in writing order; LogText indexes kLogTextKeys.
enum class LogText : uint8_t {
    Titel, Msg, Version, UninstInfo, DelAll, Error, Mutex, Status, OK, Cancel, Ready, Count
};
constexpr const char* kLogTextKeys[size_t(LogText::Count)] = {
    "Titel", "Msg", "Version", "UninstInfo", "DelAll", "Error", "Mutex", "Status", "OK",
    "Cancel", "Ready"};

// The links of group StartMenu, in writing order; LogLink indexes kLogLinkKeys.
enum class LogLink : uint8_t { Program, AddExe, Help, Homepage, Uninstall, Count };
constexpr const char* kLogLinkKeys[size_t(LogLink::Count)] = {"Program", "AddExe", "Help",
                                                              "Homepage", "Uninstall"};

// Group UserTask, of setup.ini (the Install tasks) and of the log (their records) alike:
// Number, then Task1 to Task<Number>.
constexpr char kUserTaskGroup[] = "UserTask";
constexpr char kTaskCountKey[] = "Number";
// The installer reads Number as a signed 16-bit value; more records than a setup
// description can number means the log was not written by an installation.
constexpr int32_t kMostTasks = 32767;
// Groups Files and Dirs are read key by key up to F99999 and D99999.
constexpr uint32_t kMostLogNumbered = 99999;

// `value` in decimal with leading zeros up to `minDigits` (DecimalText(1, 3) is "001").
// Without a formatted-print library, which the uninstaller does without.
std::string DecimalText(uint32_t value, unsigned minDigits = 1);
// "F001", "F002", ... of group Files and "D001", ... of group Dirs, `n` counting from 1.
std::string LogFileKey(uint32_t n);
std::string LogDirKey(uint32_t n);
// "Task1", "Task2", ... of group UserTask.
std::string LogTaskKey(uint32_t n);

// The kind of an Install task of setup.ini (its first field, of which the installer takes
// the low 8 bits as a signed number) and of the uninstall record it leaves. Kinds 7 and 8
// and every other number leave no record; 7 and numbers outside 0 to kLastTaskKind do
// nothing.
enum class TaskKind : int8_t {
    DesktopLink = 0,       // record: shortcut path
    StartMenuLink = 1,     // record: shortcut path
    DesktopWebLink = 2,    // record: shortcut path
    StartMenuWebLink = 3,  // record: shortcut path
    StartupLink = 4,       // record: shortcut path
    PackageFile = 5,       // record: destination path
    RegistryValue = 6,     // record: root key as unsigned decimal | subkey | value name
    Nothing = 7,           // accepted, does nothing
    PreferenceKey = 8,     // no record
    SystemFile = 9,        // record: system folder ending in "\" | full target path
    Association = 10,      // record: extension without the dot | program file name
};
constexpr TaskKind kLastTaskKind = TaskKind::Association;

// The registry roots a registry task may name, by their predefined numbers: the classes
// root, the current user and the local machine. The users root and the current-config
// root are refused, since a value written there is not where a program looks for it; the
// installer, the uninstaller and the authoring tool's check all ask this one test.
constexpr uint32_t kRegRootClasses = 0x80000000u;
constexpr uint32_t kRegRootCurrentUser = 0x80000001u;
constexpr uint32_t kRegRootLocalMachine = 0x80000002u;
constexpr bool IsTaskRegRoot(uint32_t number) noexcept {
    return number == kRegRootClasses || number == kRegRootCurrentUser ||
           number == kRegRootLocalMachine;
}

// One uninstall record: the kind in decimal, then each field after a "|".
std::string UninstallRecord(TaskKind kind, std::initializer_list<std::string> fields);

struct ParsedRecord {
    int Kind = -1;                    // -1 when the record does not start with a kind
    std::vector<std::string> Fields;  // the fields after the kind
};
// Splits a record back into its kind and fields; a kind is one to three digits.
ParsedRecord ParseUninstallRecord(const std::string& record);

// The uninstall entry's key under HKEY_LOCAL_MACHINE (HKEY_CURRENT_USER for a per-user
// installation): the list's key followed by the GUID,
// or by the program's shortcut name when there is no GUID. Empty when that name is empty
// or holds a separator: such an entry could not be found again as one key of the list.
std::string UninstallKeyFor(const std::string& guid, const std::string& progLink);

// True for a name that stays below the folder it is joined to, from a Package or from the
// log: not empty, not absolute ("\...", "/...", UNC), no drive letter or stream (no ":"),
// no empty part (but a folder's closing separator), no part made only of dots and blanks
// ("." and "..", which Windows would also read for "..."), no device name (CON, NUL,
// COM1...), and no control, wildcard or quoting character. A dot pair inside a name
// ("notes..txt", "v1..2\") is an ordinary name. Either separator counts.
bool IsSafeRelativePath(const std::string& name) noexcept;

}  // namespace wb
