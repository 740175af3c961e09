// The Uninstall log reader, over the one process-wide Preference document.
#include "uninstaller/uninstall_log_reader.h"

#include "config/pref_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "uninstaller/safe_paths.h"

namespace wb {
namespace {

// Numbered keys F001, D001, ... until the first one that is missing.
std::vector<std::string> ReadNumbered(const char* group, std::string (*keyOf)(uint32_t)) {
    std::vector<std::string> values;
    if (!PrefGroup(group)) return values;
    for (uint32_t n = 1; n <= kMostLogNumbered; ++n) {
        std::string key = keyOf(n);
        // A present key with an empty value reads as the default too; the sentinel keeps
        // "missing" apart from "empty".
        std::string value = PrefReadString(key.c_str(), "\x01");
        if (value == "\x01") break;
        values.push_back(value);
    }
    return values;
}

// The texts of group Language and their built-in English texts, in the order of LogText.
struct TextRow {
    std::string UninstallTexts::*Text;
    const char* Default;
};
const TextRow kTextRows[size_t(LogText::Count)] = {
    {&UninstallTexts::Titel, "uninstall Program"},
    {&UninstallTexts::Msg, "Program files And registry entries will be removed."},
    {&UninstallTexts::Version, "Version"},
    {&UninstallTexts::UninstInfo, "Remove the following Program from your computer:"},
    {&UninstallTexts::DelAll, "Delete all(!) files in the directory (including user files)."},
    {&UninstallTexts::Error, "Uninstalling Program Not possible."},
    {&UninstallTexts::Mutex, "Close Program '$Titel' first!|Then press OK!"},
    {&UninstallTexts::Status, "Uninstalling completed."},
    {&UninstallTexts::OK, "OK"},
    {&UninstallTexts::Cancel, "Cancel"},
    {&UninstallTexts::Ready, "Ready"},
};

void ReadTexts(UninstallTexts& t) {
    t = DefaultUninstallTexts();
    if (!PrefGroup(kLogLanguage)) return;
    for (size_t i = 0; i < size_t(LogText::Count); ++i) {
        const TextRow& r = kTextRows[i];
        t.*r.Text = PrefReadString(kLogTextKeys[i], (t.*r.Text).c_str());
    }
}

}  // namespace

UninstallTexts DefaultUninstallTexts() {
    UninstallTexts t;
    for (const TextRow& r : kTextRows) t.*r.Text = r.Default;
    return t;
}

LogStatus ReadUninstallLog(const std::string& folder, UninstallLog& log) {
    log = UninstallLog{};
    log.Texts = DefaultUninstallTexts();
    const std::string path = folder + kUninstallLogName;
    if (PathLength(path.c_str()) < 0) return LogStatus::Missing;
    if (!PrefOpen(path.c_str())) {
        PrefClose();
        return LogStatus::Damaged;
    }
    ReadTexts(log.Texts);

    LogStatus status = LogStatus::Ok;
    if (!PrefGroup(kLogSettings)) {
        status = LogStatus::Damaged;
    } else {
        struct Row {
            const char* Key;
            std::string UninstallLog::*Text;
        };
        static const Row rows[] = {
            {kLogProgName, &UninstallLog::ProgName},
            {kLogVersion, &UninstallLog::Version},
            {kLogMutexString, &UninstallLog::MutexString},
            {kLogProgDir, &UninstallLog::ProgDir},
            {kLogProgExe, &UninstallLog::ProgExe},
            {kLogGUID, &UninstallLog::GUID},
            {kLogProgLink, &UninstallLog::ProgLink},
            {kLogStartMenuDir, &UninstallLog::StartMenu},
            {kLogDesktopIcon, &UninstallLog::DesktopIcon}};
        for (const Row& r : rows) log.*r.Text = PrefReadString(r.Key);
        log.NoDelAll = PrefReadNumber(kLogNoDelAll, 0) == 1;
        log.PerUser = SameTextNoCase(PrefReadString(kLogScope), kLogScopeUser);
        // Everything the log names is relative to ProgDir, so it has to be this folder:
        // a log copied or edited to point elsewhere removes nothing.
        if (!IsAbsolutePath(log.ProgDir) || !SamePath(log.ProgDir, folder)) {
            status = LogStatus::Damaged;
        }
        log.ProgDir = WithTrailingSlash(log.ProgDir);
    }
    log.Files = ReadNumbered(kLogFiles, LogFileKey);
    log.Dirs = ReadNumbered(kLogDirs, LogDirKey);
    if (PrefGroup(kLogStartMenu)) {
        for (const char* key : kLogLinkKeys) log.StartMenuLinks.push_back(PrefReadString(key));
    }
    if (PrefGroup(kLogUserTask)) {
        int32_t number = PrefReadNumber(kLogTaskCount, 0);
        if (number < 0 || number > kMostLogTasks) {
            status = LogStatus::Damaged;
        } else {
            for (int32_t i = 1; i <= number; ++i) {
                log.Tasks.push_back(PrefReadString(LogTaskKey(uint32_t(i)).c_str()));
            }
        }
    }
    PrefClose();
    return status;
}

}  // namespace wb
