// Scans project folders into Package entries and writes setups and standalone Packages.
#include "wbpack/project.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "package/extract.h"
#include "package/package_format.h"
#include "platform/text.h"
#include "wbpack/codepage.h"
#include "wbpack/host_files.h"

namespace wb {

namespace {

// Letters Windows treats as one when comparing names, folded to one byte.
unsigned char FoldByte(unsigned char b, int codepage) {
    if (b < 0x80) return uint8_t(AsciiUpper(char(b)));
    if (codepage == 1252) {
        if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return uint8_t(b - 0x20);
        if (b == 0x9A || b == 0x9C || b == 0x9E) return uint8_t(b - 0x10);
        if (b == 0xFF) return 0x9F;
    }
    return b;
}

std::string Fold(const std::string& name, int codepage) {
    std::string out = name;
    for (char& c : out) c = char(FoldByte(static_cast<unsigned char>(c), codepage));
    return out;
}

// Checks one host name component and converts it; false with the reason in `error`.
bool ConvertComponent(const std::string& component, const std::string& where, int codepage,
                      std::string& out, std::string& error) {
    for (char c : component) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || std::string("\\:*?\"<>|").find(c) != std::string::npos) {
            error = where + ": the name holds a character Windows does not allow in names";
            return false;
        }
    }
    if (component.back() == '.' || component.back() == ' ') {
        error = where + ": Windows drops a name's trailing dot or blank";
        return false;
    }
    std::string bad;
    if (!HostNameToCodePage(component, codepage, out, bad)) {
        error = where + ": the name is not representable in code page " +
                std::to_string(codepage) + " (" + bad + ")";
        return false;
    }
    return true;
}

bool ScanFolder(const std::string& hostFolder, const std::string& storedPrefix,
                const std::string& shownPrefix, int depth, const ScanOptions& options,
                std::vector<TreeItem>& items, std::string& error) {
    std::vector<std::string> names;
    if (!HostListFolder(hostFolder, names, error)) return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (depth == 0) {
            if (std::any_of(options.SkipTop.begin(), options.SkipTop.end(),
                            [&](const std::string& skip) { return HostNamesEqual(skip, name); })) {
                continue;
            }
            if (options.SkipDotNamesAtTop && name[0] == '.') continue;
        }
        std::string host = hostFolder + kHostSeparator + name;
        std::string shown = shownPrefix + name;
        if (!options.SkipPath.empty() && HostSameFile(host, options.SkipPath)) continue;
        HostStat st;
        if (!HostStatPath(host, st)) {
            error = shown + ": cannot read (broken link?)";
            return false;
        }
        std::string converted;
        if (!ConvertComponent(name, shown, options.CodePage, converted, error)) return false;
        TreeItem item;
        item.HostPath = host;
        item.Depth = depth;
        item.WriteTime = st.WriteTime;
        item.CreationTime = st.CreationTime;
        if (st.IsFolder) {
            if (st.IsLink) {
                error = shown + ": a link to a folder is not packed; copy the folder instead";
                return false;
            }
            item.IsFolder = true;
            item.StoredName = storedPrefix + converted + "\\";
            item.WriteTime = item.CreationTime = 0;
            items.push_back(item);
            if (!ScanFolder(host, item.StoredName, shown + "/", depth + 1, options, items,
                            error)) {
                return false;
            }
        } else if (st.IsFile) {
            if (st.Size > kMaxFileSize) {
                error = shown + ": file of 2 GiB or more";
                return false;
            }
            if (!HostCanRead(host)) {
                error = shown + ": file cannot be read";
                return false;
            }
            item.StoredName = storedPrefix + converted;
            item.Size = st.Size;
            items.push_back(item);
        } else {
            error = shown + ": neither a plain file nor a folder";
            return false;
        }
        if (!EntryNameIsSafe(item.StoredName)) {
            error = shown + ": Windows reserves this name for a device";
            return false;
        }
    }
    return true;
}

void Line(std::string& text, const std::string& line) { text += line + "\r\n"; }

std::string Numbered(char letter, size_t n) {
    char key[32];
    std::snprintf(key, sizeof key, "%c%03lu", letter, static_cast<unsigned long>(n));
    return key;
}

// Placeholder written as uninstall.exe until the uninstaller program is built.
const char kPlaceholderUninstaller[] =
    "This file stands in for the Wendlebox uninstaller, which was not available when this "
    "setup was built.\r\n";

struct ProgressLine {
    bool On = false;
    std::string Label;
    void operator()(size_t done, size_t total) const {
        if (!On) return;
        std::fprintf(stderr, "\rwbpack: %s %lu/%lu", Label.c_str(),
                     static_cast<unsigned long>(done), static_cast<unsigned long>(total));
        if (done == total) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

}  // namespace

bool ScanTree(const std::string& root, const ScanOptions& options, std::vector<TreeItem>& items,
              std::string& error) {
    items.clear();
    HostStat st;
    if (!HostStatPath(root, st) || !st.IsFolder) {
        error = root + ": no such folder";
        return false;
    }
    if (!ScanFolder(root, "", "", 0, options, items, error)) return false;
    std::sort(items.begin(), items.end(),
              [](const TreeItem& a, const TreeItem& b) { return a.StoredName < b.StoredName; });
    std::map<std::string, std::string> seen;
    for (const TreeItem& item : items) {
        std::string key = Fold(item.StoredName, options.CodePage);
        if (!key.empty() && key.back() == '\\') key.pop_back();
        auto [at, fresh] = seen.emplace(key, item.HostPath);
        if (!fresh) {
            error = item.HostPath + ": same name as " + at->second + " for Windows";
            return false;
        }
    }
    return true;
}

std::string MakeUninstallLog(const IniText& ini, const std::vector<TreeItem>& program) {
    std::string titel = IniString(ini, "Info", "Titel", "--- unkown ---");
    std::string text;
    Line(text, "; Uninstall log of " + titel + "; the installation adds to it.");
    Line(text, "[Settings]");
    Line(text, "ProgName = " + titel);
    Line(text, "Version = " + IniString(ini, "Info", "Version", ""));
    Line(text, std::string("NoDelAll = ") + (IniNumber(ini, "Task", "NoDelAll", 0) ? "1" : "0"));
    Line(text, "MutexString = " + IniString(ini, "Task", "MutexString", ""));
    Line(text, "[Files]");
    size_t n = 0;
    for (const TreeItem& item : program) {
        if (!item.IsFolder) Line(text, Numbered('F', ++n) + " = " + item.StoredName);
    }
    // Last, so that the uninstaller removes itself and its log after everything else.
    Line(text, Numbered('F', ++n) + " = uninstall.exe");
    Line(text, Numbered('F', ++n) + " = uninstall.dat");
    Line(text, "[Dirs]");
    std::vector<const TreeItem*> dirs;
    for (const TreeItem& item : program) {
        if (item.IsFolder) dirs.push_back(&item);
    }
    std::stable_sort(dirs.begin(), dirs.end(), [](const TreeItem* a, const TreeItem* b) {
        return a->Depth > b->Depth;
    });
    n = 0;
    for (const TreeItem* d : dirs) Line(text, Numbered('D', ++n) + " = " + d->StoredName);
    return text;
}

std::vector<PackInput> InputsFromTree(const std::vector<TreeItem>& items, bool store) {
    std::vector<PackInput> inputs;
    inputs.reserve(items.size());
    for (const TreeItem& item : items) {
        PackInput in;
        in.Name = item.StoredName;
        in.Kind = item.IsFolder ? pck::kKindFolder : pck::kKindFile;
        if (!item.IsFolder) in.SourcePath = item.HostPath;
        in.CreationTime = item.CreationTime;
        in.LastWriteTime = item.WriteTime;
        in.Store = store;
        inputs.push_back(std::move(in));
    }
    return inputs;
}

namespace {

// The architecture whose uninstaller goes with the setup: the one asked for, else the one of
// the stub given, else x86.
StubArch CompanionArch(const BuildOptions& options) {
    if (options.Arch != StubArch::Unknown) return options.Arch;
    if (options.Stub.empty()) return StubArch::X86;
    std::vector<uint8_t> stub;
    std::string ignored;
    if (!ReadWholeFile(options.Stub, stub, ignored)) return StubArch::X86;
    StubArch arch = ReadStubArch(stub.data(), stub.size());
    return arch == StubArch::Unknown ? StubArch::X86 : arch;
}

}  // namespace

bool BuildSetup(const BuildOptions& options, BuildReport& report, std::string& error) {
    report = BuildReport{};
    const std::string project = options.ProjectDir;
    HostStat st;
    if (!HostStatPath(project, st) || !st.IsFolder) {
        error = project + ": no such project folder";
        return false;
    }
    const std::string iniPath = project + kHostSeparator + "setup.ini";
    HostStat iniStat;
    if (!HostStatPath(iniPath, iniStat) || !iniStat.IsFile) {
        error = project + ": setup.ini is missing";
        return false;
    }
    std::vector<uint8_t> iniBytes;
    if (!ReadWholeFile(iniPath, iniBytes, error)) return false;
    IniText ini = ParseIniText(std::string(iniBytes.begin(), iniBytes.end()));

    const std::string programDir = project + kHostSeparator + "program";
    HostStat progStat;
    if (!HostStatPath(programDir, progStat) || !progStat.IsFolder) {
        error = project + ": the folder program/ with the program's files is missing";
        return false;
    }
    ScanOptions scan;
    scan.CodePage = options.CodePage;
    std::vector<TreeItem> program;
    if (!ScanTree(programDir, scan, program, error)) {
        error = "program/" + error;
        return false;
    }

    std::vector<PackInput> inner = InputsFromTree(program, false);
    uint64_t programBytes = 0;
    uint64_t newest = iniStat.WriteTime;
    for (const TreeItem& item : program) {
        programBytes += item.Size;
        newest = std::max(newest, item.WriteTime);
    }

    const bool uninstall = (IniNumber(ini, "Task", "NoUninstall", 0) & 0xFF) == 0;
    if (uninstall) {
        for (const TreeItem& item : program) {
            std::string folded = Fold(item.StoredName, options.CodePage);
            if (folded == "UNINSTALL.EXE" || folded == "UNINSTALL.DAT") {
                error = "program/" + item.StoredName +
                        ": made by wbpack when uninstall support is on (use --uninstaller)";
                return false;
            }
        }
        PackInput exe;
        exe.Name = "uninstall.exe";
        std::string path = options.Uninstaller;
        if (path.empty()) {
            path = CompanionProgram("uninstall.exe", CompanionArch(options) == StubArch::X64);
        }
        HostStat exeStat;
        if (HostStatPath(path, exeStat) && exeStat.IsFile) {
            exe.SourcePath = path;
            exe.CreationTime = exeStat.CreationTime;
            exe.LastWriteTime = exeStat.WriteTime;
            programBytes += exeStat.Size;
        } else if (!options.Uninstaller.empty()) {
            error = options.Uninstaller + ": uninstaller not found";
            return false;
        } else {
            report.Warnings.push_back("uninstaller " + path +
                                      " not found; the setup carries a placeholder uninstall.exe");
            exe.Data.assign(kPlaceholderUninstaller,
                            kPlaceholderUninstaller + sizeof kPlaceholderUninstaller - 1);
            exe.CreationTime = exe.LastWriteTime = iniStat.WriteTime;
            programBytes += exe.Data.size();
        }
        PackInput dat;
        dat.Name = "uninstall.dat";
        std::string log = MakeUninstallLog(ini, program);
        dat.Data.assign(log.begin(), log.end());
        dat.CreationTime = dat.LastWriteTime = iniStat.WriteTime;
        programBytes += dat.Data.size();
        inner.push_back(std::move(exe));
        inner.push_back(std::move(dat));
        std::stable_sort(inner.begin(), inner.end(),
                         [](const PackInput& a, const PackInput& b) { return a.Name < b.Name; });
    }

    ScanOptions outerScan;
    outerScan.CodePage = options.CodePage;
    outerScan.SkipTop = {"program"};
    outerScan.SkipDotNamesAtTop = true;
    outerScan.SkipPath = options.Output;
    std::vector<TreeItem> outerItems;
    if (!ScanTree(project, outerScan, outerItems, error)) return false;
    for (const TreeItem& item : outerItems) {
        if (Fold(item.StoredName, options.CodePage) == "SETUP.PCK") {
            error = item.HostPath + ": the inner setup.pck is made by wbpack";
            return false;
        }
    }

    std::string stubPath = options.Stub;
    if (stubPath.empty()) stubPath = CompanionProgram("wbsetup.exe", options.Arch == StubArch::X64);
    std::vector<uint8_t> stub;
    if (!ReadWholeFile(stubPath, stub, error)) {
        error = "installer stub: " + error + " (build it, or give --stub)";
        return false;
    }
    report.Arch = ReadStubArch(stub.data(), stub.size());
    StubArch wanted = options.Arch;
    if (wanted == StubArch::Unknown && options.Stub.empty()) wanted = StubArch::X86;
    if (wanted != StubArch::Unknown && report.Arch != wanted) {
        error = stubPath + ": the installer stub is " + StubArchName(report.Arch) + ", not " +
                StubArchName(wanted) + " as --arch asks";
        return false;
    }

    report.Solid = !options.PerFile && programBytes <= options.SolidLimit;
    report.ProgramBytes = programBytes;
    report.ProgramEntries = inner.size();
    report.StubBytes = stub.size();

    PackWriteOptions writeOptions;
    writeOptions.Level = options.Level;
    ProgressLine innerProgress{options.Progress, "program files"};
    writeOptions.Progress = innerProgress;

    PackInput pckEntry;
    pckEntry.Name = "setup.pck";
    pckEntry.CreationTime = pckEntry.LastWriteTime = newest;
    PendingOutput innerFile;  // the per-file shape's inner Package, removed at the end
    if (report.Solid) {
        // Stored entries inside one block: matches reach across files.
        for (PackInput& in : inner) in.Store = true;
        if (!BuildPackage(inner, writeOptions, pckEntry.Data, error)) return false;
    } else {
        if (!BeginOutput(options.Output + ".inner", innerFile, error)) return false;
        std::FILE* f = innerFile.File;
        PackSink sink = [f](const uint8_t* data, size_t size) { return WriteAll(f, data, size); };
        PackWriteResult written;
        if (!WritePackage(sink, 0, inner, writeOptions, written, error)) return false;
        if (std::fflush(f) != 0) {
            error = options.Output + ": write error";
            return false;
        }
        pckEntry.SourcePath = innerFile.TempPath;
        pckEntry.Store = true;
    }

    std::vector<PackInput> outer = InputsFromTree(outerItems, false);
    outer.push_back(std::move(pckEntry));
    std::stable_sort(outer.begin(), outer.end(),
                     [](const PackInput& a, const PackInput& b) { return a.Name < b.Name; });
    report.OuterEntries = outer.size();
    if (stub.size() >= uint64_t(pck::kMaxPackageLength)) {
        error = stubPath + ": stub of 2 GiB or more";
        return false;
    }

    PendingOutput out;
    if (!BeginOutput(options.Output, out, error)) return false;
    std::FILE* f = out.File;
    if (!WriteAll(f, stub.data(), stub.size())) {
        error = options.Output + ": write error";
        return false;
    }
    PackSink sink = [f](const uint8_t* data, size_t size) { return WriteAll(f, data, size); };
    ProgressLine outerProgress{options.Progress, "setup files"};
    writeOptions.Progress = outerProgress;
    PackWriteResult written;
    if (!WritePackage(sink, uint32_t(stub.size()), outer, writeOptions, written, error)) {
        if (error == "write error") error = options.Output + ": write error";
        return false;
    }
    if (!CommitOutput(out, error)) return false;
    report.OutputBytes = stub.size() + written.Length;
    return true;
}

bool PackFolder(const std::string& dir, const std::string& output, int level, int codepage,
                bool progress, uint64_t& bytesWritten, std::string& error) {
    ScanOptions scan;
    scan.CodePage = codepage;
    scan.SkipPath = output;
    std::vector<TreeItem> items;
    if (!ScanTree(dir, scan, items, error)) return false;
    PackWriteOptions writeOptions;
    writeOptions.Level = level;
    writeOptions.Progress = ProgressLine{progress, "files"};
    PendingOutput out;
    if (!BeginOutput(output, out, error)) return false;
    std::FILE* f = out.File;
    PackSink sink = [f](const uint8_t* data, size_t size) { return WriteAll(f, data, size); };
    PackWriteResult written;
    if (!WritePackage(sink, 0, InputsFromTree(items, false), writeOptions, written, error)) {
        if (error == "write error") error = output + ": write error";
        return false;
    }
    if (!CommitOutput(out, error)) return false;
    bytesWritten = written.Length;
    return true;
}

}  // namespace wb
