// Test program for the shortcut, uninstall-entry, association and Uninstall-log code under
// Wine. It runs the lines of a script file, each a command and its fields separated by tabs:
//   set FIELD VALUE          sets a Setup field (InstallDir, ProgExe, GUID, ProgLink,
//                            ProgParameter, SetupIni, Titel, Version, DesktopLink,
//                            AdditionalExe, StartMenuDir)
//   language PATH            loads the Language table from a language file (an empty
//                            PATH: the built-in texts for the current Titel and Version)
//   record TEXT              adds an uninstall record
//   shortcut TARGET LINK WORKDIR ARGS SHOW DESC HOTKEY ICONFILE ICONINDEX
//                            prints "shortcut=" and CreateShortcut's result
//   startmenu NAME           prints "StartMenuDir=" and "AdditionalExe=" afterwards
//   register FALLBACK DISPLAY PUBLISHER WEB CONTACT ICON COMMAND
//   associate EXT DESC PROGRAM ICONSPEC
//   log                      writes the Uninstall log; prints "ProgLink=" afterwards
//   version                  prints "Version=" and the system version in hex
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/language_table.h"
#include "handover/uninstall_log.h"
#include "install/association.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry.h"
#include "platform/system_info.h"
#include "state/setup_state.h"

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t begin = 0;
    while (true) {
        size_t tab = line.find('\t', begin);
        fields.push_back(line.substr(begin, tab == std::string::npos ? std::string::npos
                                                                      : tab - begin));
        if (tab == std::string::npos) return fields;
        begin = tab + 1;
    }
}

bool SetField(const std::string& name, const std::string& value) {
    wb::SetupState& s = wb::Setup;
    std::string* fields[] = {&s.InstallDir, &s.ProgExe, &s.GUID, &s.ProgLink, &s.ProgParameter,
                             &s.SetupIni, &s.Titel, &s.Version, &s.DesktopLink,
                             &s.AdditionalExe, &s.StartMenuDir};
    const char* names[] = {"InstallDir", "ProgExe", "GUID", "ProgLink", "ProgParameter",
                           "SetupIni", "Titel", "Version", "DesktopLink", "AdditionalExe",
                           "StartMenuDir"};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        if (name == names[i]) {
            *fields[i] = value;
            return true;
        }
    }
    return false;
}

bool Run(const std::vector<std::string>& f) {
    const std::string& c = f[0];
    if (c == "set" && f.size() == 3) return SetField(f[1], f[2]);
    if (c == "language" && f.size() == 2) {
        wb::LoadLanguageTable(f[1]);
        return true;
    }
    if (c == "record" && f.size() == 2) {
        wb::Setup.UninstallRecords.push_back(f[1]);
        return true;
    }
    if (c == "shortcut" && f.size() == 10) {
        int r = wb::CreateShortcut(f[1], f[2], f[3], f[4], std::atoi(f[5].c_str()), f[6],
                                   uint16_t(std::atoi(f[7].c_str())), f[8],
                                   std::atoi(f[9].c_str()));
        std::printf("shortcut=%d\n", r);
        return true;
    }
    if (c == "startmenu" && f.size() == 2) {
        wb::CreateStartMenuEntries(f[1]);
        std::printf("StartMenuDir=%s\nAdditionalExe=%s\n", wb::Setup.StartMenuDir.c_str(),
                    wb::Setup.AdditionalExe.c_str());
        return true;
    }
    if (c == "register" && f.size() == 8) {
        wb::RegisterUninstall(f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
        return true;
    }
    if (c == "associate" && f.size() == 5) {
        wb::AssociateExtension(f[1], f[2], f[3], f[4]);
        return true;
    }
    if (c == "log" && f.size() == 1) {
        wb::WriteUninstallLog();
        std::printf("ProgLink=%s\n", wb::Setup.ProgLink.c_str());
        return true;
    }
    if (c == "version" && f.size() == 1) {
        std::printf("Version=%08lX\n", static_cast<unsigned long>(wb::SystemVersion()));
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: link_probe SCRIPT\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "link_probe: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string script;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) script.append(chunk, n);
    std::fclose(in);

    wb::CreateLanguageTable();
    int number = 0;
    for (size_t begin = 0; begin < script.size();) {
        size_t end = script.find('\n', begin);
        if (end == std::string::npos) end = script.size();
        std::string line = script.substr(begin, end - begin);
        begin = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!Run(SplitTabs(line))) {
            std::fprintf(stderr, "link_probe: line %d not understood: %s\n", number, line.c_str());
            return 3;
        }
    }
    std::fflush(stdout);
    return 0;
}
