// The Uninstall log: completes the uninstall.dat that the Package brought with what this
// installation did, in the words of the language chosen for it.
#include "handover/uninstall_log.h"

#include <string>

#include "config/language_table.h"
#include "config/pref_file.h"
#include "install/link_names.h"
#include "install/shortcuts.h"
#include "startup/setup_state.h"

namespace wb {

namespace {

void Write(const char* key, const std::string& value) { PrefWriteString(key, value.c_str()); }

}  // namespace

void WriteUninstallLog() {
    if (Setup.NoUninstall) return;
    // A log beside no installation folder would be written into the current folder.
    if (Setup.InstallDir.empty()) return;
    PrefOpen((Setup.InstallDir + "uninstall.dat").c_str());

    PrefGroup("Settings");
    Write("ProgDir", Setup.InstallDir);
    Write("ProgExe", Setup.ProgExe);
    Write("GUID", Setup.GUID);
    if (Setup.ProgLink.empty()) Setup.ProgLink = NameBeforeFirstDot(Setup.ProgExe);
    Write("ProgLink", Setup.ProgLink);
    Write("StartMenu", Setup.StartMenuDir);
    Write("DesktopIcon", Setup.DesktopLink);

    PrefGroup("Language");
    Write("Titel", LangText(LangId::UninstallerTitel));
    Write("Msg", LangText(LangId::UninstallerMsg));
    Write("Version", LangText(LangId::UninstallerVersion));
    Write("UninstInfo", LangText(LangId::UninstallerUninstInfo));
    Write("DelAll", LangText(LangId::UninstallerDelAll));
    Write("Error", LangText(LangId::UninstallerError));
    Write("Mutex", LangText(LangId::RequesterRQ4Msg) + "|" + LangText(LangId::RequesterRQ4Msg2));
    Write("Status", LangText(LangId::UninstallerStatus));
    Write("OK", LangText(LangId::UninstallerOK));
    Write("Cancel", LangText(LangId::UninstallerCancel));
    Write("Ready", LangText(LangId::UninstallerReady));

    const std::string& s = Setup.StartMenuDir;
    PrefGroup("StartMenu");
    Write("Program", s + Setup.ProgLink + ".lnk");
    Write("AddExe", s + AdditionalLinkFile(Setup.AdditionalExe));
    Write("Help", s + LanguageLinkFile(LangId::InstallHelp));
    Write("Homepage",
          ShortcutFileFor(Setup.HomepageUrl, s + LanguageLinkFile(LangId::InstallHomepage)));
    Write("Uninstall", s + LanguageLinkFile(LangId::InstallUninstall));

    PrefGroup("UserTask");
    const auto& records = Setup.UninstallRecords;
    PrefWriteNumber("Number", int32_t(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        Write(("Task" + std::to_string(i + 1)).c_str(), records[i]);
    }

    PrefClose();
}

}  // namespace wb
