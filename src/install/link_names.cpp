// Names of the program's shortcuts.
#include "install/link_names.h"

#include "startup/setup_state.h"

namespace wb {

std::string TrimBlanks(const std::string& text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

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

}  // namespace wb
