// The setup description (setup.ini) and the choices remembered in the per-product key.
#pragma once

#include <string>

namespace wb {

// "SOFTWARE\Wendlebox\" + `guid`: the per-product key under HKEY_CURRENT_USER.
std::string ProductKeyPath(const std::string& guid);
// The key that remembers the choices of one scope: ProductKeyPath for an installation for
// all users, its subkey "CurrentUser" for a per-user one, so that neither proposes the
// other's folder.
std::string ScopedProductKeyPath(const std::string& guid, bool perUser);

// The program folder name of a default installation folder: the last non-empty part
// between backslashes; without a backslash, the text after the second of exactly two
// "%"; otherwise the whole value.
std::string ProgramFolderName(const std::string& defaultDir);

// First reading of Setup.SetupIni at start-up: language list, ProgExe, title (default
// "--- unkown ---"), version, GUID, disk space text and the trimmed mutex name.
void ReadStartupKeys();

// Loads the rest of the setup description into Setup, settling the proposed
// installation folder, Start-menu folder and desktop choice from the command line, the
// per-product key of an earlier installation and setup.ini, in that order of precedence.
void LoadSetupDescription();

// Remembers the wizard's choices in the per-product key (only when Setup.GUID is set):
// Setup.InstallDir, the Start-menu field's text and the desktop box as "1" or "0".
void SaveChoices(const std::string& startMenuFieldText, bool desktopTicked);

}  // namespace wb
