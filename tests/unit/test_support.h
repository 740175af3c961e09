// Helpers shared by the unit tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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

}  // namespace wb
