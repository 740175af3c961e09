// Turning folders of the host into Package entries: the tree scan with its name checks,
// the base Uninstall log, and the two commands that write Packages (build and pack).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wbpack/authoring/ini_text.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/package_writer.h"

namespace wb {

struct TreeItem {
    std::string HostPath;    // path on the host
    std::string StoredName;  // 8-bit, "\" separators, relative; a folder's ends in "\"
    bool IsFolder = false;
    uint64_t Size = 0;
    uint64_t WriteTime = 0;     // Windows file time of the modification time
    uint64_t CreationTime = 0;  // Windows file time of the creation (host's when it keeps one)
    int Depth = 0;           // folders above the item
};

struct ScanOptions {
    int CodePage = 1252;
    std::vector<std::string> SkipTop;  // top-level host names left out
    bool SkipDotNamesAtTop = false;
    std::string SkipPath;              // a host file left out wherever it lies (the output)
    uint64_t LatestTime = 0;           // later file times are recorded as this (0: none)
};

// `name` with the letters Windows takes for one folded to one spelling, for comparing
// stored names as Windows does.
std::string FoldName(const std::string& name, int codepage);

// Lists every file and folder below `root`, sorted by stored name. False with a one-line
// reason for an unreadable folder, a special file, a link to a folder, a file of 2 GiB or
// more, a name Windows cannot hold or the code page cannot spell, or two names that differ
// only in letter case.
bool ScanTree(const std::string& root, const ScanOptions& options, std::vector<TreeItem>& items,
              std::string& error);

// The base uninstall.dat (CR LF lines): Settings with ProgName, Version, NoDelAll and
// MutexString from setup.ini; Files listing the program's files and then the uninstaller
// and the log; Dirs listing the program's folders, deepest first.
std::string MakeUninstallLog(const IniText& setupIni, const std::vector<TreeItem>& program);

// Package entries for scanned items, compressed or stored.
std::vector<PackInput> InputsFromTree(const std::vector<TreeItem>& items, bool store);

struct BuildOptions {
    std::string ProjectDir;
    std::string Output;
    std::string Stub;         // empty: CompanionProgram("wbsetup.exe", Arch)
    std::string Uninstaller;  // empty: CompanionProgram("uninstall.exe", the stub's arch)
    // The installer's architecture; Unknown when not asked for: then the stub given with
    // Stub decides, and without one the 32-bit stub is taken.
    StubArch Arch = StubArch::Unknown;
    int Level = 6;
    BlockMethod Method = BlockMethod::Jc;  // of every compressed entry
    bool PerFile = false;
    int CodePage = 1252;
    bool Progress = false;    // progress line on standard error
    uint64_t SolidLimit = 256ull * 1024 * 1024;
    // The signing command (--sign): run through the shell for uninstall.exe before it is
    // packed and for the finished setup; "{in}" and "{out}" name the files.
    std::string Sign;
    // SOURCE_DATE_EPOCH as a file time: no entry records a later time (0: times as they are).
    uint64_t LatestTime = 0;
};

struct BuildReport {
    bool Solid = false;
    StubArch Arch = StubArch::Unknown;  // read from the stub's PE header
    uint64_t StubBytes = 0;
    uint64_t ProgramBytes = 0;   // unpacked bytes of the inner Package's files
    size_t ProgramEntries = 0;   // entries of the inner Package
    size_t OuterEntries = 0;
    uint64_t OutputBytes = 0;
    uint32_t Padding = 0;       // zero bytes between the stub and the data start
    bool Signed = false;
    std::vector<std::string> Warnings;
};

// `wbpack build`: the stub followed by the outer Package holding the project's files and the
// inner setup.pck. Writes nothing at `Output` unless everything succeeded.
bool BuildSetup(const BuildOptions& options, BuildReport& report, std::string& error);

// `wbpack pack`: a standalone Package of the tree at `dir`.
bool PackFolder(const std::string& dir, const std::string& output, int level, int codepage,
                bool progress, uint64_t latestTime, uint64_t& bytesWritten, std::string& error);

}  // namespace wb
