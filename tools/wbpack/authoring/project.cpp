// Scans project folders into Package entries and writes setups and standalone Packages.
#include "wbpack/authoring/project.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "contract/contract.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "platform/text.h"
#include "wbpack/codepage.h"
#include "wbpack/host_files.h"
#include "wbpack/publishing/sign.h"
#include "wbpack/source_date.h"
#include "wbpack/solid_order.h"

namespace wb {

namespace {

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
        item.WriteTime = ClampFileTime(st.WriteTime, options.LatestTime);
        item.CreationTime = ClampFileTime(st.CreationTime, options.LatestTime);
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
        if (!IsSafeRelativePath(item.StoredName)) {
            error = shown + ": Windows reserves this name for a device, or it holds one of "
                            ": * ? \" < > | or a control character";
            return false;
        }
    }
    return true;
}

void Line(std::string& text, const std::string& line) { text += line + "\r\n"; }

void KeyLine(std::string& text, const std::string& key, const std::string& value) {
    Line(text, key + " = " + value);
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

}  // namespace

std::string FoldName(const std::string& name, int codepage) {
    std::string out = name;
    for (char& c : out) c = char(FoldByte(static_cast<unsigned char>(c), codepage));
    return out;
}

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
        std::string key = FoldName(item.StoredName, options.CodePage);
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
    Line(text, std::string("[") + kLogSettings + "]");
    KeyLine(text, kLogProgName, titel);
    KeyLine(text, kLogVersion, IniString(ini, "Info", "Version", ""));
    KeyLine(text, kLogNoDelAll, IniNumber(ini, "Task", "NoDelAll", 0) ? "1" : "0");
    KeyLine(text, kLogMutexString, IniString(ini, "Task", "MutexString", ""));
    Line(text, std::string("[") + kLogFiles + "]");
    uint32_t n = 0;
    for (const TreeItem& item : program) {
        if (!item.IsFolder) KeyLine(text, LogFileKey(++n), item.StoredName);
    }
    // Last, so that the uninstaller removes itself and its log after everything else.
    KeyLine(text, LogFileKey(++n), kUninstallerName);
    KeyLine(text, LogFileKey(++n), kUninstallLogName);
    Line(text, std::string("[") + kLogDirs + "]");
    std::vector<const TreeItem*> dirs;
    for (const TreeItem& item : program) {
        if (item.IsFolder) dirs.push_back(&item);
    }
    std::stable_sort(dirs.begin(), dirs.end(), [](const TreeItem* a, const TreeItem* b) {
        return a->Depth > b->Depth;
    });
    n = 0;
    for (const TreeItem* d : dirs) KeyLine(text, LogDirKey(++n), d->StoredName);
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

namespace {

// What a build has gathered from the project before anything is written.
struct SetupPlan {
    IniText Ini;
    uint64_t IniTime = 0;               // setup.ini's last write: the time of made-up entries
    std::vector<TreeItem> Program;      // program/
    std::vector<PackInput> Inner;       // the inner Package's entries
    std::vector<TreeItem> OuterItems;   // the project's other files
    uint64_t ProgramBytes = 0;
    uint64_t Newest = 0;                // the newest file time: setup.pck's time
    std::string StubPath;
    std::vector<uint8_t> Stub;
    std::string SignFolder;             // holds the signed copy of uninstall.exe until the end
    ~SetupPlan() {
        if (!SignFolder.empty()) RemoveTree(SignFolder);
    }
};

// With --sign, uninstall.exe is packed as a signed copy beside the output, so that the
// program folder gets a signed uninstaller too.
bool SignUninstaller(const BuildOptions& options, SetupPlan& plan, PackInput& exe,
                     std::string& error) {
    if (options.Sign.empty()) return true;
    if (exe.SourcePath.empty()) {
        error = "cannot sign the placeholder uninstall.exe (build the Windows programs, or give "
                "--uninstaller)";
        return false;
    }
    plan.SignFolder = MakeTempFolder();
    if (plan.SignFolder.empty()) {
        error = "no temporary folder for signing uninstall.exe: " + HostErrorText();
        return false;
    }
    const std::string signedCopy = plan.SignFolder + kHostSeparator + kUninstallerName;
    if (!SignCopy(options.Sign, exe.SourcePath, signedCopy, error)) return false;
    HostStat before, after;
    if (!HostStatPath(exe.SourcePath, before) || !HostStatPath(signedCopy, after)) {
        error = signedCopy + ": " + HostErrorText();
        return false;
    }
    plan.ProgramBytes += after.Size - before.Size;
    exe.SourcePath = signedCopy;
    return true;
}

// The project folder, its setup.ini and the program's files.
bool ReadProject(const BuildOptions& options, SetupPlan& plan, std::string& error) {
    const std::string& project = options.ProjectDir;
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
    plan.Ini = ParseIniText(std::string(iniBytes.begin(), iniBytes.end()));
    plan.IniTime = ClampFileTime(iniStat.WriteTime, options.LatestTime);

    const std::string programDir = project + kHostSeparator + "program";
    HostStat progStat;
    if (!HostStatPath(programDir, progStat) || !progStat.IsFolder) {
        error = project + ": the folder program/ with the program's files is missing";
        return false;
    }
    ScanOptions scan;
    scan.CodePage = options.CodePage;
    scan.LatestTime = options.LatestTime;
    if (!ScanTree(programDir, scan, plan.Program, error)) {
        error = "program/" + error;
        return false;
    }
    plan.Inner = InputsFromTree(plan.Program, false);
    plan.Newest = plan.IniTime;
    for (const TreeItem& item : plan.Program) {
        plan.ProgramBytes += item.Size;
        plan.Newest = std::max(plan.Newest, item.WriteTime);
    }
    return true;
}

// uninstall.exe and uninstall.dat join the program's files unless setup.ini says NoUninstall.
bool AddUninstaller(const BuildOptions& options, SetupPlan& plan, BuildReport& report,
                    std::string& error) {
    if ((IniNumber(plan.Ini, "Task", "NoUninstall", 0) & 0xFF) != 0) return true;
    for (const TreeItem& item : plan.Program) {
        std::string folded = FoldName(item.StoredName, options.CodePage);
        if (SameTextNoCase(folded, kUninstallerName) || SameTextNoCase(folded, kUninstallLogName)) {
            error = "program/" + item.StoredName +
                    ": made by wbpack when uninstall support is on (use --uninstaller)";
            return false;
        }
        // The log's reader drops a value's leading blanks, so the uninstaller would look
        // for (and remove) a different file than the one installed.
        if (item.StoredName[0] == ' ') {
            error = "program/" + item.StoredName +
                    ": a name starting with a blank cannot be listed in uninstall.dat";
            return false;
        }
    }
    PackInput exe;
    exe.Name = kUninstallerName;
    std::string path = options.Uninstaller;
    if (path.empty()) path = CompanionProgram(kUninstallerName, CompanionArch(options) == StubArch::X64);
    HostStat exeStat;
    if (HostStatPath(path, exeStat) && exeStat.IsFile) {
        exe.SourcePath = path;
        exe.CreationTime = ClampFileTime(exeStat.CreationTime, options.LatestTime);
        exe.LastWriteTime = ClampFileTime(exeStat.WriteTime, options.LatestTime);
        plan.ProgramBytes += exeStat.Size;
    } else if (!options.Uninstaller.empty()) {
        error = options.Uninstaller + ": uninstaller not found";
        return false;
    } else {
        report.Warnings.push_back("uninstaller " + path +
                                  " not found; the setup carries a placeholder uninstall.exe");
        exe.Data.assign(kPlaceholderUninstaller,
                        kPlaceholderUninstaller + sizeof kPlaceholderUninstaller - 1);
        exe.CreationTime = exe.LastWriteTime = plan.IniTime;
        plan.ProgramBytes += exe.Data.size();
    }
    if (!SignUninstaller(options, plan, exe, error)) return false;
    PackInput dat;
    dat.Name = kUninstallLogName;
    std::string log = MakeUninstallLog(plan.Ini, plan.Program);
    dat.Data.assign(log.begin(), log.end());
    dat.CreationTime = dat.LastWriteTime = plan.IniTime;
    plan.ProgramBytes += dat.Data.size();
    plan.Inner.push_back(std::move(exe));
    plan.Inner.push_back(std::move(dat));
    std::stable_sort(plan.Inner.begin(), plan.Inner.end(),
                     [](const PackInput& a, const PackInput& b) { return a.Name < b.Name; });
    return true;
}

// The project's files beside program/: they make the outer Package.
bool ScanOuterFiles(const BuildOptions& options, SetupPlan& plan, std::string& error) {
    ScanOptions outerScan;
    outerScan.CodePage = options.CodePage;
    outerScan.SkipTop = {"program"};
    outerScan.SkipDotNamesAtTop = true;
    outerScan.SkipPath = options.Output;
    outerScan.LatestTime = options.LatestTime;
    if (!ScanTree(options.ProjectDir, outerScan, plan.OuterItems, error)) return false;
    for (const TreeItem& item : plan.OuterItems) {
        if (FoldName(item.StoredName, options.CodePage) == "SETUP.PCK") {
            error = item.HostPath + ": the inner setup.pck is made by wbpack";
            return false;
        }
    }
    return true;
}

// The installer stub, refused when it is not of the architecture asked for.
bool LoadStub(const BuildOptions& options, SetupPlan& plan, BuildReport& report,
              std::string& error) {
    plan.StubPath = options.Stub;
    if (plan.StubPath.empty()) {
        plan.StubPath = CompanionProgram("wbsetup.exe", options.Arch == StubArch::X64);
    }
    if (!ReadWholeFile(plan.StubPath, plan.Stub, error)) {
        error = "installer stub: " + error + " (build it, or give --stub)";
        return false;
    }
    report.Arch = ReadStubArch(plan.Stub.data(), plan.Stub.size());
    StubArch wanted = options.Arch;
    if (wanted == StubArch::Unknown && options.Stub.empty()) wanted = StubArch::X86;
    if (wanted != StubArch::Unknown && report.Arch != wanted) {
        error = plan.StubPath + ": the installer stub is " + StubArchName(report.Arch) +
                ", not " + StubArchName(wanted) + " as --arch asks";
        return false;
    }
    if (plan.Stub.size() >= uint64_t(pck::kMaxPackageLength)) {
        error = plan.StubPath + ": stub of 2 GiB or more";
        return false;
    }
    return true;
}

// Writes a Package to the open file `f`, naming `output` when the file refuses the bytes.
bool WritePackageTo(std::FILE* f, const std::string& output, uint32_t dataStart,
                    const std::vector<PackInput>& inputs, const PackWriteOptions& options,
                    PackWriteResult& written, std::string& error) {
    PackSink sink = [f](const uint8_t* data, size_t size) { return WriteAll(f, data, size); };
    if (WritePackage(sink, dataStart, inputs, options, written, error)) return true;
    if (written.SinkFailed) error = output + ": write error";
    return false;
}

// setup.pck: in memory for the solid shape, else in a temporary file beside the output
// (which `innerFile` removes at the end).
bool MakeInnerEntry(const BuildOptions& options, SetupPlan& plan, bool solid,
                    const PackWriteOptions& writeOptions, PackInput& pckEntry,
                    PendingOutput& innerFile, std::string& error) {
    pckEntry.Name = "setup.pck";
    pckEntry.CreationTime = pckEntry.LastWriteTime = plan.Newest;
    if (solid) {
        // Stored entries inside one block: matches reach across files.
        for (PackInput& in : plan.Inner) in.Store = true;
        // JC setups keep their name order, byte for byte as they always were.
        if (writeOptions.Method == BlockMethod::Lzma) OrderForSolidLzma(plan.Inner);
        return BuildPackage(plan.Inner, writeOptions, pckEntry.Data, error);
    }
    if (!BeginOutput(options.Output + ".inner", innerFile, error)) return false;
    PackWriteResult written;
    if (!WritePackageTo(innerFile.File, options.Output, 0, plan.Inner, writeOptions, written,
                        error)) {
        return false;
    }
    if (std::fflush(innerFile.File) != 0) {
        error = options.Output + ": write error";
        return false;
    }
    pckEntry.SourcePath = innerFile.TempPath;
    pckEntry.Store = true;
    return true;
}

// The installer reads its stub's PE headers to find the Package (a signed stub would keep
// it in front of its certificate table): a stub whose headers it cannot use makes a setup
// that would only ever end as damaged.
bool InstallerFindsPackage(PendingOutput& out, uint64_t length, std::string& error) {
    // Closed first: on Windows the written file could not be opened again beside it.
    if (!CloseOutputFile(out, error)) return false;
    const bool found = OpenPackage(out.TempPath.c_str(), nullptr, PackageHost::Setup) &&
                       uint64_t(Package.End) == length;
    ClosePackage();
    if (!found) {
        error = out.FinalPath +
                ": the installer would not find the Package behind this stub (it is no valid "
                "Windows program, or it is signed already: sign the finished setup instead)";
    }
    return found;
}

}  // namespace

bool BuildSetup(const BuildOptions& options, BuildReport& report, std::string& error) {
    report = BuildReport{};
    SetupPlan plan;
    if (!ReadProject(options, plan, error) || !AddUninstaller(options, plan, report, error) ||
        !ScanOuterFiles(options, plan, error) || !LoadStub(options, plan, report, error)) {
        return false;
    }
    report.Solid = !options.PerFile && plan.ProgramBytes <= options.SolidLimit;
    report.ProgramBytes = plan.ProgramBytes;
    report.ProgramEntries = plan.Inner.size();
    report.StubBytes = plan.Stub.size();

    PackWriteOptions writeOptions;
    writeOptions.Level = options.Level;
    writeOptions.Method = options.Method;
    writeOptions.Progress = ProgressLine{options.Progress, "program files"};
    PackInput pckEntry;
    PendingOutput innerFile;  // the per-file shape's inner Package, removed at the end
    if (!MakeInnerEntry(options, plan, report.Solid, writeOptions, pckEntry, innerFile, error)) {
        return false;
    }

    std::vector<PackInput> outer = InputsFromTree(plan.OuterItems, false);
    outer.push_back(std::move(pckEntry));
    std::stable_sort(outer.begin(), outer.end(),
                     [](const PackInput& a, const PackInput& b) { return a.Name < b.Name; });
    report.OuterEntries = outer.size();

    PendingOutput out;
    if (!BeginOutput(options.Output, out, error)) return false;
    if (!WriteAll(out.File, plan.Stub.data(), plan.Stub.size())) {
        error = options.Output + ": write error";
        return false;
    }
    writeOptions.Progress = ProgressLine{options.Progress, "setup files"};
    // A multiple of 8 bytes: a signature's certificate table then follows the trailer
    // directly, and the signature covers every byte of the Package.
    writeOptions.EndAlignment = 8;
    PackWriteResult written;
    if (!WritePackageTo(out.File, options.Output, uint32_t(plan.Stub.size()), outer, writeOptions,
                        written, error)) {
        return false;
    }
    if (!options.Sign.empty()) {
        if (!SignPendingSetup(options.Sign, out, error)) return false;
    } else if (!InstallerFindsPackage(out, plan.Stub.size() + written.Length, error)) {
        return false;
    }
    if (!CommitOutput(out, error)) return false;
    report.OutputBytes = plan.Stub.size() + written.Length;
    report.Padding = written.Padding;
    if (!options.Sign.empty()) {
        HostStat st;
        if (HostStatPath(options.Output, st)) report.OutputBytes = st.Size;
        report.Signed = true;
    }
    return true;
}

bool PackFolder(const std::string& dir, const std::string& output, int level, int codepage,
                bool progress, uint64_t latestTime, uint64_t& bytesWritten, std::string& error) {
    ScanOptions scan;
    scan.CodePage = codepage;
    scan.LatestTime = latestTime;
    scan.SkipPath = output;
    std::vector<TreeItem> items;
    if (!ScanTree(dir, scan, items, error)) return false;
    PackWriteOptions writeOptions;
    writeOptions.Level = level;
    writeOptions.Progress = ProgressLine{progress, "files"};
    PendingOutput out;
    if (!BeginOutput(output, out, error)) return false;
    PackWriteResult written;
    if (!WritePackageTo(out.File, output, 0, InputsFromTree(items, false), writeOptions, written,
                        error) ||
        !CommitOutput(out, error)) {
        return false;
    }
    bytesWritten = written.Length;
    return true;
}

}  // namespace wb
