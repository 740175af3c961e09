// Removing an installation from its Uninstall log: the Install tasks' records, the
// shortcuts, the program's files and folders, the uninstall entry, the log and the
// uninstaller itself, in that order and never anything the log does not name.
#pragma once

#include <string>

#include "platform/registry.h"
#include "uninstaller/uninstall_log_reader.h"

namespace wb {

struct RemovalOptions {
    // Also remove everything else inside ProgDir (files the user made there too).
    bool DelAll = false;
    // The running uninstaller's own file: removed last, or left for SelfPending.
    std::string SelfPath;
};

struct RemovalResult {
    int Failed = 0;            // things that exist and could not be removed or undone
    bool SelfPending = false;  // the uninstaller's file (and so ProgDir) is still there
};

// Told the name of each thing before it is removed; may be null.
using RemovalProgress = void (*)(void* context, const std::string& item);

// Removes what `log` (read as LogStatus::Ok) records. Goes on after every failure.
RemovalResult RemoveInstallation(const UninstallLog& log, const RemovalOptions& options,
                                 RemovalProgress progress = nullptr, void* context = nullptr);

// The uninstall entry's key (named by GUID, else ProgLink); empty when neither names a
// single key. It lies under UninstallEntryRoot: the current user's for a per-user
// installation, else the machine's.
std::string UninstallEntryKey(const UninstallLog& log);
RegRoot UninstallEntryRoot(const UninstallLog& log);

// Undoes one record of group UserTask (of a per-user installation with `perUser`). False
// when what it names exists and stays.
bool UndoTaskRecord(const std::string& record, const std::string& progDir, bool perUser = false);

// Removes the association keys of extension `ext` that still lead to `progName` in
// `progDir`, in both layouts (with `perUser`, only the layout a per-user installation
// writes into the user's own classes); keys another program took since stay. False when
// one of ours stays.
bool UndoAssociation(const std::string& ext, const std::string& progName,
                     const std::string& progDir, bool perUser = false);

// True when the log names a mutex and a program holds it.
bool InstalledProgramRuns(const UninstallLog& log);
// The Mutex text as the message shows it: its two parts on two lines, "$Titel" replaced
// by the program name.
std::string RunningProgramMessage(const UninstallLog& log);

// Exit codes of the uninstaller.
constexpr int kExitRemoved = 0;
constexpr int kExitStopped = 1;    // cancelled, or the program is running
constexpr int kExitIncomplete = 2; // something stayed, or no usable log

// The whole run without a window: the log of `folder`, the running-program test, the
// removal. Returns the exit code; `result` (may be null) gets the removal's result.
int UninstallQuietly(const std::string& folder, const std::string& selfPath,
                     RemovalResult* result = nullptr);

}  // namespace wb
