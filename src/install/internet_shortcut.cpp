// Internet Shortcut files for web links.
#include "install/internet_shortcut.h"

#include "platform/files.h"
#include "platform/text.h"

namespace wb {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsWebAddress(const std::string& target) {
    if (target.empty() || !IsLetter(target[0])) return false;
    size_t i = 1;
    while (i < target.size() &&
           (IsLetter(target[i]) || IsDigit(target[i]) || target[i] == '+' || target[i] == '-' ||
            target[i] == '.')) {
        ++i;
    }
    return i >= 2 && i < target.size() && target[i] == ':';
}

std::string WebLinkPath(const std::string& linkPath) {
    const size_t n = linkPath.size();
    if (n >= 4 && SameTextNoCase(std::string_view(linkPath).substr(n - 4), ".lnk")) {
        return linkPath.substr(0, n - 4) + ".url";
    }
    return linkPath + ".url";
}

std::string InternetShortcutText(const std::string& url, const std::string& iconFile,
                                 int iconIndex) {
    std::string text = "[InternetShortcut]\r\nURL=" + url + "\r\n";
    if (!iconFile.empty()) {
        text += "IconFile=" + iconFile + "\r\nIconIndex=" + std::to_string(iconIndex) + "\r\n";
    }
    return text;
}

bool WriteInternetShortcut(const std::string& path, const std::string& url,
                           const std::string& iconFile, int iconIndex) {
    // A line break inside a value would start a key of its own in the file.
    if (url.find_first_of("\r\n") != std::string::npos ||
        iconFile.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    const std::string text = InternetShortcutText(url, iconFile, iconIndex);
    PlatformFile* file = FileOpen(path.c_str(), FileAccess::CreateAlways);
    if (!file) return false;
    bool ok = FileWrite(file, text.data(), uint32_t(text.size()));
    ok = FileClose(file) && ok;
    // A cut file would open nowhere; better none at all.
    if (!ok) FileDelete(path.c_str());
    return ok;
}

}  // namespace wb
