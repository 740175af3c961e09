// The uninstaller's view of its Uninstall log: the texts completed, the folder checked.
#include "uninstaller/uninstall_log_reader.h"

#include "handover/log_reader.h"
#include "uninstaller/safe_paths.h"

namespace wb {
namespace {

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

}  // namespace

UninstallTexts DefaultUninstallTexts() {
    UninstallTexts t;
    for (const TextRow& r : kTextRows) t.*r.Text = r.Default;
    return t;
}

LogStatus ReadUninstallLog(const std::string& folder, UninstallLog& log) {
    log = UninstallLog{};
    log.Texts = DefaultUninstallTexts();
    LogContents c;
    const LogRead read = ReadLogFile(folder, c);
    if (read == LogRead::Missing) return LogStatus::Missing;
    for (size_t i = 0; i < size_t(LogText::Count); ++i) {
        if (c.HasText[i]) log.Texts.*kTextRows[i].Text = c.Texts[i];
    }
    log.ProgName = c.ProgName;
    log.Version = c.Version;
    log.MutexString = c.MutexString;
    log.NoDelAll = c.NoDelAll;
    log.PerUser = c.PerUser;
    log.ProgDir = c.ProgDir;
    log.ProgExe = c.ProgExe;
    log.GUID = c.GUID;
    log.ProgLink = c.ProgLink;
    log.StartMenu = c.StartMenu;
    log.DesktopIcon = c.DesktopIcon;
    log.Files = std::move(c.Files);
    log.Dirs = std::move(c.Dirs);
    log.StartMenuLinks = std::move(c.Links);
    log.Tasks = std::move(c.Tasks);
    if (read != LogRead::Ok) return LogStatus::Damaged;
    // Everything the log names is relative to ProgDir, so it has to be this folder: a log
    // copied or edited to point elsewhere removes nothing.
    const bool here = IsAbsolutePath(log.ProgDir) && SamePath(log.ProgDir, folder);
    log.ProgDir = WithTrailingSlash(log.ProgDir);
    return here ? LogStatus::Ok : LogStatus::Damaged;
}

}  // namespace wb
