// Deciding an installation's scope, and the Install tasks a per-user one cannot carry out.
#include "config/install_scope.h"

#include "contract/contract.h"
#include "platform/text.h"

namespace wb {

namespace {

constexpr uint32_t kRootClasses = 0x80000000u;
constexpr uint32_t kRootCurrentUser = 0x80000001u;
constexpr uint32_t kRootLocalMachine = 0x80000002u;

// Path macros of folders that belong to the machine, not to a user.
constexpr const char* kMachineMacros[] = {"%ProgramFiles%", "%Windows%", "%System%",
                                          "%CommonFiles%", "%Fonts%", "%Fernscope%"};

std::string Field(const std::vector<std::string>& fields, size_t n) {
    return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string();
}

std::string MachineMacroIn(const std::string& folder) {
    for (const char* macro : kMachineMacros) {
        if (folder.find(macro) != std::string::npos) return macro;
    }
    return std::string();
}

}  // namespace

bool ParseScopeOffer(const std::string& text, ScopeOffer& out) {
    out = ScopeOffer::Machine;
    const std::string value = TrimBlanks(text, " \t");
    if (value.empty() || SameTextNoCase(value, "machine")) return true;
    if (SameTextNoCase(value, "user")) {
        out = ScopeOffer::User;
        return true;
    }
    if (SameTextNoCase(value, "both")) {
        out = ScopeOffer::Both;
        return true;
    }
    return false;
}

ScopeChoice DecideScope(const ScopeFacts& facts) {
    ScopeChoice choice;
    switch (facts.Switch) {
        case ScopeSwitch::AllUsers:
            if (facts.Offer == ScopeOffer::User) return ScopeChoice::Refused;
            choice = ScopeChoice::Machine;
            break;
        case ScopeSwitch::CurrentUser:
            if (facts.Offer == ScopeOffer::Machine) return ScopeChoice::Refused;
            choice = ScopeChoice::User;
            break;
        default:
            if (facts.Offer == ScopeOffer::Machine) {
                choice = ScopeChoice::Machine;
            } else if (facts.Offer == ScopeOffer::User) {
                choice = ScopeChoice::User;
            } else if (facts.UserEntry) {
                choice = ScopeChoice::User;
            } else if (facts.MachineEntry) {
                choice = ScopeChoice::Machine;
            } else {
                choice = facts.Elevation == 1 ? ScopeChoice::Machine : ScopeChoice::User;
            }
            break;
    }
    if (choice == ScopeChoice::Machine && facts.UserEntry) return ScopeChoice::Refused;
    if (choice == ScopeChoice::User && facts.MachineEntry) return ScopeChoice::Refused;
    return choice;
}

std::string MachineOnlyTaskReason(const std::vector<std::string>& fields) {
    const int32_t kind = static_cast<int8_t>(static_cast<uint8_t>(ParseLeadingNumber(Field(fields, 1))));
    switch (TaskKind(kind)) {
        case TaskKind::PackageFile: {
            const std::string macro = MachineMacroIn(Field(fields, 4));
            if (!macro.empty()) return "it places a file into " + macro;
            return std::string();
        }
        case TaskKind::RegistryValue:
            if (uint32_t(ParseLeadingNumber(Field(fields, 2))) == kRootLocalMachine) {
                return "it writes a value under HKEY_LOCAL_MACHINE";
            }
            return std::string();
        case TaskKind::SystemFile: {
            if (ParseLeadingNumber(Field(fields, 4)) != 0) return "it registers a library (regsvr32)";
            if (Field(fields, 2).find("%ProgDir%") != std::string::npos) return std::string();
            const std::string macro = MachineMacroIn(Field(fields, 2));
            if (!macro.empty()) return "it copies a file into " + macro;
            return std::string();
        }
        default: return std::string();
    }
}

bool UserClassesInstead(uint32_t& rootNumber, std::string& key) {
    if (rootNumber != kRootClasses) return false;
    rootNumber = kRootCurrentUser;
    key = "Software\\Classes\\" + key;
    return true;
}

}  // namespace wb
