// The starter project of `wbpack init`.
#include "wbpack/authoring/init.h"

#include <cstdio>

#include "config/setup_keys.h"
#include "package/extract.h"
#include "platform/text.h"
#include "wbpack/host_files.h"

namespace wb {
namespace {

// The name in the table's examples that a starter project replaces by its own title.
constexpr const char kExampleTitle[] = "My Program";

const char kLicence[] =
    "Replace this text with the licence of your program.\r\n"
    "\r\n"
    "The setup shows licence.txt (or licence.rtf, which wins when both are there) on its\r\n"
    "second page and goes on only when the user accepts it. Delete both files and the page\r\n"
    "is skipped.\r\n";

const char kReadme[] =
    "Replace this text with what users should know before they install.\r\n"
    "\r\n"
    "The setup shows readme.txt (or readme.rtf) on its fourth page; without it the page is\r\n"
    "skipped.\r\n";

const char kPlaceholder[] =
    "Replace this file with your program's files: everything below program/ is installed\r\n"
    "into the installation folder as it is. Then name the main file in ProgExe of setup.ini.\r\n";

bool WriteNew(const std::string& path, const std::string& text, std::string& error) {
    PendingOutput out;
    if (!BeginOutput(path, out, error)) return false;
    if (!WriteAll(out.File, text.data(), text.size())) {
        error = path + ": write error";
        return false;
    }
    return CommitOutput(out, error);
}

std::string BaseName(std::string path) {
    while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string NewGuid() {
    uint8_t b[16];
    if (!HostRandomBytes(b, sizeof b)) return {};
    b[6] = uint8_t((b[6] & 0x0F) | 0x40);  // version 4: random
    b[8] = uint8_t((b[8] & 0x3F) | 0x80);  // the standard variant
    char text[39];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

std::string StarterDescription(const std::string& title, const std::string& guid) {
    std::string t;
    auto line = [&t](const std::string& s) { t += s + "\r\n"; };
    line("; The setup description of " + title + ", read by the Wendlebox installer.");
    line("; A line starting with \";\" is a comment. Group and key names are spelled as the");
    line("; installer reads them (\"Titel\", \"StartMenue\", \"Unistall\"); `wbpack check` finds a");
    line("; misspelt one. A key written as \";Key =\" is left at its default; remove the \";\" to");
    line("; set it. Path macros: %ProgramFiles% %CommonFiles% %Windows% %System% %Fonts%");
    line("; %AppData% %MyDocuments% %StartUp% %QuickLaunch%; each ends in a backslash, so write");
    line("; the next name straight after it (%ProgramFiles%My Program).");
    std::string group;
    for (const SetupKey& k : SetupKeys()) {
        if (group != k.Group) {
            group = k.Group;
            line("");
            line("[" + group + "]");
        }
        std::string comment = std::string("; ") + k.Effect;
        if (*k.Default) comment += std::string(" (default ") + k.Default + ")";
        line(comment);
        std::string key = k.Key;
        if (key == "GUID") {
            line("GUID = " + guid);
        } else if (key == "ProgExe") {
            // No program is there yet; a ProgExe naming a missing file fails the check.
            line(std::string(";ProgExe = ") + k.Example);
        } else if (k.Example) {
            line(key + " = " + ReplaceAll(k.Example, kExampleTitle, title));
        } else {
            line(";" + key + " =");
        }
    }
    line("; Install tasks: raise Number and write Task1, Task2, ... One example of each kind:");
    for (const TaskKindSpec& kind : TaskKinds()) {
        std::string fields = std::to_string(int(kind.Kind));
        for (const TaskFieldSpec& f : kind.Fields) fields += std::string("|") + f.Name;
        line("; " + std::to_string(int(kind.Kind)) + ": " + kind.Title + ": " + fields);
        line(";Task1 = " + std::string(kind.Example));
    }
    return t;
}

bool InitProject(const std::string& dir, const std::string& title, std::string& error) {
    HostStat st;
    if (HostStatPath(dir, st) && !st.IsFolder) {
        error = dir + ": not a folder";
        return false;
    }
    const std::string sep(1, kHostSeparator);
    if (HostStatPath(dir + sep + "setup.ini", st)) {
        error = dir + ": already holds a setup.ini; nothing written";
        return false;
    }
    std::string name = title.empty() ? BaseName(dir) : title;
    if (name.empty()) name = kExampleTitle;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80 ||
            std::string("\\/:*?\"<>|%").find(c) != std::string::npos) {
            error = "the title '" + name + "' becomes folder and shortcut names; give --title with "
                    "letters, digits, blanks, '.', '-' or '_'";
            return false;
        }
    }
    const std::string guid = NewGuid();
    if (guid.empty()) {
        error = "the system's random source cannot be read; no GUID for the project";
        return false;
    }
    CreateFolderPath(dir + sep + "program" + sep);
    if (!HostStatPath(dir + sep + "program", st) || !st.IsFolder) {
        error = dir + ": cannot create the folder";
        return false;
    }
    const std::string program = dir + sep + "program" + sep;
    return WriteNew(program + "placeholder.txt", kPlaceholder, error) &&
           WriteNew(dir + sep + "licence.txt", kLicence, error) &&
           WriteNew(dir + sep + "readme.txt", kReadme, error) &&
           WriteNew(dir + sep + "setup.ini", StarterDescription(name, guid), error);
}

}  // namespace wb
