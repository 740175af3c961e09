// The installation step that unpacks the inner setup.pck: progress, protected files, and
// the counts the installation's exit code is made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "install/package_files.h"
#include "package/package_reader.h"
#include "state/setup_state.h"
#include "unit/test_support.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kTime = 116444736000000000ull + 1577934245ull * 10000000ull;

PackInput File(const std::string& name, const std::string& data) {
    return PackFile(name, data, false, kTime, kTime);
}

std::string Text(size_t n, char seed) {
    std::string s;
    while (s.size() < n) s += std::string("program text ") + seed + "\r\n";
    s.resize(n);
    return s;
}

// Nothing of a run is left in the installation folder's parent but the folders given.
std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> names;
    if (!fs::exists(root)) return names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        names.push_back(e.path().string().substr(root.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class InstallPackageFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = FreshTestDir("wb-install-files").string();
        temp_ = root_ + "/temp/";
        fs::create_directories(temp_);
        wb::Setup = SetupState{};
        wb::Setup.TempDir = temp_;
        wb::Setup.InstallDir = root_ + "/Programs/Tool/";
    }
    void TearDown() override {
        InstallProgress = InstallProgressHooks{};
        wb::Setup = SetupState{};
        fs::remove_all(root_);
    }
    std::vector<uint8_t> Build(const std::vector<PackInput>& inputs) {
        std::vector<uint8_t> out;
        std::string error;
        PackWriteOptions options;
        options.Method = method_;
        EXPECT_TRUE(BuildPackage(inputs, options, out, error)) << error;
        return out;
    }
    BlockMethod method_ = BlockMethod::Jc;
    void WriteInner(const std::vector<uint8_t>& bytes) {
        std::ofstream(temp_ + "setup.pck", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string root_, temp_;
};

int32_t g_max = -1, g_pos = -1;

TEST_F(InstallPackageFilesTest, FillsTheInstallationFolderAndKeepsProtectedFiles) {
    std::vector<uint8_t> bytes = Build({File("prog.exe", Text(9000, 'p')), File("user.ini", "new"),
                                        PackFolder("Logs\\")});
    WriteInner(bytes);
    wb::Setup.NoCopyExt = "ini|";
    InstallProgress.SetMaximum = [](int32_t m) { g_max = m; };
    InstallProgress.SetPosition = [](int32_t p) { g_pos = p; };

    EXPECT_EQ(InstallPackageFiles(true), kExitOk);
    EXPECT_EQ(g_max, 9000 + 3);
    EXPECT_EQ(g_pos, 9000 + 3);
    EXPECT_EQ(wb::Setup.ProgressCount, 9003);
    EXPECT_TRUE(fs::is_directory(wb::Setup.InstallDir + "Logs"));
    EXPECT_EQ(fs::file_size(wb::Setup.InstallDir + "prog.exe"), 9000u);
    EXPECT_EQ(wb::Setup.PackageDamaged, 0);

    // Again, quietly, over the first installation: the protected ini stays.
    std::ofstream(wb::Setup.InstallDir + "user.ini") << "mine";
    g_pos = -1;
    EXPECT_EQ(InstallPackageFiles(false), kExitOk);
    EXPECT_EQ(g_pos, -1) << "the quiet run moves no bar";
    std::ifstream in(wb::Setup.InstallDir + "user.ini");
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "mine");

    // A damaged inner Package marks the run.
    bytes[bytes.size() - 1] = 'x';
    WriteInner(bytes);
    EXPECT_EQ(InstallPackageFiles(false), kExitDamaged);
    EXPECT_EQ(wb::Setup.PackageDamaged, 1);

    // No inner Package at all installs nothing and is no damage.
    wb::Setup.PackageDamaged = 0;
    fs::remove(temp_ + "setup.pck");
    EXPECT_EQ(InstallPackageFiles(false), kExitOk);
    EXPECT_EQ(wb::Setup.PackageDamaged, 0);
}


TEST_F(InstallPackageFilesTest, AFileThatCannotBePlacedRollsBackEveryOtherFile) {
    WriteInner(Build({File("b.txt", "new b"), File("Data\\a.txt", "a"), File("Data\\c.txt", "c")}));
    // A file where the folder Data should be: nothing can be created below it.
    fs::create_directories(wb::Setup.InstallDir);
    std::ofstream(wb::Setup.InstallDir + "Data") << "in the way";
    std::ofstream(wb::Setup.InstallDir + "b.txt") << "old b";
    const std::vector<std::string> before = Tree(root_ + "/Programs");
    EXPECT_EQ(InstallPackageFiles(false), kExitWriteFailed);
    EXPECT_EQ(Tree(root_ + "/Programs"), before) << "no staging folder or new file is left";
    std::ifstream in(wb::Setup.InstallDir + "b.txt");
    std::string b;
    std::getline(in, b);
    EXPECT_EQ(b, "old b");
    EXPECT_EQ(wb::Setup.PackageDamaged, 0) << "a write failure is not damage";
}

TEST_F(InstallPackageFilesTest, RecordsTheRoomNeededAndTheRoomFree) {
    // Native runs see the host's real volume: a Package stating more than any disk holds.
    std::vector<PackInput> inputs;
    for (int i = 0; i < 3; ++i) inputs.push_back(File("f" + std::to_string(i), Text(100, 'f')));
    WriteInner(Build(inputs));
    EXPECT_EQ(InstallPackageFiles(false), kExitOk);
    EXPECT_GT(wb::Setup.RoomNeeded, 3 * 100);
    EXPECT_GT(wb::Setup.RoomFree, wb::Setup.RoomNeeded);
}

TEST_F(InstallPackageFilesTest, DamageAnywhereWritesNothingAndLeavesNoFolder) {
    // Per-file shape: every entry its own block. A changed byte in any block, first or
    // last, or an unsafe name, stops the run before the first file is written.
    std::vector<PackInput> inputs = {File("a.exe", Text(20000, 'a')), PackFolder("Data\\"),
                                     File("Data\\b.dll", Text(30000, 'b')),
                                     File("z.txt", Text(5000, 'z'))};
    // Either block method.
    for (const BlockMethod method : {BlockMethod::Jc, BlockMethod::Lzma}) {
        SCOPED_TRACE(method == BlockMethod::Jc ? "JC" : "LZMA");
        method_ = method;
        const std::vector<uint8_t> good = Build(inputs);
        std::vector<PackageEntry> entries;
        {
            WriteInner(good);
            ASSERT_EQ(OpenPackage((temp_ + "setup.pck").c_str(), nullptr, PackageHost::Standalone), 1);
            entries = Package.Entries;
            ClosePackage();
        }
        for (const PackageEntry& e : entries) {
            if (e.Kind != 1) continue;
            for (int32_t at : {e.PackedSize / 3, e.PackedSize / 2}) {
                fs::remove_all(wb::Setup.InstallDir);
                std::vector<uint8_t> bad = good;
                bad[size_t(e.DataOffset + at)] ^= 0x20;
                WriteInner(bad);
                wb::Setup.PackageDamaged = 0;
                EXPECT_EQ(InstallPackageFiles(true), kExitDamaged) << e.Name << " @" << at;
                EXPECT_EQ(wb::Setup.PackageDamaged, 1);
                EXPECT_FALSE(fs::exists(wb::Setup.InstallDir)) << e.Name << " @" << at;
            }
        }
    }
    method_ = BlockMethod::Jc;
    const std::vector<uint8_t> good = Build(inputs);

    // An unsafe name refuses the whole Package too.
    inputs.push_back(File("..\\escape.txt", "out"));
    WriteInner(Build(inputs));
    EXPECT_EQ(InstallPackageFiles(false), kExitDamaged);
    EXPECT_FALSE(fs::exists(wb::Setup.InstallDir));
    EXPECT_FALSE(fs::exists(root_ + "/Programs/escape.txt"));

    // The whole one installs.
    WriteInner(good);
    wb::Setup.PackageDamaged = 0;
    EXPECT_EQ(InstallPackageFiles(false), kExitOk);
    EXPECT_EQ(fs::file_size(wb::Setup.InstallDir + "Data/b.dll"), 30000u);
}

}  // namespace
}  // namespace wb
