// Names of the program's shortcuts.
#include "config/link_names.h"

#include "state/setup_state.h"

namespace wb {

std::string FilePartOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPartOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameBeforeFirstDot(const std::string& name) { return name.substr(0, name.find('.')); }

std::string ProgramLinkName() {
    return Setup.ProgLink.empty() ? NameBeforeFirstDot(Setup.ProgExe) : Setup.ProgLink;
}

std::string AdditionalLinkFile(const std::string& exe) {
    return NameBeforeFirstDot(FilePartOf(exe)) + ".lnk";
}

std::string LanguageLinkFile(LangId id) { return TrimBlanks(LangText(id)) + ".lnk"; }

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

std::string ShortcutFileFor(const std::string& target, const std::string& linkPath) {
    return IsWebAddress(target) ? WebLinkPath(linkPath) : linkPath;
}

}  // namespace wb
