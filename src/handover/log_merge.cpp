// Merging an earlier installation's Uninstall log into the new one.
#include "handover/log_merge.h"

#include "config/pref_file.h"
#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/files.h"
#include "platform/text.h"

#include <unordered_set>

namespace wb {

namespace {

// The earlier log, from RememberEarlierLog to MergeEarlierLog.
struct Earlier {
    bool Present = false;
    LogContents Records;
} g_earlier;

constexpr uint32_t kMostNumbered = kMostLogNumbered;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list) {
        if (SameTextNoCase(entry, item)) return true;
    }
    return false;
}

// The form two names that the file system and the registry take for one are equal in.
std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

// Logs near the record limit hold tens of thousands of names: one look-up each, not a
// comparison with every other.
void AddMissing(const std::vector<std::string>& from, const std::vector<std::string>& present,
                std::vector<std::string>& to) {
    std::unordered_set<std::string> seen;
    for (const std::string& item : present) seen.insert(Folded(item));
    for (const std::string& item : to) seen.insert(Folded(item));
    for (const std::string& item : from) {
        if (!item.empty() && seen.insert(Folded(item)).second) to.push_back(item);
    }
}

// A drive path, a share, or (native builds) a rooted path; bare names are not.
bool IsAbsolute(const std::string& path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    return path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// The path a shortcut or file record names, else empty.
std::string RecordPath(const std::string& record) {
    const ParsedRecord parsed = ParseUninstallRecord(record);
    return parsed.Fields.size() == 1 ? parsed.Fields[0] : std::string();
}

}  // namespace

LogAdditions EarlierOnly(const LogContents& earlier, const LogContents& current) {
    LogAdditions add;
    AddMissing(earlier.Files, current.Files, add.Files);
    AddMissing(earlier.Dirs, current.Dirs, add.Dirs);

    // Every path the new log already removes, so no record repeats one.
    std::vector<std::string> removed = current.Links;
    if (!current.DesktopIcon.empty()) removed.push_back(current.DesktopIcon);
    for (const std::string& task : current.Tasks) removed.push_back(RecordPath(task));

    std::vector<std::string> shortcuts;
    // Without a Start-menu folder the earlier links were bare names: nothing was made.
    for (const std::string& link : earlier.Links) {
        if (IsAbsolute(link) && !Contains(removed, link)) {
            shortcuts.push_back(UninstallRecord(TaskKind::StartMenuLink, {link}));
        }
    }
    if (IsAbsolute(earlier.DesktopIcon) && !Contains(removed, earlier.DesktopIcon)) {
        shortcuts.push_back(UninstallRecord(TaskKind::DesktopLink, {earlier.DesktopIcon}));
    }
    // Earlier records first: they were made before this installation's.
    std::vector<std::string> tasks;
    AddMissing(earlier.Tasks, current.Tasks, tasks);
    AddMissing(shortcuts, current.Tasks, tasks);
    AddMissing(tasks, {}, add.Tasks);
    return add;
}

LogAdditions FitWithinReadLimits(size_t files, size_t dirs, std::vector<std::string>& tasks,
                                 LogAdditions& add) {
    LogAdditions left;
    // This installation's own records repeat one another when two tasks write the same
    // value or file; one record removes it.
    std::vector<std::string> unique;
    AddMissing(tasks, {}, unique);
    tasks.swap(unique);
    const auto fit = [](std::vector<std::string>& extra, size_t present, size_t most,
                        std::vector<std::string>& over) {
        const size_t room = present >= most ? 0 : most - present;
        if (extra.size() <= room) return;
        over.assign(extra.begin() + std::ptrdiff_t(room), extra.end());
        extra.resize(room);
    };
    fit(add.Files, files, kMostNumbered, left.Files);
    fit(add.Dirs, dirs, kMostNumbered, left.Dirs);
    fit(add.Tasks, tasks.size(), size_t(kMostTasks), left.Tasks);
    // Should this installation alone fill the log, its own newest records are kept in the
    // order they were made, so the count the uninstaller reads is never passed.
    if (tasks.size() > size_t(kMostTasks)) {
        left.Tasks.insert(left.Tasks.end(), tasks.begin() + kMostTasks, tasks.end());
        tasks.resize(size_t(kMostTasks));
    }
    return left;
}

size_t KeepInsideFolder(LogContents& records, const std::string& folder) {
    size_t dropped = 0;
    for (const std::string& link : records.Links) dropped += link.empty() ? 0 : 1;
    records.Links.assign(records.Links.size(), std::string());
    dropped += records.DesktopIcon.empty() ? 0 : 1;
    records.DesktopIcon.clear();
    std::vector<std::string> kept;
    for (const std::string& task : records.Tasks) {
        const ParsedRecord parsed = ParseUninstallRecord(task);
        const bool pathRecord = parsed.Kind >= int(TaskKind::DesktopLink) &&
                                parsed.Kind <= int(TaskKind::PackageFile);
        const std::string path = RecordPath(task);
        const bool inside = pathRecord && path.size() > folder.size() &&
                            SameTextNoCase(path.substr(0, folder.size()), folder) &&
                            IsSafeRelativePath(path.substr(folder.size()));
        if (inside) {
            kept.push_back(task);
        } else if (!task.empty()) {
            ++dropped;
        }
    }
    records.Tasks = std::move(kept);
    return dropped;
}

void RememberEarlierLog(const std::string& folder, bool trusted) {
    g_earlier = Earlier{};
    const std::string path = folder + kUninstallLogName;
    const LogRead read = ReadLogFile(folder, g_earlier.Records);
    switch (read) {
        case LogRead::Ok: break;
        case LogRead::Missing: return;
        case LogRead::Unreadable:
            LogLine("The earlier Uninstall log " + path + " cannot be read: not merged");
            return;
        case LogRead::NoSettings:
        case LogRead::BadTaskCount:
            // A damaged log's records are a guess; the earlier installation's files stay
            // rather than removing what it may not have made.
            LogLine("The earlier Uninstall log " + path + " is damaged (" +
                    (read == LogRead::NoSettings ? "no Settings" : "a task count its records do "
                                                                   "not bear out") +
                    "): not merged, and what it lists stays on removal");
            g_earlier.Records = LogContents{};
            return;
    }
    g_earlier.Present = g_earlier.Records.HasGuid;
    if (!g_earlier.Present || trusted) return;
    const size_t dropped = KeepInsideFolder(g_earlier.Records, folder);
    if (dropped > 0) {
        LogLine("REFUSED " + std::to_string(dropped) + " record(s) of the earlier Uninstall log " +
                path + " that lead outside the installation folder: ordinary users can write "
                "that log, and this setup runs with administrator rights");
    }
}

void MergeEarlierLog(const std::string& guid) {
    if (!g_earlier.Present) return;
    const LogContents& earlier = g_earlier.Records;
    if (guid.empty() || !SameTextNoCase(earlier.GUID, guid)) {
        // Another program's records must not be removed with this one; its files stay
        // where they are, and the log says so.
        LogLine("The installation folder held the Uninstall log of another program (GUID " +
                (earlier.GUID.empty() ? std::string("none") : earlier.GUID) +
                "): its records are not taken over, and what it installed stays on removal");
        g_earlier = Earlier{};
        return;
    }
    // The new log as written so far (the open document), read as the uninstaller will.
    LogContents current;
    if (ReadLogContents(PrefOpenDocument(), current) != LogRead::Ok) {
        LogLine("The new Uninstall log does not read back whole: the earlier one is not merged");
        g_earlier = Earlier{};
        return;
    }

    LogAdditions add = EarlierOnly(earlier, current);
    const LogAdditions left =
        FitWithinReadLimits(current.Files.size(), current.Dirs.size(), current.Tasks, add);
    PrefGroup(kLogFiles);
    for (size_t i = 0; i < add.Files.size(); ++i) {
        PrefWriteString(LogFileKey(uint32_t(current.Files.size() + i + 1)).c_str(),
                        add.Files[i].c_str());
    }
    PrefGroup(kLogDirs);
    for (size_t i = 0; i < add.Dirs.size(); ++i) {
        PrefWriteString(LogDirKey(uint32_t(current.Dirs.size() + i + 1)).c_str(),
                        add.Dirs[i].c_str());
    }
    // The earlier records go first, then this installation's, densely numbered.
    PrefGroup(kUserTaskGroup);
    std::vector<std::string> tasks = add.Tasks;
    tasks.insert(tasks.end(), current.Tasks.begin(), current.Tasks.end());
    PrefWriteNumber(kTaskCountKey, int32_t(tasks.size()));
    for (size_t i = 0; i < tasks.size(); ++i) {
        PrefWriteString(LogTaskKey(uint32_t(i + 1)).c_str(), tasks[i].c_str());
    }
    // Past the last record the uninstaller reads, a record would make the whole log
    // unreadable and nothing would be removed; what does not fit is named instead, so an
    // administrator knows what stays on removal.
    for (const std::string& file : left.Files) {
        LogLine("The Uninstall log is full: the earlier file " + file + " stays on removal");
    }
    for (const std::string& dir : left.Dirs) {
        LogLine("The Uninstall log is full: the earlier folder " + dir + " stays on removal");
    }
    for (const std::string& task : left.Tasks) {
        LogLine("The Uninstall log is full: the record " + task + " is not kept and stays on removal");
    }
    LogLine("Upgrade over " + (earlier.Version.empty() ? std::string("an earlier version")
                                                       : "version " + earlier.Version) +
            " of this program: its Uninstall log is merged (" + std::to_string(add.Files.size()) +
            " files, " + std::to_string(add.Dirs.size()) + " folders, " +
            std::to_string(add.Tasks.size()) + " records that this version no longer makes)");
    g_earlier = Earlier{};
}

}  // namespace wb
