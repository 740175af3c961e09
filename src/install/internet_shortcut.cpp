// Internet Shortcut files for web links.
#include "install/internet_shortcut.h"

#include "config/link_names.h"
#include "platform/files.h"
#include "platform/text.h"

namespace wb {

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
