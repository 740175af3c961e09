// The keys of setup.ini and the fields of the Install task kinds.
#include "config/setup_keys.h"

#include "platform/text.h"

namespace wb {
namespace {

using T = SetupKeyType;

constexpr SetupKey kKeys[] = {
    {"Info", "Titel", T::Text, "--- unkown ---",
     "product title: window captions, the wizard's texts, the uninstall entry", "My Program"},
    {"Info", "Version", T::Text, "", "product version shown by the wizard and the uninstall entry",
     "1.0"},
    {"Info", "GUID", T::Text, "",
     "product identifier: the uninstall entry and the remembered choices are kept under it",
     nullptr},
    {"Info", "PrgSize", T::Text, "", "disk space shown on the installation page (free text)",
     "1 MB"},
    {"Info", "Date", T::Text, "", "release date shown on the installation page", nullptr},
    {"Info", "Author", T::Text, "", "author shown on the installation page; publisher", nullptr},
    {"Info", "EMail", T::Text, "", "contact address shown and given to the uninstall entry",
     nullptr},
    {"Info", "Web", T::Text, "", "web address: a link on the wizard and in the uninstall entry",
     nullptr},
    {"Settings", "Language", T::Text, "",
     "language files, each as FILE#LANGUAGE-NUMBER| (for example English.lng#9|)", nullptr},
    {"Settings", "ProgExe", T::Text, "",
     "the program's main file, relative to the installation folder", "MyProgram.exe"},
    {"Settings", "DefaultDir", T::Text, "the remembered folder",
     "installation folder; Path macros such as %ProgramFiles% allowed",
     "%ProgramFiles%My Program"},
    {"Settings", "NoCopyExt", T::Text, "",
     "extensions never overwritten when already installed, each followed by |", nullptr},
    {"Settings", "Bitmap", T::Text, "splash.tga", "side image of the first and last page",
     nullptr},
    {"Settings", "Scope", T::Text, "machine",
     "who it installs for: machine (all users, administrator rights), user (the current user, "
     "no administrator), both (the wizard asks; /ALLUSERS or /CURRENTUSER)",
     "machine"},
    {"Task", "MutexString", T::Text, "",
     "mutex the running program holds; the setup asks to close it first", nullptr},
    {"Task", "Desktop", T::Number, "0", "1: the desktop shortcut box starts ticked", "0"},
    {"Task", "StartMenu", T::Byte, "0", "1: make the Start-menu folder and its shortcuts", "1"},
    {"Task", "StartProg", T::Byte, "0",
     "1: offer to start the program when the setup ends (ProgExe must end in .exe)", "0"},
    {"Task", "Reboot", T::Byte, "0", "1: ask for a restart at the end", "0"},
    {"Task", "NoUninstall", T::Byte, "0", "1: no uninstall entry, no uninstaller", "0"},
    {"Task", "NoDelAll", T::Byte, "0",
     "1: the uninstaller does not offer to delete every file of the folder", nullptr},
    {"Task", "ProgParameter", T::Text, "", "arguments of the program's shortcuts", nullptr},
    {"Task", "ScriptFile", T::Text, "", "setup script (.js or .vbs) run after the installation",
     nullptr},
    {"StartMenue", "DefaultDir", T::Text, "",
     "Start-menu folder, below the Start menu's programs", "My Program"},
    {"StartMenue", "ProgLink", T::Text, "the Titel",
     "name of the program's shortcuts and of the uninstall entry (empty: none)", "My Program"},
    {"StartMenue", "Help", T::Text, "", "help file of the program for a Start-menu link",
     nullptr},
    {"StartMenue", "URL", T::Text, "", "web address for a Start-menu link", nullptr},
    {"StartMenue", "Exe", T::Text, "", "another program of the installation for a link",
     nullptr},
    {"StartMenue", "Unistall", T::Number, "0", "1: a Start-menu link to the uninstaller", "1"},
    {kUserTaskGroup, kTaskCountKey, T::Number, "0", "count of the tasks Task1 ... TaskN", "0"},
};

using U = TaskFieldUse;

constexpr TaskFieldSpec kShortcut[] = {{"shortcut name", U::Name, true},
                                   {"target", U::ProgramPath, true},
                                   {"icon index", U::IconIndex, false},
                                   {"icon file", U::IconFile, false},
                                   {"arguments", U::Arguments, false}};
constexpr TaskFieldSpec kWebShortcut[] = {{"shortcut name", U::Name, true},
                                      {"web address", U::WebAddress, true},
                                      {"icon index", U::IconIndex, false},
                                      {"icon file", U::IconFile, false}};
constexpr TaskFieldSpec kPlaceFile[] = {{"shortcut name", U::Name, true},
                                    {"file of the setup", U::SetupFile, true},
                                    {"destination folder", U::TargetFolder, true}};
constexpr TaskFieldSpec kRegistry[] = {{"root key", U::RootKey, true},
                                   {"subkey", U::Subkey, true},
                                   {"value name", U::ValueName, false},
                                   {"data", U::Data, false}};
constexpr TaskFieldSpec kPrefKey[] = {{"file", U::PrefFile, true},
                                  {"group", U::PrefGroup, false},
                                  {"key", U::PrefKey, true},
                                  {"value", U::PrefValue, false}};
constexpr TaskFieldSpec kCopyRun[] = {{"destination folder", U::SystemFolder, true},
                                  {"file name", U::FileName, true},
                                  {"register flag", U::Flag, false}};
constexpr TaskFieldSpec kAssociation[] = {{"program", U::ProgramPath, true},
                                      {"extension", U::Extension, true},
                                      {"description", U::Description, false},
                                      {"icon index", U::IconIndex, false},
                                      {"icon file", U::IconFile, false},
                                      {"ask first", U::AskFirst, false}};

constexpr TaskKindSpec kKinds[] = {
    {TaskKind::DesktopLink, "shortcut on the desktop", kShortcut, 3, "0|My Notes|notes.txt|-1||"},
    {TaskKind::StartMenuLink, "shortcut in the Start-menu folder", kShortcut, 3,
     "1|My Manual|manual.txt|0|MyProgram.exe|"},
    {TaskKind::DesktopWebLink, "web shortcut on the desktop", kWebShortcut, 3,
     "2|My Homepage|https://example.com/|-1|"},
    {TaskKind::StartMenuWebLink, "web shortcut in the Start-menu folder", kWebShortcut, 3,
     "3|My Homepage|https://example.com/|-1|"},
    {TaskKind::StartupLink, "shortcut in the user's Startup folder", kShortcut, 3,
     "4|My Program at Start-up|MyProgram.exe|-1||/tray"},
    {TaskKind::PackageFile, "a file of the setup placed as a shortcut file", kPlaceFile, 4,
     "5|Read Me|readme.url|%ProgDir%"},
    {TaskKind::RegistryValue, "registry string value", kRegistry, 5,
     "6|2147483649|Software\\My Company\\My Program|Folder|%InstallDir%"},
    {TaskKind::PreferenceKey, "key in a Preference file of the program", kPrefKey, 5,
     "8|settings.ini|Paths|Data|%InstallDir%data\\"},
    {TaskKind::SystemFile, "copy a file, then register or run it", kCopyRun, 4,
     "9|%ProgDir%tools\\|setuphelp.exe|0"},
    {TaskKind::Association, "file-extension association", kAssociation, 4,
     "10|MyProgram.exe|myp|My Program Document|0|MyProgram.exe|1"},
};

}  // namespace

std::span<const SetupKey> SetupKeys() { return kKeys; }

const SetupKey* FindSetupKey(const char* group, const char* key) {
    for (const SetupKey& k : kKeys) {
        if (SameTextNoCase(k.Group, group) && SameTextNoCase(k.Key, key)) return &k;
    }
    return nullptr;
}

std::span<const TaskKindSpec> TaskKinds() { return kKinds; }

const TaskKindSpec* FindTaskKind(int kind) {
    for (const TaskKindSpec& k : kKinds) {
        if (int(k.Kind) == kind) return &k;
    }
    return nullptr;
}

}  // namespace wb
