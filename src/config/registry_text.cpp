// Registry text helpers over the registry service.
#include "config/registry_text.h"

#include "contract/contract.h"
#include "platform/text.h"

namespace wb {

std::string RegReadText(RegRoot root, const char* key, const char* name) {
    char buffer[kRegTextCapacity];
    uint32_t length = 0;
    if (!RegQuery(root, key ? key : "", name, RegAccess::Read, buffer, sizeof buffer, length)) {
        return {};
    }
    if (length > sizeof buffer) return {};
    return TextBeforeNul(buffer, length);
}

int RegWriteText(RegRoot root, const char* key, const char* name, const char* text) {
    return RegSetString(root, key ? key : "", name ? name : "", text ? text : "");
}

std::string InstalledFolderOf(const std::string& guid, RegRoot root) {
    if (guid.empty()) return std::string();
    const std::string key = UninstallKeyFor(guid, std::string());
    if (key.empty()) return std::string();
    std::string folder = RegReadText(root, key.c_str(), "InstallLocation");
    if (folder.empty()) {
        // Entries written before InstallLocation existed: the uninstaller's folder.
        std::string command = RegReadText(root, key.c_str(), "UninstallString");
        if (!command.empty() && command.front() == '"') {
            const size_t close = command.find('"', 1);
            command = command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        }
        const size_t slash = command.find_last_of('\\');
        if (slash != std::string::npos) folder = command.substr(0, slash + 1);
    }
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool RegRootFromNumber(uint32_t number, RegRoot& root) noexcept {
    if (!IsTaskRegRoot(number)) return false;
    root = number == kRegRootClasses       ? RegRoot::ClassesRoot
           : number == kRegRootCurrentUser ? RegRoot::CurrentUser
                                           : RegRoot::LocalMachine;
    return true;
}

}  // namespace wb
