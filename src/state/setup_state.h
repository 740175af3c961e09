// The Setup state: the one process-wide record of a running setup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/contract.h"  // the exit codes a run ends with
#include "state/setup_records.h"

namespace wb {

struct ProgramRecord;  // a started program (install/program runner)

struct SetupState {
    // Paths.
    std::string SetupExe;          // full path of the running installer
    std::string TempDir;           // temporary setup folder, ends in "\"
    std::string SetupIni;          // TempDir + "setup.ini"
    std::string LanguageFile;      // language file found for the user's language
    std::string ProgDirDefault;    // proposed installation folder
    std::string ProgDirLeaf;       // program folder name
    std::string InstallDir;        // installation folder
    std::string StartMenuDefault;  // proposed Start-menu folder
    std::string StartMenuDir;      // full path of the program's Start-menu folder
    std::string DesktopLink;       // desktop shortcut path
    std::string AdditionalExe;     // additional program of the Start menu
    std::string HomepageUrl;       // address of the Start menu's homepage link
    std::string ProductKey;        // "SOFTWARE\Wendlebox\" + GUID under HKEY_CURRENT_USER
    std::string SplashBitmap;      // side image file inside TempDir
    std::string HeaderIconFile;    // TempDir + "header.ico"

    // Command line.
    uint8_t QuietMode = 0;
    std::string CmdProgDir;
    std::string CmdStartMenu;
    uint8_t HookMode = 1;
    uint8_t LogRequested = 0;      // "/L" given: write an install log
    std::string CmdLogFile;        // the log file named by "/L:", empty for a new one in %TEMP%
    ScopeSwitch CmdScope = ScopeSwitch::None;  // "/ALLUSERS" or "/CURRENTUSER", the last one given

    // Values of the setup description.
    std::string LanguageList;
    std::string ProgExe;
    std::string Titel;
    std::string Version;
    std::string GUID;
    std::string PrgSize;
    std::string Web;
    std::string Date;
    std::string Author;
    std::string EMail;
    std::string MutexString;
    std::string NoCopyExt;
    std::string ProgLink;
    std::string ProgParameter;
    std::string ScriptFile;
    ScopeOffer ScopeOffered = ScopeOffer::Machine;  // Scope of [Settings]
    uint8_t PerUser = 0;           // installing for the current user alone
    uint8_t ScopeAsked = 0;        // the settings page lets the user choose the scope
    uint8_t StartProg = 0;
    uint8_t Reboot = 0;
    uint8_t NoUninstall = 0;
    uint8_t StartMenuEnabled = 0;
    int32_t DesktopIconState = 0;
    std::string PrevInstallDir;
    std::string PrevStartMenu;
    std::string PrevDesktopIcon;

    // Run state.
    uint8_t Page = 0;
    uint8_t ProgramRunning = 0;
    uint8_t Cancelled = 0;
    int32_t QuitLoop = 0;
    std::string WindowTitle;
    std::string InfoLine;
    ProgramRecord* BeforeHook = nullptr;
    ProgramRecord* WhileHook = nullptr;
    ProgramRecord* AfterHook = nullptr;
    LanguageTable Language;
    int32_t ProgressCount = 0;
    int64_t InstalledBytes = 0;    // size of the program files of the inner Package
    int64_t RoomNeeded = 0;        // bytes the installation takes on its volume
    int64_t RoomFree = -1;         // bytes free there; -1 when the system could not tell
    std::vector<std::string> UninstallRecords;

    // Damage found in a Package: the run must not report success.
    uint8_t PackageDamaged = 0;

    std::string ScriptError;      // the script engine's error text; empty when the script ran clean
    int32_t ScriptErrorLine = 0;  // the line of that error, 0 when the engine gave none
};

// The one instance; zeroed at process start.
extern SetupState Setup;

}  // namespace wb
