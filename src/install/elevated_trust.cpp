// The rule an elevated installation trusts a path by.
#include "install/elevated_trust.h"

#include "platform/scope.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace wb {

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// No part that walks upwards or stands for another name.
bool PlainParts(const std::string& path) {
    if (path.find('~') != std::string::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSlash(path[end])) ++end;
        const std::string part = path.substr(start, end - start);
        if (part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool RunsElevated() { return ProcessElevation() != 0; }

bool OnlyAdministratorsWrite(const std::string& path) {
    if (path.size() < 4 || path[1] != ':' || !IsSlash(path[2]) || !PlainParts(path)) return false;
    for (std::string folder : AdminOnlyFolders()) {
        while (!folder.empty() && IsSlash(folder.back())) folder.pop_back();
        if (folder.size() < 3 || path.size() <= folder.size() + 1) continue;
        if (SameTextNoCase(path.substr(0, folder.size()), folder) && IsSlash(path[folder.size()])) {
            return true;
        }
    }
    return false;
}

}  // namespace wb
