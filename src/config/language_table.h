// The Language table: every user-visible text, by group and key, with built-in defaults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/setup_records.h"  // LanguageTable

namespace wb {

// The rows of the table, in order; the name is group followed by key.
enum class LangId : uint16_t {
    InstallWindow, InstallMsg0, InstallMsg1, InstallMsg2, InstallMsg3, InstallMsg4,
    InstallMsg5, InstallMsg6, InstallReady, InstallHelp, InstallHomepage, InstallUninstall,
    InstallNoRoom, InstallFailed,
    Page01Titel, Page01Msg1, Page01Msg2, Page01Msg3,
    Page02Titel, Page02Msg, Page02AcceptYes, Page02AcceptNo,
    Page03Titel, Page03Msg, Page03ProgDir, Page03MenuDir, Page03NoStartMenu,
    Page03DesktopIcon, Page03AllUsers, Page03OnlyMe, Page03NeedsAdmin,
    Page04Titel, Page04Msg,
    Page05Titel1, Page05Titel2, Page05Msg, Page05Install, Page05RunProg, Page05Ready,
    RequesterRQ1Titel, RequesterRQ1Msg, RequesterRQ2Titel, RequesterRQ3Titel,
    RequesterRQ4Titel, RequesterRQ4Msg, RequesterRQ4Msg2, RequesterRQ5Titel,
    RequesterRQ5Msg,
    FileVersionWindow, FileVersionFrameOld, FileVersionFrameNew, FileVersionMsg,
    FileVersionVersion, FileVersionLang, FileVersionDesc, FileVersionNotAvailable,
    ButtonsNext, ButtonsBack, ButtonsApply, ButtonsCancel, ButtonsChange, ButtonsInstall,
    ButtonsFinish, ButtonsYes, ButtonsNo,
    UninstallerTitel, UninstallerMsg, UninstallerVersion, UninstallerUninstInfo,
    UninstallerDelAll, UninstallerError, UninstallerStatus, UninstallerOK,
    UninstallerCancel, UninstallerReady,
    Count
};

constexpr size_t kLanguageRowCount = size_t(LangId::Count);

// The message shown (wizard run only) when the setup's own file, or the inner Package,
// carries no readable Package. No language may be loaded at that point, so the text is
// built in.
extern const char* const kDamagedSetupCaption;
extern const char* const kDamagedSetupText;
// The message (wizard run) of a setup that cannot read its own files: the temporary folder
// cannot be made, the setup file or its setup.ini cannot be read. No language file can be
// read then either, so the text is built in: the text, the reason, then the advice. The
// caption is kDamagedSetupCaption.
extern const char* const kUnreadableSetupText;
extern const char* const kUnreadableSetupAdvice;
// The message (wizard run) of a program folder given with /P that cannot be made or that no
// path of the system's code page reaches; the folder's name follows.
extern const char* const kUnreachableFolderText;

// Group and key of a row, as language files name them.
const char* LanguageRowGroup(LangId id) noexcept;
const char* LanguageRowKey(LangId id) noexcept;

// The built-in English text of a row with the product title and version inserted.
std::string LanguageDefault(LangId id, const std::string& titel, const std::string& version);

// Creates the storage of Setup.Language: every row holds its built-in text for the
// current Setup.Titel and Setup.Version.
void CreateLanguageTable();

// Fills every row of Setup.Language from the language file at `path` through the
// Preference reader, each missing group or key keeping its built-in text (Setup.Titel
// and Setup.Version inserted). A path that names no readable file gives the defaults
// throughout. In the two page titles "|" becomes a line feed.
void LoadLanguageTable(const std::string& path);

// The text of a row of Setup.Language; the empty text before the table is created.
const std::string& LangText(LangId id) noexcept;
// The text by group and key (letter case ignored); the empty text for an unknown pair.
const std::string& LangText(const char* group, const char* key) noexcept;

}  // namespace wb
