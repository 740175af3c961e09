// The Uninstall log: completes the uninstall.dat that the Package brought with what this
// installation did, in the words of the language chosen for it.
#include "handover/uninstall_log.h"

#include <string>

#include "config/language_table.h"
#include "config/link_names.h"
#include "config/pref_file.h"
#include "contract/contract.h"
#include "handover/log_merge.h"
#include "state/setup_state.h"

namespace wb {

namespace {

void Write(const char* key, const std::string& value) { PrefWriteString(key, value.c_str()); }

}  // namespace

void WriteUninstallLog() {
    if (Setup.NoUninstall) return;
    // A log beside no installation folder would be written into the current folder.
    if (Setup.InstallDir.empty()) return;
    PrefOpen((Setup.InstallDir + kUninstallLogName).c_str());

    PrefGroup(kLogSettings);
    Write(kLogProgDir, Setup.InstallDir);
    Write(kLogProgExe, Setup.ProgExe);
    Write(kLogGUID, Setup.GUID);
    if (Setup.ProgLink.empty()) Setup.ProgLink = NameBeforeFirstDot(Setup.ProgExe);
    Write(kLogProgLink, Setup.ProgLink);
    Write(kLogStartMenuDir, Setup.StartMenuDir);
    Write(kLogDesktopIcon, Setup.DesktopLink);
    if (Setup.PerUser) Write(kLogScope, kLogScopeUser);

    // In the order of LogText.
    const std::string texts[size_t(LogText::Count)] = {
        LangText(LangId::UninstallerTitel),
        LangText(LangId::UninstallerMsg),
        LangText(LangId::UninstallerVersion),
        LangText(LangId::UninstallerUninstInfo),
        LangText(LangId::UninstallerDelAll),
        LangText(LangId::UninstallerError),
        LangText(LangId::RequesterRQ4Msg) + "|" + LangText(LangId::RequesterRQ4Msg2),
        LangText(LangId::UninstallerStatus),
        LangText(LangId::UninstallerOK),
        LangText(LangId::UninstallerCancel),
        LangText(LangId::UninstallerReady),
    };
    PrefGroup(kLogLanguage);
    for (size_t i = 0; i < size_t(LogText::Count); ++i) Write(kLogTextKeys[i], texts[i]);

    // In the order of LogLink.
    const std::string& s = Setup.StartMenuDir;
    const std::string links[size_t(LogLink::Count)] = {
        s + Setup.ProgLink + ".lnk",
        s + AdditionalLinkFile(Setup.AdditionalExe),
        s + LanguageLinkFile(LangId::InstallHelp),
        ShortcutFileFor(Setup.HomepageUrl, s + LanguageLinkFile(LangId::InstallHomepage)),
        s + LanguageLinkFile(LangId::InstallUninstall),
    };
    PrefGroup(kLogStartMenu);
    for (size_t i = 0; i < size_t(LogLink::Count); ++i) Write(kLogLinkKeys[i], links[i]);

    PrefGroup(kUserTaskGroup);
    const auto& records = Setup.UninstallRecords;
    PrefWriteNumber(kTaskCountKey, int32_t(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        Write(LogTaskKey(uint32_t(i + 1)).c_str(), records[i]);
    }
    // A reinstall or upgrade keeps what the earlier version recorded.
    MergeEarlierLog(Setup.GUID);

    PrefClose();
}

}  // namespace wb
