// Path tests of the uninstaller; plain text work, no file-system access but the folder
// list of the shell.
#include "uninstaller/safe_paths.h"

#include "platform/shell.h"

namespace wb {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Folded(char c) {
    if (c == '/') return '\\';
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Lower case, "\" separators, no trailing separator.
std::string Canonical(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) out.push_back(Folded(c));
    while (out.size() > 1 && out.back() == '\\') out.pop_back();
    return out;
}

}  // namespace

bool IsAbsolutePath(const std::string& path) {
    if (!path.empty() && IsSeparator(path[0])) return true;
    return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]) &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || !IsSeparator(folder.back())) {
        bool forward = folder.find('/') != std::string::npos &&
                       folder.find('\\') == std::string::npos;
        folder.push_back(forward ? '/' : '\\');
    }
    return folder;
}

bool SamePath(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && Canonical(a) == Canonical(b);
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.find("..") != std::string::npos) return false;
    std::string f = Canonical(folder);
    if (f.back() != '\\') f.push_back('\\');
    std::string p = Canonical(path);
    return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}

bool ContainsOrEquals(const std::string& folder, const std::string& other) {
    return SamePath(folder, other) || IsInsideFolder(other, folder);
}

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (suffix.size() > text.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (Folded(text[text.size() - suffix.size() + i]) != Folded(suffix[i])) return false;
    }
    return true;
}

bool IsDriveRoot(const std::string& folder) {
    std::string f = Canonical(folder);
    if (f.empty() || f == "\\") return true;
    if (f.size() == 2 && f[1] == ':') return true;
    if (f.size() == 3 && f[1] == ':' && f[2] == '\\') return true;
    if (f.compare(0, 2, "\\\\") == 0) {
        // "\\server\share" is the root of a network drive.
        size_t server = f.find('\\', 2);
        return server == std::string::npos || f.find('\\', server + 1) == std::string::npos;
    }
    return false;
}

std::vector<std::string> ProtectedFolders() {
    std::vector<std::string> folders;
    auto add = [&folders](const std::string& path) {
        if (!path.empty()) folders.push_back(WithTrailingSlash(path));
    };
    // Every folder code the shell knows lies below 0x40.
    for (int csidl = 0; csidl < 0x40; ++csidl) add(ShellFolderPath(csidl));
    add(WindowsFolderPath());
    add(SystemFolderPath());
    add(TempFolderPath());
    return folders;
}

bool IsProtectedFolder(const std::string& folder,
                       const std::vector<std::string>& protectedFolders) {
    if (IsDriveRoot(folder)) return true;
    for (const std::string& p : protectedFolders) {
        if (ContainsOrEquals(folder, p)) return true;
    }
    return false;
}

}  // namespace wb
