// Language selection: matching the user's language against the setup's language list.
#include "startup/language_select.h"

#include <utility>

#include "config/language_table.h"
#include "config/pref_file.h"
#include "platform/system_info.h"
#include "platform/window.h"
#include "state/setup_state.h"

namespace wb {

int CountLanguageEntries(const std::string& list) noexcept {
    int count = 0;
    for (char c : list) count += c == '|';
    return count;
}

std::string ListField(const std::string& text, char separator, int index) {
    if (index < 1) return {};
    size_t begin = 0;
    for (int i = 1; i < index; ++i) {
        size_t at = text.find(separator, begin);
        if (at == std::string::npos) return {};
        begin = at + 1;
    }
    size_t end = text.find(separator, begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string FindLanguageFile(const std::string& list) {
    int32_t user = UserDefaultLanguage() & 0x1FF;
    std::string result;
    int entries = CountLanguageEntries(list);
    for (int i = 1; i <= entries; ++i) {
        std::string entry = ListField(list, '|', i);
        // No early exit: the last matching entry wins.
        if (ParseLeadingNumber(ListField(entry, '#', 2)) == user) result = ListField(entry, '#', 1);
    }
    return result;
}

std::vector<std::string> LanguageChooserItems(const std::string& list) {
    std::vector<std::string> items;
    int entries = CountLanguageEntries(list);
    for (int i = 1; i <= entries; ++i) {
        std::string file = ListField(ListField(list, '|', i), '#', 1);
        // Built by appending: GCC 12 at -O3 misreads " " + text as an overlapping copy.
        std::string item(1, ' ');
        item.append(file, 0, file.find('.'));
        items.push_back(std::move(item));
    }
    return items;
}

std::string LanguageChooserFile(const std::string& list, int index) {
    if (index < 0 || index >= CountLanguageEntries(list)) return {};
    return ListField(ListField(list, '|', index + 1), '#', 1);
}

std::string ChooseLanguage(const std::string& list) {
    // No Language table is loaded yet, so the window's texts are literals.
    constexpr int kWindow = 3, kList = 40, kOk = 41;
    if (!OpenWindow(kWindow, " Wendlebox", 0, 0, 140, 55, WindowPlacement::CentreOnScreen) ||
        !AddControl(kWindow, kList, ControlKind::DropList, 5, 5, 130, 200, "") ||
        !AddControl(kWindow, kOk, ControlKind::Button, 40, 32, 60, 18, "OK")) {
        CloseNumberedWindow(kWindow);
        return {};
    }
    std::vector<std::string> items = LanguageChooserItems(list);
    for (size_t i = 0; i < items.size(); ++i) {
        AddListItem(kList, static_cast<int>(i), items[i].c_str());
    }
    SelectListItem(kList, 0);
    ShowNumberedWindow(kWindow);
    std::string result;
    for (;;) {
        WindowEvent e = WaitEvent();
        if (e.Kind == EventKind::Quit) break;
        if (e.Window != kWindow) continue;
        if (e.Kind == EventKind::CloseRequest) break;
        if (e.Control == kOk) {
            int index = GetListSelection(kList);
            if (index < 0) continue;
            result = LanguageChooserFile(list, index);
            break;
        }
    }
    CloseNumberedWindow(kWindow);
    return result;
}

void SelectLanguage() {
    const std::string& list = Setup.LanguageList;
    std::string name;
    if (CountLanguageEntries(list) >= 2) {
        Setup.LanguageFile = FindLanguageFile(list);
        name = Setup.LanguageFile.empty() ? ChooseLanguage(list) : Setup.LanguageFile;
    } else {
        name = list.substr(0, list.find('#'));
        name = name.substr(0, name.find('|'));
    }
    LoadLanguageTable(Setup.TempDir + name);
}

}  // namespace wb
