// Setup shapes for the benchmark: one program tree packed solid and per-file, with the
// Package sizes and the time the installer's own code takes to unpack each.
#include "setup_shapes.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/extract.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "wbpack/package_writer.h"

namespace wb {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kProgramDir = "/usr/lib/i386-linux-gnu/wine/i386-windows";
constexpr size_t kProgramBytes = 24u * 1000 * 1000;

double Since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// A program tree: a sorted run of Windows libraries, one folder level deep.
std::vector<PackInput> ProgramTree(size_t& files, size_t& bytes) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(kProgramDir, ec)) {
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<PackInput> inputs;
    PackInput folder;
    folder.Name = "lib\\";
    folder.Kind = pck::kKindFolder;
    inputs.push_back(folder);
    files = bytes = 0;
    for (const std::string& n : names) {
        if (bytes >= kProgramBytes) break;
        PackInput in;
        in.Name = "lib\\" + n;
        in.SourcePath = std::string(kProgramDir) + "/" + n;
        in.CreationTime = in.LastWriteTime = 0x01D5C1F0A0B0C0D0ull;
        bytes += fs::file_size(in.SourcePath, ec);
        ++files;
        inputs.push_back(std::move(in));
    }
    return inputs;
}

struct UnpackTimes {
    double Total = -1;   // both Packages; -1 on damage
    double Extract = 0;  // unpacking the inner Package into the installation folder
};

// Unpacks the outer Package at `path` and then its setup.pck, as
// start-up and the installation step do.
UnpackTimes UnpackBoth(const std::string& path, const std::string& temp) {
    UnpackTimes times;
    std::error_code ec;
    fs::create_directories(temp + "/setup", ec);
    fs::create_directories(temp + "/install", ec);
    Clock::time_point t = Clock::now();
    if (!OpenPackage(path.c_str(), nullptr)) return times;
    ExtractResult outer = ExtractPackage(Package, temp + "/setup/", "");
    ClosePackage();
    if (!outer.Opened || outer.Damaged != 0 || outer.Failed != 0) return times;
    if (!OpenPackage((temp + "/setup/setup.pck").c_str(), nullptr, PackageHost::Standalone)) {
        return times;
    }
    Clock::time_point x = Clock::now();
    ExtractResult inner = ExtractPackage(Package, temp + "/install/", "");
    ClosePackage();
    times.Extract = Since(x);
    if (inner.Opened && inner.Damaged == 0 && inner.Failed == 0) times.Total = Since(t);
    return times;
}

}  // namespace

void ReportSetupShapes() {
    size_t files = 0, bytes = 0;
    std::vector<PackInput> program = ProgramTree(files, bytes);
    std::printf("\nSetup shapes: %zu files, %.1f MB of %s (level 6)\n", files, bytes / 1e6,
                kProgramDir);
    if (files == 0) {
        std::printf("  no program files found\n");
        return;
    }
    char pattern[] = "/tmp/wb-bench-shapes-XXXXXX";
    if (!::mkdtemp(pattern)) return;
    const std::string temp = pattern;
    std::printf("  %-9s %12s %12s %7s %9s %11s %10s\n", "shape", "unpacked", "setup.pck",
                "ratio", "pack s", "unpack s", "inner s");

    for (bool solid : {true, false}) {
        Clock::time_point t = Clock::now();
        std::vector<PackInput> inner = program;
        for (PackInput& in : inner) in.Store = solid;
        std::vector<uint8_t> innerBytes;
        std::string error;
        PackWriteOptions options;
        if (!BuildPackage(inner, options, innerBytes, error)) {
            std::printf("  %s: %s\n", solid ? "solid" : "per-file", error.c_str());
            continue;
        }
        PackInput pck;
        pck.Name = "setup.pck";
        pck.Data = std::move(innerBytes);
        pck.Store = !solid;
        std::vector<uint8_t> outer;
        if (!BuildPackage({pck}, options, outer, error)) {
            std::printf("  %s: %s\n", solid ? "solid" : "per-file", error.c_str());
            continue;
        }
        double packSeconds = Since(t);
        const std::string path = temp + "/outer.pck";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(outer.data()), std::streamsize(outer.size()));
        // Every block is decoded once, as it is written.
        UnpackTimes unpack = UnpackBoth(path, temp);
        std::printf("  %-9s %12zu %12zu %6.1f%% %9.2f %11.2f %10.2f\n",
                    solid ? "solid" : "per-file", bytes, outer.size(),
                    100.0 * double(outer.size()) / double(bytes), packSeconds, unpack.Total,
                    unpack.Extract);
        std::error_code ec;
        fs::remove_all(temp + "/setup", ec);
        fs::remove_all(temp + "/install", ec);
    }
    std::error_code ec;
    fs::remove_all(temp, ec);
}

}  // namespace wb
