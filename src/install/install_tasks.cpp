// Parsing Install tasks and resolving their paths.
#include "install/install_tasks.h"

#include <algorithm>

#include "config/pref_file.h"
#include "config/special_folders.h"
#include "platform/files.h"

namespace wb {

InstallTask ParseInstallTask(const std::string& value) {
    InstallTask task;
    size_t start = 0;
    for (;;) {
        size_t bar = value.find('|', start);
        task.Fields.push_back(value.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    task.Kind = TaskByte(task.Fields.front());
    return task;
}

std::string TaskField(const InstallTask& task, size_t n) {
    return n >= 1 && n <= task.Fields.size() ? task.Fields[n - 1] : std::string();
}

int8_t TaskByte(const std::string& text) noexcept {
    return static_cast<int8_t>(static_cast<uint8_t>(ParseLeadingNumber(text)));
}

std::string ResolveTaskPath(const std::string& path, const std::string& installDir) {
    if (std::count(path.begin(), path.end(), '%') == 2) return ExpandPathMacros(path, true);
    return installDir + path;
}

std::string ResolveTaskIcon(const std::string& iconFile, int8_t iconIndex,
                            const std::string& installDir) {
    if (iconIndex == -1 || iconFile.empty()) return "|";
    std::string file = ResolveTaskPath(iconFile, installDir);
    return PathExists(file.c_str()) ? file : "|";
}

std::string LinkFileName(const std::string& name) {
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".lnk") == 0) return name;
    return name + ".lnk";
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace wb
