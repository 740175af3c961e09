// Test program for the configuration helpers under Wine: prints special folders, Path
// macro expansions and registry texts as the installer's own code sees them.
//   config_probe folders                    one "code=folder" line per folder code
//   config_probe expand PATH 0|1            the expansion of PATH in brackets
//   config_probe write ROOT KEY NAME TEXT   the RegWriteText result (0, 1 or 2)
//   config_probe writefill ROOT KEY NAME COUNT   writes COUNT times "x"; prints the result
//   config_probe read ROOT KEY NAME         the RegReadText result in brackets
// ROOT is HKCR, HKCU or HKLM; NAME "-" means the key's default value.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/registry_text.h"
#include "config/special_folders.h"

namespace {

bool ParseRoot(const char* text, wb::RegRoot& root) {
    if (std::strcmp(text, "HKCR") == 0) root = wb::RegRoot::ClassesRoot;
    else if (std::strcmp(text, "HKCU") == 0) root = wb::RegRoot::CurrentUser;
    else if (std::strcmp(text, "HKLM") == 0) root = wb::RegRoot::LocalMachine;
    else return false;
    return true;
}

const char* ValueName(const char* text) { return std::strcmp(text, "-") == 0 ? "" : text; }

int Usage() {
    std::fprintf(stderr, "usage: config_probe folders | expand PATH 0|1 | write ROOT KEY NAME TEXT"
                         " | writefill ROOT KEY NAME COUNT | read ROOT KEY NAME\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "folders" && argc == 2) {
        const int codes[] = {-1, -2, -3, -4, -5, -6, -7, -8, 0, 2, 5, 7, 20, 23, 26, 43};
        for (int code : codes) std::printf("%d=%s\n", code, wb::SpecialFolder(code).c_str());
        return 0;
    }
    if (command == "expand" && argc == 4) {
        std::printf("[%s]\n", wb::ExpandPathMacros(argv[2], std::atoi(argv[3]) != 0).c_str());
        return 0;
    }
    wb::RegRoot root;
    if (argc < 5 || !ParseRoot(argv[2], root)) return Usage();
    if (command == "write" && argc == 6) {
        std::printf("%d\n", wb::RegWriteText(root, argv[3], ValueName(argv[4]), argv[5]));
        return 0;
    }
    if (command == "writefill" && argc == 6) {
        std::string text(size_t(std::atoi(argv[5])), 'x');
        std::printf("%d\n", wb::RegWriteText(root, argv[3], ValueName(argv[4]), text.c_str()));
        return 0;
    }
    if (command == "read" && argc == 5) {
        std::printf("[%s]\n", wb::RegReadText(root, argv[3], ValueName(argv[4])).c_str());
        return 0;
    }
    return Usage();
}
