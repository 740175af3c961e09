// The Language table: the built-in English texts and their loading from a language file.
#include "config/language_table.h"

#include "config/pref_file.h"
#include "platform/text.h"
#include "state/setup_state.h"

namespace wb {

const char* const kDamagedSetupCaption = " Wendlebox";
const char* const kDamagedSetupText =
    "This setup file is damaged or incomplete, so nothing can be installed from it.\n\n"
    "Please download the setup again.";
const char* const kUnreadableSetupText =
    "This setup cannot read its own files, so nothing has been installed.\n\n";
const char* const kUnreadableSetupAdvice =
    "\n\nPlease check that the setup file and the temporary folder can be read and "
    "written, and that there is room on their drive; then start the setup again.";
const char* const kUnreachableFolderText =
    "The installation folder cannot be used, so nothing has been installed:\n\n";
namespace {

struct LanguageRow {
    const char* Group;
    const char* Key;
    const char* Default;  // "\x01" stands for the title, "\x02" for the version
};

// Separate literals keep the markers from running into the hex digits that follow.
#define WB_TITEL "\x01"
#define WB_VERSION "\x02"

constexpr LanguageRow kRows[] = {
    {"Install", "Window", "Install '" WB_TITEL "'"},
    {"Install", "Msg0", "Required disk space:"},
    {"Install", "Msg1", "Copy Program Files"},
    {"Install", "Msg2", "Create Desktop Icon"},
    {"Install", "Msg3", "Create Startmenu Shortcuts"},
    {"Install", "Msg4", "Program will start right after Wendlebox has been closed"},
    {"Install", "Msg5", "Create Uninstaller Entry"},
    {"Install", "Msg6", "Create additional Links"},
    {"Install", "Ready", "Completed"},
    {"Install", "Help", "Help"},
    {"Install", "Homepage", "Homepage"},
    {"Install", "Uninstall", "Uninstall"},
    {"Install", "NoRoom",
     "There is not enough room on the drive to install '" WB_TITEL "': $Needed are needed, "
     "$Free are free. Nothing was installed."},
    {"Install", "Failed",
     "'" WB_TITEL "' could not be installed (code $Code): $Reason. Everything was taken "
     "back; the computer is as it was."},

    {"Page01", "Titel", "Welcome to the installation of|'" WB_TITEL "'"},
    {"Page01", "Msg1",
     "Wendlebox will now install '" WB_TITEL "' version " WB_VERSION " on your computer."},
    {"Page01", "Msg2", "Click 'Next' to continue installation."},
    {"Page01", "Msg3", "Please close all other applications before continuing."},

    {"Page02", "Titel", "Licence Agreement"},
    {"Page02", "Msg", "Please read the following information before continuing."},
    {"Page02", "AcceptYes", "I accept the agreement"},
    {"Page02", "AcceptNo", "I do not accept the agreement"},

    {"Page03", "Titel", "Setup Settings"},
    {"Page03", "Msg", "Installation Directory, StartMenu Folder and Desktop Icon"},
    {"Page03", "ProgDir", "Install program in this directory:"},
    {"Page03", "MenuDir", "StartMenu folder for Program Shortcuts:"},
    {"Page03", "NoStartMenu", "Create no startmenu entry."},
    {"Page03", "DesktopIcon", "Create a desktop icon"},
    {"Page03", "AllUsers", "Install for all users of this computer"},
    {"Page03", "OnlyMe", "Install only for me"},
    {"Page03", "NeedsAdmin",
     "Installing for all users needs administrator rights. Choose 'Install only for me' to "
     "install without them."},

    {"Page04", "Titel", "Information"},
    {"Page04", "Msg", "A short description of the program"},

    {"Page05", "Titel1", "Installation of|'" WB_TITEL "'"},
    {"Page05", "Titel2", "Installation finished"},
    {"Page05", "Msg", "Click 'Install' to start installation!"},
    {"Page05", "Install", "Install Program '" WB_TITEL "'"},
    {"Page05", "RunProg", "Start program after closing Wendlebox."},
    {"Page05", "Ready", "Installation completed"},

    {"Requester", "RQ1_Titel", "Select Start Menu Folder"},
    {"Requester", "RQ1_Msg", "No valid start menu folder."},
    {"Requester", "RQ2_Titel", "Please select a directory"},
    {"Requester", "RQ3_Titel", "Select Directory"},
    {"Requester", "RQ4_Titel", "Wendlebox - Warning"},
    {"Requester", "RQ4_Msg", "Close Program '" WB_TITEL "' first!"},
    {"Requester", "RQ4_Msg2", "Then press OK!"},
    {"Requester", "RQ5_Titel", "Associate File Extension"},
    {"Requester", "RQ5_Msg", "Associate File Extension '$Extension' with the program?"},

    {"FileVersion", "Window", "Copy File"},
    {"FileVersion", "FrameOld", "Current File Version"},
    {"FileVersion", "FrameNew", "New File Version"},
    {"FileVersion", "Msg", "Replace the current file with this file version?"},
    {"FileVersion", "Version", "Version:"},
    {"FileVersion", "Lang", "Language:"},
    {"FileVersion", "Desc", "Description:"},
    {"FileVersion", "NotAvailable", "--- not available ---"},

    {"Buttons", "Next", "Next"},
    {"Buttons", "Back", "Back"},
    {"Buttons", "Apply", "Apply"},
    {"Buttons", "Cancel", "Cancel"},
    {"Buttons", "Change", "Change"},
    {"Buttons", "Install", "Install"},
    {"Buttons", "Finish", "Exit"},
    {"Buttons", "Yes", "Yes"},
    {"Buttons", "No", "No"},

    {"Uninstaller", "Titel", "uninstall Program"},
    {"Uninstaller", "Msg", "Program files And registry entries will be removed."},
    {"Uninstaller", "Version", "Version"},
    {"Uninstaller", "UninstInfo", "Remove the following Program from your computer:"},
    {"Uninstaller", "DelAll", "Delete all(!) files in the directory (including user files)."},
    {"Uninstaller", "Error", "Uninstalling Program Not possible."},
    {"Uninstaller", "Status", "Uninstalling completed."},
    {"Uninstaller", "OK", "OK"},
    {"Uninstaller", "Cancel", "Cancel"},
    {"Uninstaller", "Ready", "Ready"},
};

#undef WB_TITEL
#undef WB_VERSION

static_assert(sizeof kRows / sizeof kRows[0] == kLanguageRowCount,
              "every LangId needs its row");

const std::string kNoText;

bool TakesLineBreaks(size_t row) noexcept {
    return row == size_t(LangId::Page01Titel) || row == size_t(LangId::Page05Titel1);
}

}  // namespace

const char* LanguageRowGroup(LangId id) noexcept {
    return size_t(id) < kLanguageRowCount ? kRows[size_t(id)].Group : "";
}

const char* LanguageRowKey(LangId id) noexcept {
    return size_t(id) < kLanguageRowCount ? kRows[size_t(id)].Key : "";
}

std::string LanguageDefault(LangId id, const std::string& titel, const std::string& version) {
    if (size_t(id) >= kLanguageRowCount) return {};
    std::string text;
    for (const char* p = kRows[size_t(id)].Default; *p; ++p) {
        if (*p == '\x01') {
            text += titel;
        } else if (*p == '\x02') {
            text += version;
        } else {
            text += *p;
        }
    }
    return text;
}

void CreateLanguageTable() {
    Setup.Language.Texts.assign(kLanguageRowCount, std::string());
    for (size_t row = 0; row < kLanguageRowCount; ++row) {
        Setup.Language.Texts[row] = LanguageDefault(LangId(row), Setup.Titel, Setup.Version);
    }
}

void LoadLanguageTable(const std::string& path) {
    Setup.Language.Texts.assign(kLanguageRowCount, std::string());
    PrefOpen(path.c_str());
    const char* group = nullptr;
    for (size_t row = 0; row < kLanguageRowCount; ++row) {
        if (!group || !SameTextNoCase(group, kRows[row].Group)) {
            group = kRows[row].Group;
            PrefGroup(group);
        }
        std::string fallback = LanguageDefault(LangId(row), Setup.Titel, Setup.Version);
        std::string text = PrefReadString(kRows[row].Key, fallback.c_str());
        if (TakesLineBreaks(row)) {
            for (char& c : text) {
                if (c == '|') c = '\n';
            }
        }
        Setup.Language.Texts[row] = std::move(text);
    }
    PrefClose();
}

const std::string& LangText(LangId id) noexcept {
    size_t row = size_t(id);
    if (row >= Setup.Language.Texts.size()) return kNoText;
    return Setup.Language.Texts[row];
}

const std::string& LangText(const char* group, const char* key) noexcept {
    if (!group || !key) return kNoText;
    for (size_t row = 0; row < kLanguageRowCount; ++row) {
        if (SameTextNoCase(kRows[row].Group, group) && SameTextNoCase(kRows[row].Key, key)) {
            return LangText(LangId(row));
        }
    }
    return kNoText;
}

}  // namespace wb
