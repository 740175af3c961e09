// Shell shortcuts: the one writer of .lnk files, and the program's Start-menu folder with
// its standard links.
#include "install/shortcuts.h"

#include "config/link_names.h"
#include "config/pref_file.h"
#include "config/special_folders.h"
#include "contract/contract.h"
#include "install/internet_shortcut.h"
#include "log/install_log.h"
#include "package/extract.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/shell_link.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// Stands for the target itself as the icon file.
constexpr char kIconOfTarget[] = "|";

// One standard link: normal window, no description, no hot key, icon index 0.
void MakeStandardLink(const std::string& target, const std::string& linkPath,
                      const std::string& workDir, const std::string& arguments,
                      const std::string& iconFile) {
    CreateShortcut(target, linkPath, workDir, arguments, 1, "", 0, iconFile, 0);
}

}  // namespace

int CreateShortcut(const std::string& target, const std::string& linkPath,
                   const std::string& workDir, const std::string& arguments, int showCmd,
                   const std::string& description, uint16_t hotKey,
                   const std::string& iconFile, int iconIndex) {
    // A folder that cannot be found (or that no path of the code page reaches) comes as
    // empty text, which would put the link below whatever the current folder is.
    // (A native build's own paths start with "/".)
    const bool rooted = (!linkPath.empty() && linkPath[0] == '/') ||
                        (linkPath.size() > 2 && ((linkPath[1] == ':' && linkPath[2] == '\\') ||
                                                 (linkPath[0] == '\\' && linkPath[1] == '\\')));
    if (!rooted) {
        LogLine("Shortcut NOT made, its folder cannot be found: " + linkPath + " -> " + target);
        return 0;
    }
    if (IsWebAddress(target)) {
        // The target's own icon or the URL handler's stand for no icon: a web address has
        // none, and the handler's path names a Windows folder that need not be there.
        const bool ownIcon = iconFile != kIconOfTarget && iconFile != kWebLinkIconFile;
        const std::string file = WebLinkPath(linkPath);
        const bool written = WriteInternetShortcut(file, target, ownIcon ? iconFile : "",
                                                   iconIndex == -1 ? 0 : iconIndex);
        LogLine((written ? "Internet shortcut created: " : "Internet shortcut FAILED: ") + file +
                " -> " + target);
        return written ? 1 : 0;
    }
    ShellLinkFields fields;
    fields.Target = target;
    fields.Arguments = arguments;
    fields.WorkDir = workDir;
    fields.Description = description;
    fields.ShowCmd = showCmd;
    fields.HotKey = hotKey;
    fields.IconFile = iconFile == kIconOfTarget ? target : iconFile;
    fields.IconIndex = iconIndex == -1 ? 0 : iconIndex;

    // A thread already initialised in another mode still has COM; only a start that
    // succeeded is balanced by an end.
    const bool started = ComStart();
    ShellLinkOutcome outcome = ShellLinkWrite(fields, linkPath.c_str());
    if (started) ComEnd();
    LogLine((outcome == ShellLinkOutcome::Saved ? "Shortcut created: " : "Shortcut FAILED: ") +
            linkPath + " -> " + target + (arguments.empty() ? "" : " " + arguments));
    return outcome == ShellLinkOutcome::Saved || outcome == ShellLinkOutcome::SaveFailed ? 1 : 0;
}

void CreateStartMenuEntries(const std::string& folderName) {
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("StartMenue");
    const std::string help = PrefReadString("Help", "");
    const std::string url = PrefReadString("URL", "");
    Setup.AdditionalExe = PrefReadString("Exe", "");
    Setup.HomepageUrl = url;
    const uint8_t uninstallLink = uint8_t(PrefReadNumber("Unistall", 0));
    PrefClose();

    std::string name = folderName.empty() ? NameBeforeFirstDot(Setup.ProgExe) : folderName;
    if (!name.empty() && name.back() != '\\') name += '\\';
    // Without a Programs folder the links would land below the current folder; without a
    // name the program's folder would be the Programs folder itself, which the uninstaller
    // is told to remove.
    const std::string programs = SpecialFolder(kFolderPrograms);
    if (programs.empty() || name.empty()) {
        Setup.StartMenuDir.clear();
        return;
    }
    Setup.StartMenuDir = programs + name;
    const std::string& s = Setup.StartMenuDir;
    if (!FolderExists(s.c_str())) CreateFolderPath(s);

    const std::string& i = Setup.InstallDir;
    if (!Setup.ProgExe.empty()) {
        MakeStandardLink(i + Setup.ProgExe, s + ProgramLinkName() + ".lnk", i,
                         Setup.ProgParameter, kIconOfTarget);
    }
    const std::string& exe = Setup.AdditionalExe;
    if (!exe.empty()) {
        MakeStandardLink(i + exe, s + AdditionalLinkFile(exe), i + FolderPartOf(exe), "",
                         kIconOfTarget);
    }
    if (!help.empty()) {
        MakeStandardLink(i + help, s + LanguageLinkFile(LangId::InstallHelp), i, "",
                         kIconOfTarget);
    }
    if (!url.empty()) {
        MakeStandardLink(url, s + LanguageLinkFile(LangId::InstallHomepage), "", "",
                         kWebLinkIconFile);
    }
    if (uninstallLink != 0) {
        MakeStandardLink(i + kUninstallerName, s + LanguageLinkFile(LangId::InstallUninstall), i,
                         "", kIconOfTarget);
    }
}

}  // namespace wb
