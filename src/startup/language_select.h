// Language selection: which language file of the setup fills the Language table.
#pragma once

#include <string>
#include <vector>

namespace wb {

// Number of entries of a language list: its count of "|" (an unclosed last entry does
// not count).
int CountLanguageEntries(const std::string& list) noexcept;

// The `index`-th (from 1) field of `text` separated by `separator`; empty past the end.
std::string ListField(const std::string& text, char separator, int index);

// File name of the last entry whose language number equals the low 9 bits of the user's
// language identifier; empty when none does.
std::string FindLanguageFile(const std::string& list);

// The chooser's items, in list order: " " + the file name up to its first ".".
std::vector<std::string> LanguageChooserItems(const std::string& list);
// The file of the chooser item at `index` (from 0); empty for -1 or an index past the
// entries. The index is a full int, so lists of any length work.
std::string LanguageChooserFile(const std::string& list, int index);

// Lets the user pick a language file; empty when the chooser cannot be shown or is
// closed without a choice.
std::string ChooseLanguage(const std::string& list);

// Decides the language file from Setup.LanguageList (storing a match in
// Setup.LanguageFile) and loads the Language table from Setup.TempDir + that name.
void SelectLanguage();

}  // namespace wb
