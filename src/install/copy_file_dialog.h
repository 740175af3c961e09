// The Copy File dialog (window 4): the current and the new file's version data side by
// side, and the question whether to replace the current file.
#pragma once

#include <string>

namespace wb {

constexpr int kCopyFileWindow = 4;
constexpr int kCopyFileYes = 57;
constexpr int kCopyFileNo = 58;

// The three fields of a version summary ("version|description|language").
struct VersionSummary {
    std::string Version;
    std::string Description;
    std::string Language;
};

// Splits a summary. A "|" inside the description stays in it: the version is the text
// before the first "|", the language the text after the last one.
VersionSummary SplitVersionSummary(const std::string& summary);

// What one column of the dialog shows for a file: the version, or the file's creation
// time when there is none; language and description, or the not-available text.
struct VersionColumn {
    std::string Version;
    std::string Language;
    std::string Description;
};
VersionColumn MakeVersionColumn(const VersionSummary& summary, const std::string& createdText);

// The caption: " " + the window text + "  '" + the file's name without its folder + "'".
std::string CopyFileDialogTitle(const std::string& newPath);

// Opens window 4 with every control and both columns filled, then shows it. False when
// the window cannot be created.
bool OpenCopyFileDialog(const std::string& newPath, const VersionColumn& current,
                        const VersionColumn& next);

}  // namespace wb
