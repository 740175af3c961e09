// The setup description: reading setup.ini and the per-product key into the Setup state,
// and saving the wizard's choices.
#include "config/setup_description.h"

#include "config/install_scope.h"
#include "config/pref_file.h"
#include "config/registry_text.h"
#include "config/special_folders.h"
#include "platform/text.h"
#include "state/setup_state.h"

namespace wb {
namespace {

// Flags of the description are held in one byte: only the low 8 bits of the number count.
uint8_t ReadByte(const char* key) { return static_cast<uint8_t>(PrefReadNumber(key, 0)); }

}  // namespace

std::string ProductKeyPath(const std::string& guid) { return "SOFTWARE\\Wendlebox\\" + guid; }

std::string ScopedProductKeyPath(const std::string& guid, bool perUser) {
    return perUser ? ProductKeyPath(guid) + "\\CurrentUser" : ProductKeyPath(guid);
}

std::string ProgramFolderName(const std::string& defaultDir) {
    if (defaultDir.find('\\') != std::string::npos) {
        size_t end = defaultDir.size();
        while (end > 0 && defaultDir[end - 1] == '\\') --end;
        size_t begin = defaultDir.find_last_of('\\', end == 0 ? 0 : end - 1);
        begin = begin == std::string::npos ? 0 : begin + 1;
        return end > begin ? defaultDir.substr(begin, end - begin) : std::string();
    }
    size_t first = defaultDir.find('%');
    if (first != std::string::npos) {
        size_t second = defaultDir.find('%', first + 1);
        if (second != std::string::npos && defaultDir.find('%', second + 1) == std::string::npos) {
            return defaultDir.substr(second + 1);
        }
    }
    return defaultDir;
}

void ReadStartupKeys() {
    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("Settings");
    Setup.LanguageList = PrefReadString("Language");
    Setup.ProgExe = PrefReadString("ProgExe");
    PrefGroup("Info");
    Setup.Titel = PrefReadString("Titel", "--- unkown ---");
    Setup.Version = PrefReadString("Version");
    Setup.GUID = PrefReadString("GUID");
    Setup.PrgSize = PrefReadString("PrgSize");
    PrefGroup("Task");
    Setup.MutexString = TrimBlanks(PrefReadString("MutexString"), " \t");
    PrefGroup("Settings");
    // An unknown value keeps the default, a machine-wide installation; the check reports it.
    ParseScopeOffer(PrefReadString("Scope"), Setup.ScopeOffered);
    PrefClose();
}

void LoadSetupDescription() {
    Setup.ProductKey = ScopedProductKeyPath(Setup.GUID, Setup.PerUser != 0);
    const char* key = Setup.ProductKey.c_str();
    Setup.PrevInstallDir = RegReadText(RegRoot::CurrentUser, key, "InstallDir");
    Setup.PrevStartMenu = RegReadText(RegRoot::CurrentUser, key, "StartMenu");
    Setup.PrevDesktopIcon = RegReadText(RegRoot::CurrentUser, key, "DesktopIcon");
    // Without remembered choices (a quiet installation remembers none) an upgrade still
    // goes where the installed copy lives, by its uninstall entry.
    if (Setup.PrevInstallDir.empty()) {
        Setup.PrevInstallDir = InstalledFolderOf(
            Setup.GUID, Setup.PerUser ? RegRoot::CurrentUser : RegRoot::LocalMachine);
    }

    PrefOpen(Setup.SetupIni.c_str());
    PrefGroup("Info");
    Setup.Web = PrefReadString("Web");
    // The quiet run registers the publisher too: deployment tools match on it.
    Setup.Author = PrefReadString("Author");
    Setup.EMail = PrefReadString("EMail");

    PrefGroup("Settings");
    std::string defaultDir = PrefReadString("DefaultDir", Setup.PrevInstallDir.c_str());
    Setup.ProgDirLeaf = ProgramFolderName(defaultDir);
    const std::string& folder = !Setup.CmdProgDir.empty()     ? Setup.CmdProgDir
                                : !Setup.PrevInstallDir.empty() ? Setup.PrevInstallDir
                                                                : defaultDir;
    Setup.ProgDirDefault = ExpandPathMacros(folder, true);
    // A per-user installation goes into the user's own program folder under the same
    // folder name; the author's folder (under Program Files) needs rights the user lacks.
    const std::string userPrograms = Setup.PerUser ? UserProgramsFolder() : std::string();
    if (&folder == &defaultDir && !userPrograms.empty() && !Setup.ProgDirLeaf.empty()) {
        Setup.ProgDirDefault = userPrograms + Setup.ProgDirLeaf;
    }
    Setup.NoCopyExt = PrefReadString("NoCopyExt");
    Setup.SplashBitmap = PrefReadString("Bitmap", "splash.tga");

    PrefGroup("StartMenue");
    if (!Setup.CmdStartMenu.empty()) {
        Setup.StartMenuDefault = Setup.CmdStartMenu;
    } else if (!Setup.PrevStartMenu.empty()) {
        Setup.StartMenuDefault = Setup.PrevStartMenu;
    } else {
        Setup.StartMenuDefault = PrefReadString("DefaultDir");
    }
    Setup.ProgLink = PrefReadString("ProgLink", Setup.Titel.c_str());

    PrefGroup("Task");
    Setup.DesktopIconState = !Setup.PrevDesktopIcon.empty()
                                 ? ParseLeadingNumber(Setup.PrevDesktopIcon)
                                 : PrefReadNumber("Desktop", 0);
    Setup.ProgParameter = PrefReadString("ProgParameter");
    Setup.StartProg = ReadByte("StartProg");
    Setup.Reboot = ReadByte("Reboot");
    Setup.NoUninstall = ReadByte("NoUninstall");
    Setup.StartMenuEnabled = ReadByte("StartMenu");
    Setup.ScriptFile = PrefReadString("ScriptFile");
    PrefClose();
}

void SaveChoices(const std::string& startMenuFieldText, bool desktopTicked) {
    if (Setup.GUID.empty()) return;
    std::string key = ScopedProductKeyPath(Setup.GUID, Setup.PerUser != 0);
    RegWriteText(RegRoot::CurrentUser, key.c_str(), "InstallDir", Setup.InstallDir.c_str());
    RegWriteText(RegRoot::CurrentUser, key.c_str(), "StartMenu", startMenuFieldText.c_str());
    RegWriteText(RegRoot::CurrentUser, key.c_str(), "DesktopIcon", desktopTicked ? "1" : "0");
}

}  // namespace wb
