// Helpers of the installation tests.
#include "e2e/install_util.h"

#include <filesystem>
#include <sstream>

#include "e2e/e2e_util.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/package_writer.h"

namespace e2e {

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The entries of a Package image as writer inputs, each file stored as it unpacks.
bool EntriesOf(const std::vector<uint8_t>& image, wb::PackageImage& parsed,
               std::vector<wb::PackInput>& inputs) {
    std::string error;
    if (!wb::ReadPackageImage(image.data(), image.size(), parsed, error)) return false;
    for (size_t i = 0; i < parsed.Entries.size(); ++i) {
        const wb::PackageEntry& e = parsed.Entries[i];
        wb::PackInput in;
        in.Name = e.Name;
        in.Kind = uint32_t(e.Kind);
        in.CreationTime = e.CreationTime;
        in.LastWriteTime = e.LastWriteTime;
        if (in.Kind == 1 && !wb::EntryContents(image.data(), image.size(), parsed, i, in.Data, error)) {
            return false;
        }
        inputs.push_back(std::move(in));
    }
    return true;
}

// Writes a Package of `inputs` behind the bytes of `out`, without padding.
bool AppendPackage(std::string& out, const std::vector<wb::PackInput>& inputs) {
    wb::PackWriteResult result;
    std::string error;
    auto sink = [&out](const uint8_t* data, size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
        return true;
    };
    return wb::WritePackage(sink, uint32_t(out.size()), inputs, wb::PackWriteOptions{}, result,
                            error);
}

bool DamageInner(const std::string& setup, const std::string& entry) {
    std::vector<uint8_t> image = Bytes(ReadFile(setup));
    wb::PackageImage outer;
    std::vector<wb::PackInput> inputs;
    if (!EntriesOf(image, outer, inputs)) return false;
    const uint32_t dataStart = outer.Trailer.DataStart;
    bool damaged = false;
    for (wb::PackInput& in : inputs) {
        if (in.Name != "setup.pck") continue;
        wb::PackageImage inner;
        std::string error;
        if (!wb::ReadPackageImage(in.Data.data(), in.Data.size(), inner, error)) return false;
        size_t largest = 0;
        for (size_t i = 0; i < inner.Entries.size(); ++i) {
            if (entry.empty() ? inner.Entries[i].PackedSize > inner.Entries[largest].PackedSize
                              : inner.Entries[i].Name == entry) {
                largest = i;
            }
        }
        if (!entry.empty() && inner.Entries[largest].Name != entry) return false;
        size_t at = inner.Positions[largest] + size_t(inner.Entries[largest].PackedSize) / 2;
        in.Data[at] ^= 0x5A;
        damaged = true;
    }
    if (!damaged) return false;
    std::string out(image.begin(), image.begin() + dataStart);
    if (!AppendPackage(out, inputs)) return false;
    WriteFile(setup, out);
    return true;
}

void DeleteKey(const std::string& key) {
    RunWine("C:\\windows\\system32\\reg.exe", {"delete", key, "/f"}, 60);
}

}  // namespace

bool DamageInnerPackage(const std::string& setup, const std::string& entry) {
    return DamageInner(setup, entry);
}

bool RepackOuterPackage(const std::string& setup, std::string& out) {
    std::vector<uint8_t> image = Bytes(ReadFile(setup));
    wb::PackageImage outer;
    std::vector<wb::PackInput> inputs;
    if (!EntriesOf(image, outer, inputs)) return false;
    return AppendPackage(out, inputs);
}

std::string BuildDemoSetup(const std::string& name, bool damageInnerPackage,
                           const std::string& options) {
    const std::string dir = ScratchDir(name);
    const std::string project = dir + "/hello";
    fs::copy(SourceDir() + "/examples/hello", project, fs::copy_options::recursive);
    fs::create_directories(project + "/program/tools");
    const std::string demo = BinDir() + "/demo/";
    // The build may have put one architecture's programs into the example already; the
    // tests take those of the Wine they run.
    const auto replace = fs::copy_options::overwrite_existing;
    fs::copy_file(demo + "Hello.exe", project + "/program/Hello.exe", replace);
    fs::copy_file(demo + "taskrun.exe", project + "/program/tools/taskrun.exe", replace);
    fs::copy_file(demo + "BeforeWB.exe", project + "/BeforeWB.exe");
    fs::copy_file(demo + "AfterWB.exe", project + "/AfterWB.exe");
    const std::string setup = dir + "/HelloSetup.exe";
    // Stored entries carry no checksum, so the damaged setup compresses its program files
    // one by one, where a flipped byte is found.
    const std::string shape = damageInnerPackage ? " --per-file" : "";
    const std::string args = "--arch " + TargetArch() + shape + (options.empty() ? "" : " " + options);
    if (BuildSetup(project, setup, StubPath(), args) != 0) return {};
    if (damageInnerPackage && !DamageInner(setup, "")) return {};
    return setup;
}

void ForgetDemoInstallation() {
    fs::remove_all(LinuxFolder("PROGRAMFILES") + "/Hello Wendlebox");
    const std::string programs = LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs";
    fs::remove_all(programs + "/Hello Wendlebox");
    // Wine spells the folder "StartUp"; a file system that tells letter case apart sees two.
    fs::remove(programs + "/Startup/Hello at Start-up.lnk");
    fs::remove(programs + "/StartUp/Hello at Start-up.lnk");
    for (const char* link : {"Hello Wendlebox.lnk", "Hello Notes.lnk", "Hello on the Web.lnk",
                             "Hello on the Web.url"}) {
        fs::remove(LinuxFolder("USERPROFILE") + "/Desktop/" + link);
    }
    fs::remove(LinuxFolder("TEMP") + "/wendlebox-demo.log");
    fs::remove(LinuxFolder("TEMP") + "/wendlebox-demo-script.txt");
    DeleteKey("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
              "{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");
    DeleteKey("HKCU\\Software\\Wendlebox\\{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");
    DeleteKey("HKCU\\Software\\Wendlebox Demo");
    DeleteKey("HKCR\\.hello");
    DeleteKey("HKCR\\hello_auto_file");
    DeleteKey("HKCR\\Applications\\Hello.exe");
    DeleteKey("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.hello");
}

namespace {

void CaptureFolder(const std::string& root, const std::string& label, PrefixState& state) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string rel = it->path().string().substr(root.size());
        const std::string lower = Lower(rel);
        // Wine's own scratch: its temporary folders and the setup's temporary folder, which
        // the finish removes, and the logs of the system's own services.
        if (lower.find("/temp") != std::string::npos || lower.rfind("/windows/logs", 0) == 0 ||
            lower.rfind("/windows/inf", 0) == 0) {
            continue;
        }
        if (it->is_symlink(ec)) {
            state.Files[label + rel] = "link";
            if (it->is_directory(ec)) it.disable_recursion_pending();
        } else if (it->is_directory(ec)) {
            state.Files[label + rel] = "folder";
        } else {
            const std::string bytes = ReadFile(it->path().string());
            state.Files[label + rel] =
                std::to_string(bytes.size()) + " " + std::to_string(std::hash<std::string>{}(bytes));
        }
    }
}

// Keys Wine rewrites by itself whenever its display driver or services start.
bool IsVolatileKey(const std::string& key) {
    static const char* const kVolatile[] = {
        "[HKEY_LOCAL_MACHINE\\Hardware",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles",
    };
    for (const char* prefix : kVolatile) {
        if (key.rfind(prefix, 0) == 0) return true;
    }
    // The cache of the shell's folders, which Wine fills in again from User Shell Folders
    // (under HKEY_CURRENT_USER and its HKEY_USERS alias).
    const std::string shellCache = "\\Explorer\\Shell Folders]";
    return key.find("\\Software\\Wine\\Temporary System Parameters") != std::string::npos ||
           (key.size() >= shellCache.size() &&
            key.compare(key.size() - shellCache.size(), shellCache.size(), shellCache) == 0);
}

// regedit's export in UTF-16 as plain lines; values joined to their key, continuation
// lines to their value, so that each line stands alone in a set.
void CaptureRegistry(PrefixState& state) {
    const std::string file = ScratchDir("prefix-capture") + "/all.reg";
    RunWine("C:\\windows\\regedit.exe", {"/E", WinPath(file)}, 120);
    const std::string wide = ReadFile(file);
    std::string text;
    // Characters beyond ASCII as their code numbers, so that a name that lost one (a "?")
    // is told apart from one that kept it.
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
        const unsigned c = static_cast<unsigned char>(wide[i]) |
                           static_cast<unsigned>(static_cast<unsigned char>(wide[i + 1])) << 8;
        text += c < 0x80 ? std::string(1, char(c)) : "\\u" + std::to_string(c) + ";";
    }
    std::string key, line, pending;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) {
            pending += line;
            if (!line.empty() && line.back() == '\\') continue;
            line = pending;
            pending.clear();
        } else if (!line.empty() && line.back() == '\\') {
            pending = line;
            continue;
        }
        if (line.empty() || line[0] == ';' || line.rfind("#time=", 0) == 0) continue;
        if (line[0] == '[') {
            key = line;
            if (!IsVolatileKey(key)) state.Registry.insert(key);
            continue;
        }
        if (!IsVolatileKey(key)) state.Registry.insert(key + " " + line);
    }
}

}  // namespace

PrefixState CapturePrefix(const std::vector<std::string>& extraFolders) {
    PrefixState state;
    CaptureFolder(PrefixDir() + "/drive_c", "C:", state);
    for (const std::string& folder : extraFolders) CaptureFolder(folder, folder, state);
    CaptureRegistry(state);
    return state;
}

std::string PrefixDifference(const PrefixState& before, const PrefixState& after) {
    std::string diff;
    for (const auto& [path, what] : before.Files) {
        auto it = after.Files.find(path);
        if (it == after.Files.end()) {
            diff += "- " + path + "\n";
        } else if (it->second != what) {
            diff += "~ " + path + " (" + what + " -> " + it->second + ")\n";
        }
    }
    for (const auto& [path, what] : after.Files) {
        if (!before.Files.count(path)) diff += "+ " + path + "\n";
    }
    for (const std::string& line : before.Registry) {
        if (!after.Registry.count(line)) diff += "- " + line.substr(0, 200) + "\n";
    }
    for (const std::string& line : after.Registry) {
        if (!before.Registry.count(line)) diff += "+ " + line.substr(0, 200) + "\n";
    }
    return diff;
}

PrefixState WithoutRestartMoves(PrefixState state) {
    std::erase_if(state.Registry, [](const std::string& line) {
        return line.find("\\Session Manager] \"PendingFileRenameOperations\"") != std::string::npos;
    });
    return state;
}

WatchedRun RunSetupWatched(const std::string& setup, const std::vector<std::string>& args,
                           int seconds) {
    WatchedRun w;
    w.Run = RunWineWatched(setup, args, seconds, &w.Windows);
    return w;
}

LinkInfo ReadLink(const std::string& winPath) {
    LinkInfo info;
    RunResult r = RunWine(Win32BinPath("lnkread.exe"), {winPath}, 60);
    if (r.ExitCode != 0) return info;
    std::istringstream lines(r.Output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "Target") info.Target = value;
        if (key == "Arguments") info.Arguments = value;
        if (key == "WorkingDir") info.WorkingDir = value;
        if (key == "IconFile") info.IconFile = value;
        if (key == "IconIndex") info.IconIndex = std::atoi(value.c_str());
    }
    info.Read = true;
    return info;
}

std::string SideImage() {
    std::string tga(18, '\0');
    tga[2] = 10;
    tga[12] = char(130);
    tga[14] = char(300 & 0xFF);
    tga[15] = char(300 >> 8);
    tga[16] = 24;
    for (int row = 0; row < 300; ++row) {
        tga += char(0x80 + 127);
        tga += std::string(3, char(row));
        tga += char(0x80 + 1);
        tga += std::string(3, char(row));
    }
    return tga;
}

}  // namespace e2e
