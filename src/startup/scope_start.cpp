// Settling the installation's scope and the restart with administrator rights.
#include "startup/scope_start.h"

#include "config/install_scope.h"
#include "config/registry_text.h"
#include "contract/contract.h"
#include "log/install_log.h"
#include "platform/process.h"
#include "platform/scope.h"
#include "platform/system_info.h"
#include "platform/window.h"
#include "startup/command_line.h"
#include "startup/finish.h"
#include "state/setup_state.h"

namespace wb {

namespace {

bool EntryExists(RegRoot root) {
    return !Setup.GUID.empty() && !InstalledFolderOf(Setup.GUID, root).empty();
}

const char* OfferText(ScopeOffer offer) {
    switch (offer) {
        case ScopeOffer::User: return "only for the current user";
        case ScopeOffer::Both: return "for all users or for the current user";
        default: return "only for all users";
    }
}

// Why the scope was refused, for the log and the wizard's message.
std::string RefusalText(const ScopeFacts& facts) {
    const bool wantsUser = facts.Switch == ScopeSwitch::CurrentUser ||
                           (facts.Switch == ScopeSwitch::None && facts.Offer == ScopeOffer::User);
    if (facts.Switch == ScopeSwitch::AllUsers && facts.Offer == ScopeOffer::User) {
        return "This setup installs only for the current user: /ALLUSERS is refused";
    }
    if (facts.Switch == ScopeSwitch::CurrentUser && facts.Offer == ScopeOffer::Machine) {
        return "This setup installs only for all users: /CURRENTUSER is refused";
    }
    return wantsUser || facts.MachineEntry
               ? std::string("This program is already installed for all users: remove that "
                             "installation first, or install for all users")
               : std::string("This program is already installed for the current user: remove "
                             "that installation first, or install for the current user");
}

}  // namespace

const char* ScopeText(bool perUser) {
    return perUser ? "for the current user only" : "for all users";
}

bool MachineScopeNeedsRestart() { return ProcessElevation() == 0; }

bool RestartElevated(const std::string& extraParameters, uint32_t& exitCode) {
    std::string parameters = CommandLineTail(ProcessCommandLine());
    if (!extraParameters.empty()) {
        if (!parameters.empty()) parameters += ' ';
        parameters += extraParameters;
    }
    LogLine("An installation for all users needs administrator rights: the setup starts "
            "again elevated (" + Setup.SetupExe + " " + parameters + ")");
    // The elevated run writes a log of its own; a file that /L: named it must have to itself.
    if (!Setup.CmdLogFile.empty()) CloseInstallLog();
    const ElevatedRun run = RunElevatedAndWait(Setup.SetupExe.c_str(), parameters.c_str(), exitCode);
    LogLine(run == ElevatedRun::Ended ? "The elevated run ended with exit code " +
                                            std::to_string(exitCode)
            : run == ElevatedRun::Declined
                ? std::string("The administrator prompt was declined: nothing installed")
                : std::string("The setup could NOT be started with administrator rights: "
                              "nothing installed"));
    return run == ElevatedRun::Ended;
}

bool SettleScope(unsigned& exitCode) {
    ScopeFacts facts;
    facts.Offer = Setup.ScopeOffered;
    facts.Switch = Setup.CmdScope;
    facts.Elevation = ProcessElevation();
    facts.MachineEntry = EntryExists(RegRoot::LocalMachine);
    facts.UserEntry = EntryExists(RegRoot::CurrentUser);
    const ScopeChoice choice = DecideScope(facts);
    if (choice == ScopeChoice::Refused) {
        const std::string why = RefusalText(facts);
        LogLine("The setup offers to install " + std::string(OfferText(facts.Offer)) + ". " +
                why + ": nothing installed");
        RemoveTempDir();
        if (!Setup.QuietMode) {
            ShowMessage(why.c_str(), Setup.Titel.c_str(), MessageBoxKind::ErrorOk);
        }
        exitCode = kExitScopeRefused;
        return false;
    }
    Setup.PerUser = choice == ScopeChoice::User ? 1 : 0;
    const bool wizardAsks = !Setup.QuietMode && facts.Offer == ScopeOffer::Both &&
                            facts.Switch == ScopeSwitch::None && !facts.MachineEntry &&
                            !facts.UserEntry;
    Setup.ScopeAsked = wizardAsks ? 1 : 0;
    LogLine(std::string(wizardAsks ? "Proposed: installing " : "Installing ") +
            ScopeText(Setup.PerUser != 0));
    if (wizardAsks || Setup.PerUser || !MachineScopeNeedsRestart()) return true;
    uint32_t code = 0;
    exitCode = RestartElevated(std::string(), code) ? code : kExitElevationDeclined;
    RemoveTempDir();
    return false;
}

}  // namespace wb
