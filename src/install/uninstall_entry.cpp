// The program's entry in the system's list of installed programs.
#include "install/uninstall_entry.h"

#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// A command whose path holds blanks must be quoted, or Windows tries each blank-cut
// prefix first ("C:\Program.exe" for a folder under "C:\Program Files").
std::string QuotedCommand(const std::string& command) {
    if (command.empty() || command.front() == '"') return command;
    return "\"" + command + "\"";
}

// "YYYYMMDD" of the local date, as the system's list of programs reads InstallDate.
std::string LocalDateText() {
    CalendarTime now;
    if (!LocalTimeNow(now)) return std::string();
    std::string text = std::to_string(now.Year);
    for (int part : {now.Month, now.Day}) {
        if (part < 10) text += '0';
        text += std::to_string(part);
    }
    return text;
}

}  // namespace

uint32_t SizeInKiB(int64_t bytes) {
    if (bytes <= 0) return 0;
    const int64_t kib = (bytes + 1023) / 1024;
    return kib > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(kib);
}

void RegisterUninstall(const std::string& fallbackName, const std::string& displayName,
                       const std::string& publisher, const std::string& webAddress,
                       const std::string& contact, const std::string& icon,
                       const std::string& uninstallCommand) {
    if (Setup.NoUninstall) return;
    // A nameless entry would put its values on the list's own key, and a name with a
    // separator would make a key the uninstaller cannot find again.
    const std::string key = UninstallKeyFor(Setup.GUID, fallbackName);
    if (key.empty()) return;
    // A per-user installation appears in the user's own list, which needs no rights.
    const RegRoot root = Setup.PerUser ? RegRoot::CurrentUser : RegRoot::LocalMachine;
    const std::string rootName = Setup.PerUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
    const std::string command = QuotedCommand(uninstallCommand);
    const struct {
        const char* Name;
        const std::string* Text;
    } values[] = {
        {"DisplayName", &displayName}, {"DisplayIcon", &icon},      {"Publisher", &publisher},
        {"URLInfoAbout", &webAddress}, {"HelpLink", &webAddress},   {"Contact", &contact},
        {"UninstallString", &command},
    };
    for (const auto& v : values) {
        // 0: the key itself cannot be made (no rights below the root): give up.
        if (RegSetString(root, key.c_str(), v.Name, v.Text->c_str()) == 0) {
            LogLine("Uninstall entry could NOT be written: " + rootName + key);
            return;
        }
    }

    // What deployment tools read: the version to detect, the folder, the silent removal,
    // the size the list shows, the date; and no Modify or Repair button, which would start
    // the same uninstaller.
    const std::string quiet = command + " /Q";
    const std::string date = LocalDateText();
    const struct {
        const char* Name;
        const std::string* Text;
    } texts[] = {
        {"DisplayVersion", &Setup.Version},
        {"InstallLocation", &Setup.InstallDir},
        {"QuietUninstallString", &quiet},
    };
    for (const auto& v : texts) {
        if (RegSetString(root, key.c_str(), v.Name, v.Text->c_str()) == 0) return;
    }
    const uint32_t kib = SizeInKiB(Setup.InstalledBytes);
    if (RegSetNumber(root, key.c_str(), "EstimatedSize", kib) == 0) return;
    if (RegSetString(root, key.c_str(), "InstallDate", date.c_str()) == 0) return;
    if (RegSetNumber(root, key.c_str(), "NoModify", 1) == 0) return;
    RegSetNumber(root, key.c_str(), "NoRepair", 1);
    LogLine("Uninstall entry written: " + rootName + key + " (DisplayName \"" +
            displayName + "\", DisplayVersion \"" + Setup.Version + "\", Publisher \"" +
            publisher + "\", InstallLocation \"" + Setup.InstallDir + "\", EstimatedSize " +
            std::to_string(kib) + " KiB, InstallDate " + date + ")");
}

}  // namespace wb
