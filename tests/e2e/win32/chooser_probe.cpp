// Runs the Start-menu folder chooser over a stand-in wizard window under Wine.
//   chooser_probe roots            prints "user=..." and "common=..." (the Programs roots)
//   chooser_probe choose FIELD     opens the chooser with FIELD in the Start-menu field and
//                                  prints "[result]"
#include <cstdio>
#include <cstring>
#include <string>

#include "config/language_table.h"
#include "config/special_folders.h"
#include "platform/window.h"
#include "ui/start_menu_chooser.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "roots") == 0) {
        std::printf("user=%s\ncommon=%s\n", wb::SpecialFolder(2).c_str(),
                    wb::SpecialFolder(23).c_str());
        return 0;
    }
    if (argc < 3 || std::strcmp(argv[1], "choose") != 0) return 2;
    wb::CreateLanguageTable();
    if (!wb::OpenWindow(1, "Stand-in wizard", 0, 0, 500, 360, wb::WindowPlacement::CentreOnScreen) ||
        !wb::AddControl(1, 22, wb::ControlKind::Text, 10, 10, 200, 20, argv[2])) {
        return 3;
    }
    wb::ShowNumberedWindow(1);
    std::string result = wb::ChooseStartMenuFolder();
    std::printf("[%s]\n", result.c_str());
    std::fflush(stdout);
    return 0;
}
