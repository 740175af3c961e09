// The version fake: version resources as a test assigns them to paths.
#include <map>

#include "fakes/fakes.h"
#include "platform/version_info.h"

namespace wb {
namespace {

struct VersionFake {
    std::map<std::string, FileVersionInfo> Files;
    int Reads = 0;
};

VersionFake g_version;

}  // namespace

bool ReadFileVersion(const char* path, FileVersionInfo& out) {
    ++g_version.Reads;
    out = FileVersionInfo{};
    auto it = g_version.Files.find(path ? path : "");
    if (it == g_version.Files.end()) return false;
    out = it->second;
    return true;
}

namespace fake {

void VersionReset() { g_version = VersionFake{}; }
void VersionSetInfo(const std::string& path, const FileVersionInfo& info) {
    g_version.Files[path] = info;
}
int VersionReadCount() { return g_version.Reads; }

}  // namespace fake
}  // namespace wb
