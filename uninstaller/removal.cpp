// The removal order and the file-system side of the uninstaller.
#include "uninstaller/removal.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "config/pref_file.h"
#include "config/registry_text.h"
#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "uninstaller/safe_paths.h"

namespace wb {
namespace {

// Below this a folder tree is not one an installation made; stopping keeps a link loop
// the listing did not recognise from recursing without end.
constexpr int kDeepestTree = 128;

struct ListedFolder {
    std::string Path;
    std::vector<FolderEntry> Entries;
};

struct Run {
    const UninstallLog& Log;
    const RemovalOptions& Options;
    RemovalProgress Progress;
    void* Context;
    RemovalResult Result;
    std::vector<std::string> Protected;
    std::vector<ListedFolder> Listed;  // folders already looked at for links
    std::string Current;               // the item told last, for the log
    bool CurrentExisted = false;       // whether it was on disk before its removal
};

bool IsPathItem(const std::string& item) { return IsAbsolutePath(item); }

// Names the item the next Count is about, for the log only.
void Note(Run& run, const std::string& item) {
    run.Current = item;
    run.CurrentExisted = IsPathItem(item) && PathExists(item.c_str());
}

void Tell(Run& run, const std::string& item) {
    Note(run, item);
    if (run.Progress) run.Progress(run.Context, item);
}

// Counts a failure and logs what became of the item told last: removed, already gone
// before (an upgrade's records of things a later version dropped), kept because it still
// holds what the log does not name, or not removable.
void Count(Run& run, bool done) {
    if (!done) ++run.Result.Failed;
    const std::string& item = run.Current;
    if (!done) {
        LogLine("Could NOT remove: " + item);
    } else if (!IsPathItem(item)) {
        LogLine("Removed: " + item);
    } else if (PathExists(item.c_str())) {
        LogLine("Kept (it holds files the log does not name): " + item);
    } else {
        LogLine((run.CurrentExisted ? "Removed: " : "Already gone: ") + item);
    }
    run.Current.clear();
}

// Gone afterwards (or never there) is success; a folder in the file's place is not ours.
bool RemoveFileIfPresent(const std::string& path) {
    int64_t length = PathLength(path.c_str());
    if (length == -1) return true;
    if (length == -2) return false;
    return FileDelete(path.c_str()) || PathLength(path.c_str()) == -1;
}

// A folder that still holds anything stays, and that is no failure: it holds what the
// log does not name.
bool RemoveFolderIfEmpty(const std::string& folder) {
    if (!FolderExists(folder.c_str())) return true;
    if (!FolderListEntries(folder.c_str()).empty()) return true;
    return FolderRemove(folder.c_str()) || !FolderExists(folder.c_str());
}

bool IsKept(const std::string& path, const std::vector<std::string>& keep) {
    for (const std::string& k : keep) {
        if (SamePath(path, k)) return true;
    }
    return false;
}

// Removes everything inside `folder` but `keep`; returns how much stayed.
int RemoveContents(const std::string& folder, const std::vector<std::string>& keep, int depth) {
    if (depth > kDeepestTree) return 1;
    int failed = 0;
    for (const FolderEntry& e : FolderListEntries(folder.c_str())) {
        std::string path = folder + e.Name;
        if (IsKept(path, keep)) continue;
        if (e.IsLink) {
            // The link goes, never what it leads to.
            if (!FileDelete(path.c_str()) && !FolderRemove(path.c_str())) ++failed;
        } else if (e.IsFolder) {
            failed += RemoveContents(WithTrailingSlash(path), keep, depth + 1);
            if (!FolderRemove(path.c_str()) && FolderExists(path.c_str())) ++failed;
        } else if (!FileDelete(path.c_str())) {
            ++failed;
        }
    }
    return failed;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && EndsWithNoCase(a, b);
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

bool IsKeyName(const std::string& name) {
    return !name.empty() && name.find_first_of("\\/") == std::string::npos;
}

// An open command ("path" "%1") whose program is `progName` inside `progDir`.
bool LeadsToProgram(const std::string& command, const std::string& progName,
                    const std::string& progDir) {
    if (command.size() < 2 || command[0] != '"') return false;
    size_t close = command.find('"', 1);
    if (close == std::string::npos) return false;
    std::string program = command.substr(1, close - 1);
    return IsInsideFolder(program, progDir) && EqualsNoCase(FileNamePart(program), progName);
}

std::string ReadDefault(RegRoot root, const std::string& key, const char* name = "") {
    return RegReadText(root, key.c_str(), name);
}

// True when `entry` (relative to ProgDir) passes through a link or is one: a junction
// someone put into the program folder must not lead a removal elsewhere.
bool LeadsThroughLink(Run& run, const std::string& entry) {
    std::string folder = run.Log.ProgDir;
    size_t begin = 0;
    while (begin < entry.size()) {
        size_t end = entry.find_first_of("\\/", begin);
        if (end == std::string::npos) end = entry.size();
        std::string name = entry.substr(begin, end - begin);
        begin = end + 1;
        if (name.empty()) continue;
        ListedFolder* listed = nullptr;
        for (ListedFolder& l : run.Listed) {
            if (l.Path == folder) listed = &l;
        }
        if (!listed) {
            run.Listed.push_back({folder, FolderListEntries(folder.c_str())});
            listed = &run.Listed.back();
        }
        for (const FolderEntry& e : listed->Entries) {
            if (e.IsLink && EqualsNoCase(e.Name, name)) return true;
        }
        folder += name + "\\";
    }
    return false;
}

// A kind number beyond the task kinds' range must not wrap onto one of them.
TaskKind KindOf(const ParsedRecord& r) {
    return r.Kind >= 0 && r.Kind <= INT8_MAX ? TaskKind(r.Kind) : TaskKind(-1);
}

// What the status line shows for a record: the file, the registry value, the extension.
std::string RecordItem(const std::string& record) {
    ParsedRecord r = ParseUninstallRecord(record);
    const std::vector<std::string>& f = r.Fields;
    if (f.empty()) return record;
    switch (KindOf(r)) {
        case TaskKind::RegistryValue:
            if (f.size() > 2) return f[1] + "\\" + f[2];
            return f.size() > 1 ? f[1] : f[0];
        case TaskKind::SystemFile: return f.size() > 1 ? f[1] : f[0];
        case TaskKind::Association: return "." + f[0];
        default: return f[0];
    }
}

void RemoveTasks(Run& run) {
    const std::vector<std::string>& tasks = run.Log.Tasks;
    for (size_t i = tasks.size(); i-- > 0;) {
        if (tasks[i].empty()) continue;
        Tell(run, RecordItem(tasks[i]));
        Count(run, UndoTaskRecord(tasks[i], run.Log.ProgDir, run.Log.PerUser));
    }
}

// Shell links, and Internet Shortcuts for web addresses; logs of earlier installations name
// .lnk files for web links too.
bool RemoveLink(const std::string& path) {
    if (!IsAbsolutePath(path) || !(EndsWithNoCase(path, ".lnk") || EndsWithNoCase(path, ".url"))) {
        return false;
    }
    return RemoveFileIfPresent(path);
}

void RemoveShortcuts(Run& run) {
    for (const std::string& link : run.Log.StartMenuLinks) {
        // Without a Start-menu folder the entries are bare names: nothing was made.
        if (!IsAbsolutePath(link)) continue;
        Tell(run, link);
        Count(run, RemoveLink(link));
    }
    const std::string& menu = run.Log.StartMenu;
    if (IsAbsolutePath(menu) && !IsProtectedFolder(menu, run.Protected)) {
        Note(run, WithTrailingSlash(menu));
        Count(run, RemoveFolderIfEmpty(WithTrailingSlash(menu)));
    }
    if (!run.Log.DesktopIcon.empty()) {
        Tell(run, run.Log.DesktopIcon);
        Count(run, RemoveLink(run.Log.DesktopIcon));
    }
}

bool IsTopLevelLog(const std::string& entry) { return EqualsNoCase(entry, kUninstallLogName); }

void RemoveFiles(Run& run) {
    for (const std::string& entry : run.Log.Files) {
        if (!IsSafeRelativePath(entry) || LeadsThroughLink(run, entry)) {
            ++run.Result.Failed;  // refused: it could lead out of the installation folder
            LogLine("Refused (it could lead out of the installation folder): " + entry);
            continue;
        }
        std::string path = run.Log.ProgDir + entry;
        // The log and the running program go last.
        if (IsTopLevelLog(entry) || SamePath(path, run.Options.SelfPath)) continue;
        Tell(run, path);
        Count(run, RemoveFileIfPresent(path));
    }
}

// What an installation staged and never moved into place: the folder of a killed run, or
// files a restart was to move in, which must not arrive once the program is gone. They are
// the installer's own, flat, never the user's, so they go with or without DelAll.
void RemoveStaging(Run& run) {
    if (IsProtectedFolder(run.Log.ProgDir, run.Protected)) return;
    const size_t prefix = sizeof(kStagingFolderPrefix) - 1;
    for (const FolderEntry& e : FolderListEntries(run.Log.ProgDir.c_str())) {
        if (!e.IsFolder || e.IsLink || e.Name.size() <= prefix ||
            !EqualsNoCase(e.Name.substr(0, prefix), kStagingFolderPrefix)) {
            continue;
        }
        const std::string folder = WithTrailingSlash(run.Log.ProgDir + e.Name);
        Tell(run, folder);
        bool removed = true;
        for (const std::string& name : FolderListFiles(folder.c_str())) {
            removed &= FileDelete((folder + name).c_str());
        }
        Count(run, FolderRemove((run.Log.ProgDir + e.Name).c_str()) && removed);
    }
}

size_t Depth(const std::string& path) {
    size_t n = 0;
    for (char c : path) n += (c == '\\' || c == '/') ? 1 : 0;
    return n;
}

void RemoveFolders(Run& run, bool delAll) {
    std::vector<std::string> keep = {run.Log.ProgDir + kUninstallLogName, run.Options.SelfPath};
    std::vector<std::string> dirs;
    for (const std::string& entry : run.Log.Dirs) {
        if (!IsSafeRelativePath(entry)) {
            ++run.Result.Failed;
            LogLine("Refused (it could lead out of the installation folder): " + entry);
            continue;
        }
        // A link stays out of this step; DelAll's sweep of ProgDir removes the link itself.
        if (LeadsThroughLink(run, entry)) continue;
        dirs.push_back(WithTrailingSlash(run.Log.ProgDir + entry));
    }
    // Inner folders first, so that their parents can be empty when their turn comes;
    // folders of one depth keep the log's order.
    for (size_t i = 1; i < dirs.size(); ++i) {
        for (size_t j = i; j > 0 && Depth(dirs[j - 1]) < Depth(dirs[j]); --j) {
            std::swap(dirs[j - 1], dirs[j]);
        }
    }
    for (const std::string& dir : dirs) {
        if (IsProtectedFolder(dir, run.Protected)) continue;
        Tell(run, dir);
        if (delAll) run.Result.Failed += RemoveContents(dir, keep, 0);
        Count(run, RemoveFolderIfEmpty(dir));
    }
    if (delAll) {
        Tell(run, run.Log.ProgDir);
        run.Result.Failed += RemoveContents(run.Log.ProgDir, keep, 0);
    }
}

void RemoveLogAndSelf(Run& run) {
    std::string key = UninstallEntryKey(run.Log);
    if (!key.empty()) {
        Tell(run, key);
        Count(run, RegRemoveKeyTree(UninstallEntryRoot(run.Log), key.c_str()));
    }
    std::string log = run.Log.ProgDir + kUninstallLogName;
    Tell(run, log);
    Count(run, RemoveFileIfPresent(log));
    const std::string& self = run.Options.SelfPath;
    if (!self.empty() && IsInsideFolder(self, run.Log.ProgDir) &&
        PathLength(self.c_str()) >= 0 && !FileDelete(self.c_str())) {
        run.Result.SelfPending = true;  // a running program's file: finished from elsewhere
    }
    if (!run.Result.SelfPending && !IsProtectedFolder(run.Log.ProgDir, run.Protected)) {
        Note(run, run.Log.ProgDir);
        Count(run, RemoveFolderIfEmpty(run.Log.ProgDir));
    } else if (run.Result.SelfPending) {
        LogLine("Left for a moment after this program ends: " + self + " and " +
                run.Log.ProgDir);
    }
}

}  // namespace

std::string UninstallEntryKey(const UninstallLog& log) {
    return UninstallKeyFor(log.GUID, log.ProgLink);
}

RegRoot UninstallEntryRoot(const UninstallLog& log) {
    return log.PerUser ? RegRoot::CurrentUser : RegRoot::LocalMachine;
}

bool UndoAssociation(const std::string& ext, const std::string& progName,
                     const std::string& progDir, bool perUser) {
    if (!IsKeyName(ext) || !IsKeyName(progName)) return false;
    bool ok = true;
    if (!perUser) {
        // Machine-wide layout: .ext names the program, whose key holds the command.
        const std::string classes = "Software\\Classes\\";
        const std::string extKey = classes + "." + ext;
        const std::string progKey = classes + progName;
        std::string command =
            ReadDefault(RegRoot::LocalMachine, progKey + "\\shell\\open\\command");
        bool progKeyOurs = LeadsToProgram(command, progName, progDir);
        if (EqualsNoCase(ReadDefault(RegRoot::LocalMachine, extKey), progName) &&
            (progKeyOurs || command.empty())) {
            ok &= RegRemoveValue(RegRoot::LocalMachine, extKey.c_str(), "");
            ok &= RegRemoveEmptyKeys(RegRoot::LocalMachine, extKey.c_str());
        }
        if (progKeyOurs) ok &= RegRemoveKeyTree(RegRoot::LocalMachine, progKey.c_str());
    }

    // Per-user layout: the program registered as an application, .ext pointing at the
    // type "<ext>_auto_file" and the Explorer's choice naming the program. A per-user
    // installation wrote these keys into the user's own classes.
    const RegRoot root = perUser ? RegRoot::CurrentUser : RegRoot::ClassesRoot;
    const std::string prefix = perUser ? "Software\\Classes\\" : "";
    const std::string appKey = prefix + "Applications\\" + progName;
    std::string appCommand = ReadDefault(root, appKey + "\\shell\\open\\command");
    bool appOurs = LeadsToProgram(appCommand, progName, progDir);
    const std::string choiceKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." + ext;
    std::string choice = ReadDefault(RegRoot::CurrentUser, choiceKey, "Application");
    bool choiceOurs = EqualsNoCase(choice, progName) && (appOurs || appCommand.empty());
    if (choiceOurs) {
        ok &= RegRemoveValue(RegRoot::CurrentUser, choiceKey.c_str(), "Application");
        ok &= RegRemoveEmptyKeys(RegRoot::CurrentUser, choiceKey.c_str());
    }
    const std::string typeKey = prefix + ext + "_auto_file";
    const std::string dotExt = prefix + "." + ext;
    if ((appOurs || choiceOurs) && (choice.empty() || choiceOurs) &&
        EqualsNoCase(ReadDefault(root, dotExt), ext + "_auto_file")) {
        std::string typeCommand = ReadDefault(root, typeKey + "\\shell\\open\\command");
        if (typeCommand.empty() || LeadsToProgram(typeCommand, progName, progDir)) {
            ok &= RegRemoveValue(root, dotExt.c_str(), "");
            ok &= RegRemoveEmptyKeys(root, dotExt.c_str());
            ok &= RegRemoveKeyTree(root, typeKey.c_str());
        }
    }
    if (appOurs) {
        ok &= RegRemoveKeyTree(root, appKey.c_str());
        ok &= RegRemoveEmptyKeys(root, (prefix + "Applications").c_str());
    }
    return ok;
}

bool UndoTaskRecord(const std::string& record, const std::string& progDir, bool perUser) {
    ParsedRecord r = ParseUninstallRecord(record);
    const std::vector<std::string>& f = r.Fields;
    if (r.Kind < 0) return false;
    switch (KindOf(r)) {
        case TaskKind::DesktopLink:
        case TaskKind::StartMenuLink:
        case TaskKind::DesktopWebLink:
        case TaskKind::StartMenuWebLink:
        case TaskKind::StartupLink:
            return !f.empty() && RemoveLink(f[0]);
        case TaskKind::PackageFile:
            if (f.empty()) return false;
            // Without a destination the file went to a folder nobody recorded.
            if (!IsAbsolutePath(f[0])) return true;
            return RemoveFileIfPresent(f[0]);
        case TaskKind::RegistryValue: {
            if (f.size() < 2 || f[1].empty()) return false;
            RegRoot root;
            if (!RegRootFromNumber(uint32_t(ParseLeadingNumber(f[0])), root)) return false;
            std::string name = f.size() > 2 ? f[2] : std::string();
            for (size_t i = 3; i < f.size(); ++i) name += "|" + f[i];
            // The key goes too once nothing else is in it: the task made it for this value.
            return RegRemoveValue(root, f[1].c_str(), name.c_str()) &&
                   RegRemoveEmptyKeys(root, f[1].c_str());
        }
        case TaskKind::SystemFile: {
            // Only a library that came with the program was recorded; the system's own
            // regsvr32 unregisters it, whatever folder the record names.
            if (f.size() < 2 || !IsInsideFolder(f[1], progDir)) return false;
            if (PathLength(f[1].c_str()) < 0) return true;
            // A program was only run, never registered: regsvr32 takes libraries alone.
            if (EndsWithNoCase(f[1], ".exe")) return true;
            std::string regsvr = WithTrailingSlash(SystemFolderPath()) + "regsvr32.exe";
            std::string parameters = "/u /s \"" + f[1] + "\"";
            uint32_t code = 1;
            return RunAndWait(regsvr.c_str(), parameters.c_str(), code) && code == 0;
        }
        case TaskKind::Association:
            return f.size() >= 2 && UndoAssociation(f[0], f[1], progDir, perUser);
        default:
            return true;  // kinds that leave nothing to undo
    }
}

RemovalResult RemoveInstallation(const UninstallLog& log, const RemovalOptions& options,
                                 RemovalProgress progress, void* context) {
    Run run{log, options, progress, context, {}, ProtectedFolders(), {}, {}, false};
    // A DelAll that would empty a system folder or a drive is not done.
    bool delAll = options.DelAll && !IsProtectedFolder(log.ProgDir, run.Protected);
    RemoveTasks(run);
    RemoveShortcuts(run);
    RemoveFiles(run);
    RemoveStaging(run);
    RemoveFolders(run, delAll);
    RemoveLogAndSelf(run);
    return run.Result;
}

bool InstalledProgramRuns(const UninstallLog& log) {
    return !log.MutexString.empty() && MutexExists(log.MutexString.c_str());
}

std::string RunningProgramMessage(const UninstallLog& log) {
    std::string text = log.Texts.Mutex;
    ReplaceAll(text, "$Titel", log.ProgName);
    size_t bar = text.find('|');
    if (bar != std::string::npos) text[bar] = '\n';
    return text;
}

int UninstallQuietly(const std::string& folder, const std::string& selfPath,
                     RemovalResult* result) {
    UninstallLog log;
    const LogStatus status = ReadUninstallLog(folder, log);
    if (status != LogStatus::Ok) {
        LogLine(folder + kUninstallLogName + " is " +
                (status == LogStatus::Missing ? "missing" : "damaged") + ": nothing removed");
        return kExitIncomplete;
    }
    LogLine("Removing " + log.ProgName + " " + log.Version + " from " + log.ProgDir);
    if (InstalledProgramRuns(log)) {
        LogLine("The program is running (mutex " + log.MutexString + "): nothing removed");
        return kExitStopped;
    }
    RemovalOptions options;
    options.SelfPath = selfPath;
    RemovalResult r = RemoveInstallation(log, options);
    if (result) *result = r;
    if (r.Failed) LogLine(std::to_string(r.Failed) + " item(s) could not be removed");
    return r.Failed ? kExitIncomplete : kExitRemoved;
}

}  // namespace wb
