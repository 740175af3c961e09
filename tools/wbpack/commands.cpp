// The wbpack commands: build, check, init, pack, list, extract, verify, compress, decompress,
// help.
#include "wbpack/commands.h"

#include <cstdio>
#include <cstdlib>

#include "blocks/decompress/block_method.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "blocks/decompress/unpack_block.h"
#include "wbpack/authoring/check.h"
#include "wbpack/codepage.h"
#include "wbpack/help.h"
#include "wbpack/host_files.h"
#include "wbpack/authoring/init.h"
#include "wbpack/inspection/inspect.h"
#include "blocks/compress/jc_encoder.h"
#include "wbpack/authoring/project.h"
#include "wbpack/source_date.h"
#include "wbpack/publishing/winget.h"

namespace wb {

namespace {

struct Args {
    std::string Command;
    std::vector<std::string> Positional;
    std::string Output, Stub, Uninstaller, Sign, Title;
    StubArch Arch = StubArch::Unknown;  // Unknown: not given
    int Level = 6;
    BlockMethod Method = BlockMethod::Jc;
    int CodePage = 1252;
    bool PerFile = false;
    bool Quiet = false;
    bool NoCheck = false;
};

struct Console {
    std::string& Out;
    std::string& Err;
    const CommandHelp* Command = nullptr;  // the command being run, once known
    int Fail(const std::string& message) {
        Err += "wbpack: " + message + "\n";
        return kExitFailure;
    }
    int Usage(const std::string& message) {
        Err += "wbpack: " + message + "\n" + (Command ? CommandUsageText(*Command) : OverviewText());
        return kExitUsage;
    }
};

bool ParseNumber(const std::string& text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 100000) return false;
    out = int(v);
    return true;
}

// Parses the options of `command` (each must be one of its rows in the usage table); false
// with the reason in `error`.
bool ParseArgs(const std::vector<std::string>& args, const CommandHelp& command, Args& a,
               std::string& error) {
    a.Command = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s.size() > 1 && s[0] == '-' && !FindOption(command, s)) {
            error = "unknown option " + s + " for " + command.Name;
            return false;
        }
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = s + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        if (s == "-o" || s == "--output") {
            if (!value(a.Output)) return false;
        } else if (s == "--stub") {
            if (!value(a.Stub)) return false;
        } else if (s == "--arch") {
            if (!value(v)) return false;
            if (!ParseStubArch(v, a.Arch)) {
                error = "--arch takes x86 or x64, not " + v;
                return false;
            }
        } else if (s == "--uninstaller") {
            if (!value(a.Uninstaller)) return false;
        } else if (s == "--sign") {
            if (!value(a.Sign)) return false;
            if (a.Sign.find("{in}") == std::string::npos) {
                error = "--sign needs a command with {in} (and {out} unless it signs in place)";
                return false;
            }
        } else if (s == "--title") {
            if (!value(a.Title)) return false;
        } else if (s == "--level") {
            if (!value(v)) return false;
            if (!ParseNumber(v, a.Level) || a.Level < 1 || a.Level > 9) {
                error = "--level takes a number from 1 to 9";
                return false;
            }
        } else if (s == "--method") {
            if (!value(v)) return false;
            if (v == "jc") {
                a.Method = BlockMethod::Jc;
            } else if (v == "lzma") {
                a.Method = BlockMethod::Lzma;
            } else {
                error = "--method takes jc or lzma, not " + v;
                return false;
            }
        } else if (s == "--codepage") {
            if (!value(v)) return false;
            if (!ParseNumber(v, a.CodePage) || !CodePageSupported(a.CodePage)) {
                error = "code page " + v + " is not supported (1252, 850 or 437)";
                return false;
            }
        } else if (s == "--per-file") {
            a.PerFile = true;
        } else if (s == "--no-check") {
            a.NoCheck = true;
        } else if (s == "--quiet" || s == "-q") {
            a.Quiet = true;
        } else if (s.size() > 1 && s[0] == '-') {
            error = "unknown option " + s;
            return false;
        } else {
            a.Positional.push_back(s);
        }
    }
    return true;
}

std::string Pad(const std::string& s, size_t width) {
    return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}

void ListImage(const uint8_t* data, size_t size, const PackageImage& image, int codepage,
               std::string& out) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "%u entries, %d bytes unpacked, data start %u, directory %u bytes (%u packed%s)\n",
                  unsigned(image.Entries.size()), image.TotalSize, image.Trailer.DataStart,
                  image.Trailer.DirectorySize, image.Trailer.PackedSize,
                  image.Trailer.PackedSize == image.Trailer.DirectorySize ? ", stored" : "");
    out += line;
    // Compressed entries are JC blocks unless said otherwise; "=" marks stored ones.
    size_t lzma = 0;
    for (size_t i = 0; i < image.Entries.size() && i < image.Positions.size(); ++i) {
        const PackageEntry& e = image.Entries[i];
        const size_t at = image.Positions[i];
        if (e.Kind != 1 || e.Size <= 0 || e.PackedSize == e.Size || at > size) continue;
        lzma += BlockMethodOf(data + at, size - at) == BlockMethod::Lzma;
    }
    if (lzma > 0) out += std::to_string(lzma) + " of the compressed entries are LZMA blocks\n";
    out += "kind    size        packed      created (UTC)        last write (UTC)     name\n";
    for (const PackageEntry& e : image.Entries) {
        std::string kind = e.Kind == 0 ? "folder" : e.Kind == 1 ? "file" : std::to_string(e.Kind);
        std::string packed = std::to_string(e.PackedSize);
        if (e.Kind == 1 && e.Size > 0 && e.PackedSize == e.Size) packed += "=";
        out += Pad(kind, 8) + Pad(std::to_string(e.Size), 12) + Pad(packed, 12) +
               Pad(FileTimeText(e.CreationTime), 21) + Pad(FileTimeText(e.LastWriteTime), 21) +
               CodePageToHostName(e.Name, codepage) + "\n";
    }
}

// What carries the outer Package: an installer stub (its architecture and size) or nothing,
// and whether the setup is signed.
std::string StubText(const uint8_t* data, const PackageImage& image) {
    uint32_t stubBytes = image.Trailer.DataStart;
    if (stubBytes == 0) return "stub unknown (a bare Package, no installer stub)";
    return std::string("stub ") + StubArchName(ReadStubArch(data, stubBytes)) + " (" +
           StubSizeText(image.Location) + SignatureText(image.Location);
}

int CmdList(const Args& a, Console& io) {
    if (a.Positional.size() != 1) return io.Usage("list takes one FILE");
    const std::string& path = a.Positional[0];
    std::vector<uint8_t> file;
    std::string error;
    if (!ReadWholeFile(path, file, error)) return io.Fail(error);
    PackageImage image;
    if (!ReadPackageImage(file.data(), file.size(), image, error)) return io.Fail(path + ": " + error);
    io.Out += path + ": " + StubText(file.data(), image) + "\n";
    ListImage(file.data(), file.size(), image, a.CodePage, io.Out);
    long inner = FindInnerPackage(image);
    if (inner >= 0) {
        std::vector<uint8_t> bytes;
        if (!EntryContents(file.data(), file.size(), image, size_t(inner), bytes, error)) {
            return io.Fail(path + ": setup.pck: " + error);
        }
        PackageImage innerImage;
        if (!ReadPackageImage(bytes.data(), bytes.size(), innerImage, error,
                              PackageHost::Standalone)) {
            return io.Fail(path + ": setup.pck: " + error);
        }
        const size_t at = image.Positions[size_t(inner)];
        const bool lzma = at < file.size() &&
                          BlockMethodOf(file.data() + at, file.size() - at) == BlockMethod::Lzma;
        io.Out += "\nsetup.pck (" +
                  std::string(image.Entries[size_t(inner)].PackedSize ==
                                      image.Entries[size_t(inner)].Size
                                  ? "stored, per-file shape"
                                  : lzma ? "one LZMA block, solid shape"
                                         : "one block, solid shape") +
                  "): ";
        ListImage(bytes.data(), bytes.size(), innerImage, a.CodePage, io.Out);
    }
    return kExitSuccess;
}

int CmdVerify(const Args& a, Console& io) {
    if (a.Positional.size() != 1) return io.Usage("verify takes one FILE");
    const std::string& path = a.Positional[0];
    std::vector<uint8_t> file;
    std::string error;
    if (!ReadWholeFile(path, file, error)) return io.Fail(error);
    std::vector<std::string> problems = VerifyPackageImage(file.data(), file.size(), false);
    for (const std::string& p : problems) io.Err += "wbpack: " + path + ": " + p + "\n";
    if (!problems.empty()) return kExitFailure;
    PackageImage image;
    if (!ReadPackageImage(file.data(), file.size(), image, error)) return io.Fail(path + ": " + error);
    io.Out += path + ": OK, " + StubText(file.data(), image) + "\n";
    return kExitSuccess;
}

// Unpacks the Package at `path` below `dir` with the installer's own extraction.
bool ExtractWithInstaller(const std::string& path, const std::string& dir, int codepage,
                          PackageHost host, std::string& error) {
    if (!OpenPackageAsTool(path, host)) {
        ClosePackage();
        error = path + ": not a Package, or its directory is damaged";
        return false;
    }
    // The Package's names are in the target's code page; the host may spell them otherwise.
    EntryNameMap hostNames;
    hostNames.Map = [](const std::string& stored, const void* context) {
        return CodePageToHostName(stored, *static_cast<const int*>(context));
    };
    hostNames.Context = &codepage;
    CreateFolderPath(dir + kHostSeparator);
    ExtractResult result = ExtractPackage(Package, dir + kHostSeparator, std::string(), hostNames);
    ClosePackage();
    if (!result.Opened) {
        error = path + ": cannot read the Package";
        return false;
    }
    if (result.Damaged > 0) {
        error = path + ": " + std::to_string(result.Damaged) +
                " damaged entries were not written (see wbpack verify)";
        return false;
    }
    if (result.Failed > 0) {
        error = path + ": " + std::to_string(result.Failed) + " files could not be written below " +
                dir;
        return false;
    }
    return true;
}

int CmdExtract(const Args& a, Console& io) {
    if (a.Positional.size() != 1 || a.Output.empty()) return io.Usage("extract takes FILE -o DIR");
    std::string error;
    if (!ExtractWithInstaller(a.Positional[0], a.Output, a.CodePage, PackageHost::Setup, error)) {
        return io.Fail(error);
    }
    const std::string inner = a.Output + kHostSeparator + "setup.pck";
    bool hasInner = false;
    for (const PackageEntry& e : Package.Entries) hasInner |= e.Kind == 1 && e.Name == "setup.pck";
    if (hasInner) {
        if (!ExtractWithInstaller(inner, inner + ".d", a.CodePage, PackageHost::Standalone,
                                  error)) {
            return io.Fail(error);
        }
        io.Out += "extracted " + a.Positional[0] + " to " + a.Output + ", its setup.pck to " +
                  inner + ".d\n";
    } else {
        io.Out += "extracted " + a.Positional[0] + " to " + a.Output + "\n";
    }
    return kExitSuccess;
}

int CmdCompress(const Args& a, Console& io) {
    if (a.Positional.size() != 1 || a.Output.empty()) return io.Usage("compress takes IN -o OUT.jc");
    std::vector<uint8_t> in;
    std::string error;
    if (!ReadWholeFile(a.Positional[0], in, error)) return io.Fail(error);
    std::vector<uint8_t> block = PackBlock(in.data(), in.size(), a.Level);
    PendingOutput out;
    if (!BeginOutput(a.Output, out, error)) return io.Fail(error);
    if (!WriteAll(out.File, block.data(), block.size())) return io.Fail(a.Output + ": write error");
    if (!CommitOutput(out, error)) return io.Fail(error);
    if (!a.Quiet) {
        io.Out += a.Positional[0] + ": " + std::to_string(in.size()) + " -> " +
                  std::to_string(block.size()) + " bytes\n";
    }
    return kExitSuccess;
}

int CmdDecompress(const Args& a, Console& io) {
    if (a.Positional.size() != 1 || a.Output.empty()) {
        return io.Usage("decompress takes IN.jc -o OUT");
    }
    const std::string& path = a.Positional[0];
    std::vector<uint8_t> in;
    std::string error;
    if (!ReadWholeFile(path, in, error)) return io.Fail(error);
    if (in.size() < 10 || in[0] != 'J' || in[1] != 'C') return io.Fail(path + ": not a JC block");
    uint32_t size = pck::ReadLe32(in.data() + 2);
    if (size > kMaxFileSize) return io.Fail(path + ": states a size of 2 GiB or more");
    std::vector<uint8_t> data;
    data.resize(size_t(size) + pck::kDecodeSlack);
    UnpackResult r = UnpackBlockEx(in.data(), in.size(), data.data(), data.size());
    if (r.status != UnpackStatus::Ok || r.size != size) {
        return io.Fail(path + ": damaged JC block (does not decode to its stated size and checksum)");
    }
    PendingOutput out;
    if (!BeginOutput(a.Output, out, error)) return io.Fail(error);
    if (!WriteAll(out.File, data.data(), size)) return io.Fail(a.Output + ": write error");
    if (!CommitOutput(out, error)) return io.Fail(error);
    return kExitSuccess;
}

int CmdPack(const Args& a, Console& io, bool terminal) {
    if (a.Positional.size() != 1 || a.Output.empty()) return io.Usage("pack takes DIR -o FILE.pck");
    uint64_t bytes = 0, latest = 0;
    std::string error;
    if (!LatestTimeFromEnvironment(latest, error) ||
        !PackFolder(a.Positional[0], a.Output, a.Level, a.CodePage, terminal && !a.Quiet, latest,
                    bytes, error)) {
        return io.Fail(error);
    }
    if (!a.Quiet) io.Out += "wrote " + a.Output + " (" + std::to_string(bytes) + " bytes)\n";
    return kExitSuccess;
}

CheckOptions CheckOptionsOf(const Args& a) {
    CheckOptions options;
    options.CodePage = a.CodePage;
    options.Arch = a.Arch == StubArch::X64 ? StubArch::X64 : StubArch::X86;
    return options;
}

int CmdCheck(const Args& a, Console& io) {
    if (a.Positional.size() != 1) return io.Usage("check takes one PROJECT_DIR");
    std::vector<CheckFinding> findings;
    std::string error;
    if (!CheckProject(a.Positional[0], CheckOptionsOf(a), findings, error)) return io.Fail(error);
    size_t errors = 0;
    for (const CheckFinding& f : findings) {
        io.Err += FindingLine(f) + "\n";
        errors += f.Error;
    }
    size_t warnings = findings.size() - errors;
    io.Out += a.Positional[0] + ": " +
              (findings.empty() ? std::string("no problems found")
                                : std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
                                      std::to_string(warnings) +
                                      (warnings == 1 ? " warning" : " warnings")) +
              "\n";
    return errors > 0 ? kExitFailure : kExitSuccess;
}

int CmdInit(const Args& a, Console& io) {
    if (a.Positional.size() != 1) return io.Usage("init takes one DIR");
    std::string error;
    if (!InitProject(a.Positional[0], a.Title, error)) return io.Fail(error);
    io.Out += "wrote a starter project to " + a.Positional[0] +
              "; put the program's files into program/, edit setup.ini, then run: wbpack build " +
              a.Positional[0] + " -o Setup.exe\n";
    return kExitSuccess;
}

int CmdBuild(const Args& a, Console& io, bool terminal) {
    if (a.Positional.size() != 1 || a.Output.empty()) {
        return io.Usage("build takes PROJECT_DIR -o SETUP.exe");
    }
    BuildOptions options;
    options.ProjectDir = a.Positional[0];
    options.Output = a.Output;
    options.Stub = a.Stub;
    options.Arch = a.Arch;
    options.Uninstaller = a.Uninstaller;
    options.Sign = a.Sign;
    options.Level = a.Level;
    options.Method = a.Method;
    options.PerFile = a.PerFile;
    options.CodePage = a.CodePage;
    options.Progress = terminal && !a.Quiet;
    // The check comes first, so that a description with an error yields no setup; its
    // warnings are shown once the setup is built.
    std::vector<CheckFinding> findings;
    std::string error;
    if (!a.NoCheck && CheckProject(a.Positional[0], CheckOptionsOf(a), findings, error) &&
        HasError(findings)) {
        for (const CheckFinding& f : findings) io.Err += FindingLine(f) + "\n";
        return io.Fail(a.Positional[0] + ": the setup description has errors; nothing written");
    }
    if (!LatestTimeFromEnvironment(options.LatestTime, error)) return io.Fail(error);
    BuildReport report;
    bool ok = BuildSetup(options, report, error);
    if (!ok) return io.Fail(error);
    for (const CheckFinding& f : findings) io.Err += FindingLine(f) + "\n";
    for (const std::string& w : report.Warnings) io.Err += "wbpack: warning: " + w + "\n";
    if (!a.Quiet) {
        io.Out += "wrote " + a.Output + ": " + std::to_string(report.OutputBytes) + " bytes (stub " +
                  StubArchName(report.Arch) + " " + std::to_string(report.StubBytes) + ", " + std::to_string(report.OuterEntries) +
                  " setup entries, " + std::to_string(report.ProgramEntries) +
                  " program entries of " + std::to_string(report.ProgramBytes) + " bytes, " +
                  (report.Solid ? "solid" : "per-file") +
                  (a.Method == BlockMethod::Lzma ? ", LZMA" : "") +
                  (report.Signed ? ", signed" : "") +
                  ")\n";
    }
    return kExitSuccess;
}

}  // namespace

int RunWbpack(const std::vector<std::string>& args, std::string& out, std::string& err,
              bool terminal) {
    Console io{out, err};
    if (args.empty()) return io.Usage("no command given");
    if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        if (args.size() == 1) {
            out += OverviewText();
            return kExitSuccess;
        }
        const CommandHelp* topic = FindCommandHelp(args[1]);
        if (!topic || args.size() > 2) return io.Usage("help takes one of the commands below");
        out += CommandUsageText(*topic);
        return kExitSuccess;
    }
    io.Command = FindCommandHelp(args[0]);
    if (!io.Command) return io.Usage("unknown command " + args[0]);
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            out += CommandUsageText(*io.Command);
            return kExitSuccess;
        }
    }
    // winget parses its options itself; its usage row is in the table all the same.
    if (args[0] == "winget") return RunWingetCommand(args, out, err);
    Args a;
    std::string error;
    if (!ParseArgs(args, *io.Command, a, error)) return io.Usage(error);
    if (a.Command == "build") return CmdBuild(a, io, terminal);
    if (a.Command == "check") return CmdCheck(a, io);
    if (a.Command == "init") return CmdInit(a, io);
    if (a.Command == "pack") return CmdPack(a, io, terminal);
    if (a.Command == "list") return CmdList(a, io);
    if (a.Command == "extract") return CmdExtract(a, io);
    if (a.Command == "verify") return CmdVerify(a, io);
    if (a.Command == "compress") return CmdCompress(a, io);
    if (a.Command == "decompress") return CmdDecompress(a, io);
    return io.Usage("unknown command " + a.Command);
}

}  // namespace wb
