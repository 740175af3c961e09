// Extraction when the disk fails: every write, close, open and read of the file service is
// made to fail in turn, and each time the outcome is counted, no incomplete file is left,
// every other file arrives whole, and no handle stays open.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "package/extract.h"
#include "package/package_reader.h"
#include "unit/test_support.h"

namespace wb {
namespace {

constexpr uint64_t kTime = 116444736000000000ull + 1577934245ull * 10000000ull;
const char* const kPackagePath = "C:\\Setup\\setup.pck";
const char* const kTarget = "C:\\Program Files\\Tool\\";

std::string Text(size_t n, char seed) {
    std::string s;
    while (s.size() < n) s += std::string("line of program ") + seed + " text\r\n";
    s.resize(n);
    return s;
}

// Files of both kinds: a stored one large enough to be copied in several chunks, compressed
// ones, an empty one, and one in a folder of its own.
std::map<std::string, std::string> SampleFiles() {
    return {{"big.dat", Text(700 * 1024, 'b')},
            {"Tool.exe", Text(20000, 't')},
            {"Docs\\readme.txt", Text(3000, 'r')},
            {"empty.log", ""}};
}

class ExtractFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        files_ = SampleFiles();
        package_ = PackageBytes({"Docs\\"}, files_, kTime);
    }
    void TearDown() override { fake::ResetAll(); }

    // A fresh disk with the Package on it, the failure set, one extraction.
    ExtractResult ExtractFailing(fake::FileCall call, int nth) {
        fake::FilesReset();
        fake::FilesPut(kPackagePath, package_);
        EXPECT_EQ(OpenPackage(kPackagePath, nullptr), 1);
        fake::FilesFailCall(call, nth);
        ExtractResult r = ExtractPackage(Package, kTarget, "");
        ClosePackage();
        return r;
    }

    // Every target is whole or absent; returns how many are absent.
    int CheckTargets() {
        int missing = 0;
        for (const auto& [name, data] : files_) {
            std::string got;
            if (!fake::FilesGet(std::string(kTarget) + name, got)) {
                ++missing;
                continue;
            }
            EXPECT_EQ(got.size(), data.size()) << name << " is incomplete";
            EXPECT_TRUE(got == data) << name << " is corrupted";
        }
        EXPECT_EQ(fake::FilesOpenHandles(), 0) << "a handle was left open";
        return missing;
    }

    std::map<std::string, std::string> files_;
    std::string package_;
};

TEST_F(ExtractFailureTest, ExtractsEverythingWhenNothingFails) {
    ExtractResult r = ExtractFailing(fake::FileCall::Write, 0);
    EXPECT_TRUE(r.Opened);
    EXPECT_EQ(r.Damaged, 0);
    EXPECT_EQ(r.Failed, 0);
    EXPECT_EQ(CheckTargets(), 0);
}

TEST_F(ExtractFailureTest, EachFailedWriteIsCountedAndLeavesNoPartialFile) {
    int failures = 0;
    for (int nth = 1; nth < 100; ++nth) {
        SCOPED_TRACE("write " + std::to_string(nth));
        ExtractResult r = ExtractFailing(fake::FileCall::Write, nth);
        if (!fake::FilesFailureHappened()) break;
        ++failures;
        EXPECT_TRUE(r.Opened);
        EXPECT_EQ(r.Damaged, 0) << "a write failure is not damage";
        EXPECT_EQ(r.Failed, 1);
        EXPECT_EQ(CheckTargets(), 1);
    }
    // The stored file takes three chunks, the two compressed files one write each.
    EXPECT_EQ(failures, 5);
}

TEST_F(ExtractFailureTest, EachFailedCloseOfATargetIsCountedAndRemovesIt) {
    int failedTargets = 0;
    for (int nth = 1; nth < 100; ++nth) {
        SCOPED_TRACE("close " + std::to_string(nth));
        ExtractResult r = ExtractFailing(fake::FileCall::Close, nth);
        if (!fake::FilesFailureHappened()) break;
        EXPECT_EQ(r.Damaged, 0);
        // The last close is the Package file's own, which loses no installed data.
        EXPECT_LE(r.Failed, 1);
        EXPECT_EQ(CheckTargets(), r.Failed);
        failedTargets += r.Failed;
    }
    EXPECT_EQ(failedTargets, int(files_.size())) << "every target's close was tried";
}

TEST_F(ExtractFailureTest, ATargetThatCannotBeOpenedIsCountedAndTheRestArrives) {
    for (int nth = 1; nth <= int(files_.size()); ++nth) {
        SCOPED_TRACE("open " + std::to_string(nth));
        ExtractResult r = ExtractFailing(fake::FileCall::Open, nth);
        ASSERT_TRUE(fake::FilesFailureHappened());
        if (nth == 1) {
            EXPECT_FALSE(r.Opened) << "the first open is the Package file's";
            EXPECT_EQ(CheckTargets(), int(files_.size()));
            continue;
        }
        EXPECT_TRUE(r.Opened);
        EXPECT_EQ(r.Failed, 1);
        EXPECT_EQ(CheckTargets(), 1);
    }
}

TEST_F(ExtractFailureTest, AFailedReadOfThePackageIsDamageAndWritesNothingPartial) {
    for (int nth = 1; nth < 100; ++nth) {
        SCOPED_TRACE("read " + std::to_string(nth));
        ExtractResult r = ExtractFailing(fake::FileCall::Read, nth);
        if (!fake::FilesFailureHappened()) break;
        EXPECT_GE(r.Damaged, 1);
        EXPECT_EQ(r.Failed, 0);
        EXPECT_EQ(CheckTargets(), r.Damaged);
    }
}

}  // namespace
}  // namespace wb
