// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "wbpack/commands.h"
#include "wbpack/package_writer.h"

namespace wb {

// One run of the wbpack command line, with what it printed.
struct ToolRun {
    int Code;
    std::string Out, Err;
};

inline ToolRun Wbpack(const std::vector<std::string>& args) {
    ToolRun r;
    r.Code = RunWbpack(args, r.Out, r.Err, false);
    return r;
}

// An empty folder of its own for the running test (its name and the process id make it
// unique), removed first if a previous run left it behind.
inline std::filesystem::path FreshTestDir(const std::string& tag) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        (tag + std::to_string(::getpid()) + "_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Package entries for writer and reader tests.
inline PackInput PackFile(const std::string& name, const std::string& data, bool store,
                          uint64_t creation, uint64_t lastWrite) {
    PackInput in;
    in.Name = name;
    in.Kind = pck::kKindFile;
    in.Data.assign(data.begin(), data.end());
    in.Store = store;
    in.CreationTime = creation;
    in.LastWriteTime = lastWrite;
    return in;
}

inline PackInput PackFolder(const std::string& name) {
    PackInput in;
    in.Name = name;
    in.Kind = pck::kKindFolder;
    return in;
}

// The bytes of a Package of `folders` and then `files`, all with the time `time`; "big.dat"
// is stored, every other file compressed.
inline std::string PackageBytes(const std::vector<std::string>& folders,
                                const std::map<std::string, std::string>& files, uint64_t time) {
    std::vector<PackInput> inputs;
    for (const std::string& folder : folders) inputs.push_back(PackFolder(folder));
    for (const auto& [name, data] : files) {
        inputs.push_back(PackFile(name, data, name == "big.dat", time, time));
    }
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildPackage(inputs, PackWriteOptions{}, out, error)) << error;
    return std::string(out.begin(), out.end());
}

// A stand-in installer stub: the headers of an unsigned 32-bit PE program (no sections,
// its headers as long as the stub) over `filler`, which keeps its first two bytes "MZ".
inline std::string FakeStub(std::string filler) {
    const size_t pe = 0x80, opt = pe + 24;
    if (filler.size() < opt + 0xE0) filler.resize(opt + 0xE0, '\0');
    std::fill(filler.begin() + 2, filler.begin() + long(opt + 0xE0), '\0');
    auto put = [&filler](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) filler[at + size_t(i)] = char(uint8_t(v >> (8 * i)));
    };
    filler[0] = 'M';
    filler[1] = 'Z';
    put(0x3C, pe, 4);
    put(pe, 0x4550, 4);                        // "PE\0\0"
    put(pe + 4, 0x014C, 2);                    // x86
    put(pe + 20, 0xE0, 2);                     // SizeOfOptionalHeader
    put(opt, 0x10B, 2);                        // PE32
    put(opt + 60, uint32_t(filler.size()), 4);  // SizeOfHeaders: the whole stub
    put(opt + 92, 16, 4);                      // NumberOfRvaAndSizes, all empty
    return filler;
}

}  // namespace wb
