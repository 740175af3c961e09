// The wbpack usage table: one row per command and per option.
#include "wbpack/help.h"

namespace wb {
namespace {

constexpr OptionHelp kLevel{"--level", nullptr, "N",
                            "compression level, 1 (fast) to 9 (smallest); default 6"};
constexpr OptionHelp kCodePage{"--codepage", nullptr, "N",
                               "ANSI code page of the target systems: 1252 (default), 850 or 437"};
constexpr OptionHelp kQuiet{"--quiet", "-q", nullptr, "no progress line and no summary"};
constexpr OptionHelp kArch{"--arch", nullptr, "x86|x64",
                           "installer of the setup: x86 (default, every Windows) or x64"};
constexpr OptionHelp kHelp{"--help", "-h", nullptr, "show this help"};

constexpr OptionHelp kBuildOptions[] = {
    {"-o", "--output", "SETUP.exe", "the setup file to write"},
    kArch,
    {"--stub", nullptr, "PATH", "installer stub; default wbsetup.exe of the architecture"},
    {"--uninstaller", nullptr, "PATH", "uninstaller to carry; default uninstall.exe beside the stub"},
    kLevel,
    {"--method", nullptr, "jc|lzma",
     "block method: jc (default; fastest unpacking, smallest stub) or lzma (smallest setup)"},
    {"--per-file", nullptr, nullptr, "compress each program file on its own"},
    kCodePage,
    {"--sign", nullptr, "\"COMMAND\"",
     "sign uninstall.exe and the setup with COMMAND ({in} the file, {out} the signed copy)"},
    {"--no-check", nullptr, nullptr,
     "build even when the check finds errors (setups that test a broken description)"},
    kQuiet,
    kHelp,
};
constexpr OptionHelp kCheckOptions[] = {
    kCodePage,
    {"--arch", nullptr, "x86|x64", "installer the setup will carry, for the path-length check"},
    kHelp,
};
constexpr OptionHelp kInitOptions[] = {
    {"--title", nullptr, "TEXT", "product title; default the folder's name"},
    kHelp,
};
constexpr OptionHelp kPackOptions[] = {
    {"-o", "--output", "FILE.pck", "the Package to write"}, kLevel, kCodePage, kQuiet, kHelp,
};
constexpr OptionHelp kListOptions[] = {kCodePage, kHelp};
constexpr OptionHelp kExtractOptions[] = {{"-o", "--output", "DIR", "the folder to unpack into"},
                                          kCodePage, kHelp};
constexpr OptionHelp kVerifyOptions[] = {kHelp};
constexpr OptionHelp kCompressOptions[] = {{"-o", "--output", "OUT.jc", "the block to write"},
                                           kLevel, kQuiet, kHelp};
constexpr OptionHelp kDecompressOptions[] = {{"-o", "--output", "OUT", "the file to write"}, kHelp};
constexpr OptionHelp kWingetOptions[] = {
    {"--id", nullptr, "PUBLISHER.PACKAGE", "winget package identifier (required)"},
    {"--url", nullptr, "URL", "where the setup will be downloaded from (required)"},
    {"-o", "--output", "DIR", "folder of the three manifests (required)"},
    {"--license", nullptr, "TEXT", "licence name, such as MIT or Proprietary"},
    {"--license-url", nullptr, "URL", "web page of the licence"},
    {"--description", nullptr, "TEXT", "short description of the package"},
    {"--locale", nullptr, "TAG", "language of the texts; default en-US"},
    {"--publisher-url", nullptr, "URL", "web page of the publisher"},
    {"--package-url", nullptr, "URL", "web page of the package; default the setup's Web"},
    kCodePage,
    kHelp,
};
constexpr OptionHelp kHelpOptions[] = {kHelp};

constexpr CommandHelp kCommands[] = {
    {"build", "PROJECT_DIR -o SETUP.exe",
     "check the project, then build its setup (nothing written on an error)",
     kBuildOptions},
    {"check", "PROJECT_DIR",
     "report the mistakes of setup.ini as setup.ini:LINE: error|warning: text", kCheckOptions},
    {"init", "DIR", "write a starter project: commented setup.ini, program/, licence and readme",
     kInitOptions},
    {"pack", "DIR -o FILE.pck", "a standalone Package of the folder", kPackOptions},
    {"list", "FILE", "list a setup's or Package's entries", kListOptions},
    {"extract", "FILE -o DIR", "unpack a setup or Package", kExtractOptions},
    {"verify", "FILE", "check every entry of a setup or Package", kVerifyOptions},
    {"compress", "IN -o OUT.jc", "compress one file into a JC block", kCompressOptions},
    {"decompress", "IN.jc -o OUT", "unpack one JC block", kDecompressOptions},
    {"winget", "SETUP.exe --id PUBLISHER.PACKAGE --url URL -o DIR",
     "write the winget manifests (version, locale, installer) of a built setup", kWingetOptions},
    {"help", "[COMMAND]", "show the commands, or one command's options", kHelpOptions},
};

std::string Pad(std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

}  // namespace

std::span<const CommandHelp> CommandHelps() { return kCommands; }

const CommandHelp* FindCommandHelp(const std::string& name) {
    for (const CommandHelp& c : kCommands) {
        if (name == c.Name) return &c;
    }
    return nullptr;
}

const OptionHelp* FindOption(const CommandHelp& command, const std::string& arg) {
    for (const OptionHelp& o : command.Options) {
        if (arg == o.Name || (o.Alias && arg == o.Alias)) return &o;
    }
    return nullptr;
}

std::string OverviewText() {
    std::string out = "usage: wbpack COMMAND [OPTIONS]\n\ncommands:\n";
    for (const CommandHelp& c : kCommands) {
        out += "  " + Pad(c.Name, 12) + c.Summary + "\n";
    }
    out += "\n'wbpack help COMMAND' or 'wbpack COMMAND --help' shows a command's options.\n";
    return out;
}

std::string CommandUsageText(const CommandHelp& c) {
    std::string out = std::string("usage: wbpack ") + c.Name + " " + c.Operands + " [OPTIONS]\n" +
                      c.Summary + "\n\noptions:\n";
    for (const OptionHelp& o : c.Options) {
        std::string spelled = o.Name;
        if (o.Alias) spelled += ", " + std::string(o.Alias);
        if (o.Value) spelled += std::string(" ") + o.Value;
        out += "  " + Pad(spelled, 26) + o.Text + "\n";
    }
    return out;
}

}  // namespace wb
