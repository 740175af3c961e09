// The Uninstall log reader, over the one process-wide Preference document.
#include "uninstaller/uninstall_log_reader.h"

#include "config/pref_file.h"
#include "platform/files.h"
#include "uninstaller/safe_paths.h"

namespace wb {
namespace {

// More tasks than a setup description can number (a signed 16-bit count) means the
// log was not written by an installation.
constexpr int32_t kMostTasks = 32767;

// Numbered keys F001, D001, ... until the first one that is missing.
std::vector<std::string> ReadNumbered(const char* group, char letter) {
    std::vector<std::string> values;
    if (!PrefGroup(group)) return values;
    for (unsigned n = 1; n < 100000; ++n) {
        std::string key = std::string(1, letter) + DecimalText(n, 3);
        // A present key with an empty value reads as the default too; the sentinel keeps
        // "missing" apart from "empty".
        std::string value = PrefReadString(key.c_str(), "\x01");
        if (value == "\x01") break;
        values.push_back(value);
    }
    return values;
}

// The keys of group Language and their built-in English texts.
struct TextRow {
    const char* Key;
    std::string UninstallTexts::*Text;
    const char* Default;
};
const TextRow kTextRows[] = {
    {"Titel", &UninstallTexts::Titel, "uninstall Program"},
    {"Msg", &UninstallTexts::Msg, "Program files And registry entries will be removed."},
    {"Version", &UninstallTexts::Version, "Version"},
    {"UninstInfo", &UninstallTexts::UninstInfo, "Remove the following Program from your computer:"},
    {"DelAll", &UninstallTexts::DelAll, "Delete all(!) files in the directory (including user files)."},
    {"Error", &UninstallTexts::Error, "Uninstalling Program Not possible."},
    {"Mutex", &UninstallTexts::Mutex, "Close Program '$Titel' first!|Then press OK!"},
    {"Status", &UninstallTexts::Status, "Uninstalling completed."},
    {"OK", &UninstallTexts::OK, "OK"},
    {"Cancel", &UninstallTexts::Cancel, "Cancel"},
    {"Ready", &UninstallTexts::Ready, "Ready"},
};

void ReadTexts(UninstallTexts& t) {
    t = DefaultUninstallTexts();
    if (!PrefGroup("Language")) return;
    for (const TextRow& r : kTextRows) t.*r.Text = PrefReadString(r.Key, (t.*r.Text).c_str());
}

}  // namespace

std::string DecimalText(uint32_t value, unsigned minDigits) {
    char digits[12];
    unsigned n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    std::string text(n < minDigits ? minDigits - n : 0, '0');
    while (n) text.push_back(digits[--n]);
    return text;
}

UninstallTexts DefaultUninstallTexts() {
    UninstallTexts t;
    for (const TextRow& r : kTextRows) t.*r.Text = r.Default;
    return t;
}

LogStatus ReadUninstallLog(const std::string& folder, UninstallLog& log) {
    log = UninstallLog{};
    log.Texts = DefaultUninstallTexts();
    const std::string path = folder + "uninstall.dat";
    if (PathLength(path.c_str()) < 0) return LogStatus::Missing;
    if (!PrefOpen(path.c_str())) {
        PrefClose();
        return LogStatus::Damaged;
    }
    ReadTexts(log.Texts);

    LogStatus status = LogStatus::Ok;
    if (!PrefGroup("Settings")) {
        status = LogStatus::Damaged;
    } else {
        struct Row {
            const char* Key;
            std::string UninstallLog::*Text;
        };
        static const Row rows[] = {
            {"ProgName", &UninstallLog::ProgName},   {"Version", &UninstallLog::Version},
            {"MutexString", &UninstallLog::MutexString}, {"ProgDir", &UninstallLog::ProgDir},
            {"ProgExe", &UninstallLog::ProgExe},     {"GUID", &UninstallLog::GUID},
            {"ProgLink", &UninstallLog::ProgLink},   {"StartMenu", &UninstallLog::StartMenu},
            {"DesktopIcon", &UninstallLog::DesktopIcon}};
        for (const Row& r : rows) log.*r.Text = PrefReadString(r.Key);
        log.NoDelAll = PrefReadNumber("NoDelAll", 0) == 1;
        // Everything the log names is relative to ProgDir, so it has to be this folder:
        // a log copied or edited to point elsewhere removes nothing.
        if (!IsAbsolutePath(log.ProgDir) || !SamePath(log.ProgDir, folder)) {
            status = LogStatus::Damaged;
        }
        log.ProgDir = WithTrailingSlash(log.ProgDir);
    }
    log.Files = ReadNumbered("Files", 'F');
    log.Dirs = ReadNumbered("Dirs", 'D');
    if (PrefGroup("StartMenu")) {
        for (const char* key : {"Program", "AddExe", "Help", "Homepage", "Uninstall"}) {
            log.StartMenuLinks.push_back(PrefReadString(key));
        }
    }
    if (PrefGroup("UserTask")) {
        int32_t number = PrefReadNumber("Number", 0);
        if (number < 0 || number > kMostTasks) {
            status = LogStatus::Damaged;
        } else {
            for (int32_t i = 1; i <= number; ++i) {
                std::string key = "Task" + DecimalText(uint32_t(i));
                log.Tasks.push_back(PrefReadString(key.c_str()));
            }
        }
    }
    PrefClose();
    return status;
}

}  // namespace wb
