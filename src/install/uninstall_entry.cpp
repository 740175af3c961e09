// The program's entry in the system's list of installed programs.
#include "install/uninstall_entry.h"

#include "handover/contract.h"
#include "platform/registry.h"
#include "startup/setup_state.h"

namespace wb {

namespace {

// A command whose path holds blanks must be quoted, or Windows tries each blank-cut
// prefix first ("C:\Program.exe" for a folder under "C:\Program Files").
std::string QuotedCommand(const std::string& command) {
    if (command.empty() || command.front() == '"') return command;
    return "\"" + command + "\"";
}

}  // namespace

void RegisterUninstall(const std::string& fallbackName, const std::string& displayName,
                       const std::string& publisher, const std::string& webAddress,
                       const std::string& contact, const std::string& icon,
                       const std::string& uninstallCommand) {
    if (Setup.NoUninstall) return;
    // A nameless entry would put its values on the list's own key, and a name with a
    // separator would make a key the uninstaller cannot find again.
    const std::string key = UninstallKeyFor(Setup.GUID, fallbackName);
    if (key.empty()) return;
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
        // 0: the key itself cannot be made (no rights below HKEY_LOCAL_MACHINE): give up.
        if (RegSetString(RegRoot::LocalMachine, key.c_str(), v.Name, v.Text->c_str()) == 0) {
            return;
        }
    }
}

}  // namespace wb
