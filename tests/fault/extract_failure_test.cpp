// Extraction when the disk fails: every write, close, open and read of the file service is
// made to fail in turn, and each time the outcome is counted, no incomplete file is left,
// every other file arrives whole, and no handle stays open.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "install/install_sequence.h"
#include "install/package_files.h"
#include "package/extract.h"
#include "package/package_reader.h"
#include "startup/setup_state.h"
#include "startup/startup.h"
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

std::string PackageBytes(const std::map<std::string, std::string>& files) {
    std::vector<PackInput> inputs = {PackFolder("Docs\\")};
    for (const auto& [name, data] : files) {
        inputs.push_back(PackFile(name, data, name == "big.dat", kTime, kTime));
    }
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildPackage(inputs, PackWriteOptions{}, out, error)) << error;
    return std::string(out.begin(), out.end());
}

class ExtractFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        files_ = SampleFiles();
        package_ = PackageBytes(files_);
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

// The installation step and the quiet run's exit code over the same failures.
class InstallFailureTest : public ExtractFailureTest {
protected:
    void SetUp() override {
        ExtractFailureTest::SetUp();
        wb::Setup = SetupState{};
        wb::Setup.TempDir = "C:\\Temp\\{G}\\";
        wb::Setup.SetupIni = wb::Setup.TempDir + "setup.ini";
        wb::Setup.CmdProgDir = kTarget;
        wb::Setup.InstallDir = kTarget;
        fake::FilesPut(wb::Setup.TempDir + "setup.pck", package_);
        fake::FilesPut(wb::Setup.SetupIni, "[Info]\r\nTitel = Tool\r\n[Task]\r\nNoUninstall = 1\r\n");
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        ExtractFailureTest::TearDown();
    }
};

TEST_F(InstallFailureTest, AFileThatCannotBeWrittenCountsInFailedNotInDamaged) {
    fake::FilesFailCall(fake::FileCall::Write, 2);
    ExtractResult r = InstallPackageFiles(false);
    ASSERT_TRUE(fake::FilesFailureHappened());
    EXPECT_TRUE(r.Opened);
    EXPECT_EQ(r.Damaged, 0);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(wb::Setup.PackageDamaged, 0);
    EXPECT_EQ(CheckTargets(), 1);
}

TEST_F(InstallFailureTest, AReadFailingAnywhereBeforeTheFirstFileWritesNothing) {
    // Every read of the installation step fails in turn: while the directory or the blocks
    // are checked, the run is damaged and nothing is written; later the entries from the
    // failed read on are missing, and every file is whole or absent.
    int checked = 0;
    for (int nth = 1; nth < 200; ++nth) {
        SCOPED_TRACE("read " + std::to_string(nth));
        fake::FilesReset();
        fake::FilesPut(wb::Setup.TempDir + "setup.pck", package_);
        wb::Setup.PackageDamaged = 0;
        fake::FilesFailCall(fake::FileCall::Read, nth);
        ExtractResult r = InstallPackageFiles(false);
        if (!fake::FilesFailureHappened()) break;
        EXPECT_EQ(wb::Setup.PackageDamaged, 1);
        const int missing = CheckTargets();
        if (missing == int(files_.size())) ++checked;
        EXPECT_GE(missing, 1);
        EXPECT_TRUE(!r.Opened || r.Damaged >= 1);
    }
    EXPECT_GT(checked, 2) << "the check pass reads the Package before any file is written";
}

TEST_F(InstallFailureTest, TheQuietRunEndsWithCode3AfterAFailedWriteAnd2AfterDamage) {
    // Closes: the Package after its directory, the Package after the check of its blocks,
    // then the written files; the fourth is the second written file's.
    fake::FilesFailCall(fake::FileCall::Close, 4);
    EXPECT_EQ(InstallQuietly(), kExitWriteFailed);
    EXPECT_EQ(CheckTargets(), 1);

    std::string damaged = package_;
    // The data area opens with the compressed Docs\readme.txt (stored data has no check).
    damaged[20] = char(damaged[20] ^ 0x5A);
    fake::FilesPut(wb::Setup.TempDir + "setup.pck", damaged);
    fake::FilesFailCall(fake::FileCall::Write, 0);
    EXPECT_EQ(InstallQuietly(), kExitDamaged);
}

}  // namespace
}  // namespace wb
