// Names of the program's shortcuts.
#include "config/link_names.h"

#include "startup/setup_state.h"

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

}  // namespace wb
