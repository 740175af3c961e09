// The prefix's files and registry, read for before-and-after comparisons.
#include "e2e/prefix_state.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/wine_harness.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

// reg export writes UTF-16; the keys and values the tests look at are ASCII, and other
// characters are kept as their code numbers so that no change goes unseen.
std::string FromUtf16(const std::string& bytes) {
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned c = static_cast<unsigned char>(bytes[i]) |
                           static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (c < 0x80) text += char(c);
        else text += "\\u" + std::to_string(c) + ";";
    }
    return text;
}

// Keys Wine itself rewrites as programs start (devices, display metrics, the cache of the
// shell's folders): no installation writes there.
bool WinesOwn(const std::string& key) {
    for (const char* own : {"[HKEY_LOCAL_MACHINE\\System\\", "[HKEY_LOCAL_MACHINE\\Hardware\\",
                            "[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters",
                            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                            "Explorer\\Shell Folders]"}) {
        if (key.rfind(own, 0) == 0) return true;
    }
    return false;
}

void ReadHive(const std::string& hive, std::set<std::string>& lines) {
    const std::string file = ScratchDir("prefix-state") + "/" + hive + ".reg";
    RunWine("reg", {"export", hive, WinPath(file), "/y"}, 120);
    std::stringstream text(FromUtf16(ReadFile(file)));
    std::string line, key;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') key = line;
        if (WinesOwn(key)) continue;
        lines.insert(line[0] == '[' ? key : key + " " + line);
    }
}

}  // namespace

PrefixState ReadPrefixState() {
    PrefixState state;
    const fs::path root = fs::path(PrefixDir()) / "drive_c";
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::end(it); it.increment(ec)) {
        const std::string name = fs::relative(it->path(), root, ec).string();
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            state.Files.insert(name + "/");
            continue;
        }
        // The uninstaller's copy of itself in the temporary folder is deleted at the next
        // restart, which a Wine prefix never has.
        if (name.find("/Temp/wbuninst-") != std::string::npos) continue;
        const auto time = fs::last_write_time(it->path(), ec).time_since_epoch().count();
        state.Files.insert(name + "|" + std::to_string(it->is_symlink(ec) ? 0 : fs::file_size(it->path(), ec)) +
                           "|" + std::to_string(time));
    }
    ReadHive("HKLM", state.Registry);
    ReadHive("HKCU", state.Registry);
    return state;
}

std::string PrefixChanges(const PrefixState& before, const PrefixState& after) {
    std::string changes;
    const auto diff = [&changes](const std::set<std::string>& a, const std::set<std::string>& b,
                                 const char* mark) {
        for (const std::string& line : a) {
            if (!b.count(line)) changes += std::string(mark) + line + "\n";
        }
    };
    diff(before.Files, after.Files, "- ");
    diff(after.Files, before.Files, "+ ");
    diff(before.Registry, after.Registry, "- ");
    diff(after.Registry, before.Registry, "+ ");
    return changes;
}

}  // namespace e2e
