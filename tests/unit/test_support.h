// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "package/package_format.h"
#include "wbpack/package_writer.h"

namespace wb {

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

}  // namespace wb
