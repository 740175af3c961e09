// The wbpack commands run in-process over real folders: setups and Packages that read back
// whole, deterministic output, and clear failures that leave no output behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "package/package_reader.h"
#include "blocks/decompress/unpack_block.h"
#include "wbpack/codepage.h"
#include "unit/test_support.h"
#include "wbpack/commands.h"
#include "wbpack/inspection/inspect.h"
#include "blocks/compress/jc_encoder.h"
#include "wbpack/authoring/project.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kUnixTime = 1577934245;  // 2020-01-02 03:04:05 UTC
constexpr uint64_t kFileTime = 116444736000000000ull + uint64_t(kUnixTime) * 10000000ull;

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<uint8_t> Bytes(const std::string& path) {
    std::string s = Slurp(path);
    return {s.begin(), s.end()};
}

void Spit(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << data;
    struct timespec times[2] = {{kUnixTime, 0}, {kUnixTime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Noise(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(rng());
    return s;
}

std::string Prose(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "Wendlebox installs program number " + std::to_string(i % 50) + ".\r\n";
    s.resize(n);
    return s;
}

class WbpackTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wb-wbpack-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        project_ = root_ + "/project";
        stub_ = root_ + "/stub.exe";
        Spit(stub_, FakeStub("MZ" + Noise(2046, 1)));
        MakeProject();
    }
    void MakeProject() {
        Spit(project_ + "/setup.ini",
             "[Info]\r\nTitel = Sample Tool\r\nVersion = 2.1\r\n[Settings]\r\nNoCopyExt = ini|\r\n"
             "[Task]\r\nMutexString =  SampleMutex \r\nNoDelAll = 1\r\n");
        Spit(project_ + "/licence.txt", Prose(3000));
        Spit(project_ + "/lang/German.lng", "[Install]\r\nTitel = Installation\r\n");
        Spit(project_ + "/.hidden", "not packed");
        Spit(project_ + "/program/Tool.exe", "MZ" + Noise(5000, 2) + Prose(20000));
        Spit(project_ + "/program/Data/Deep/readme.txt", Prose(7000));
        Spit(project_ + "/program/empty.dat", "");
        Spit(project_ + "/program/jc.bin", std::string("JC\x10\x00\x00\x00", 6) + Noise(30, 3));
        Spit(project_ + "/program/settings.ini", "[User]\r\n");
        fs::create_directories(project_ + "/program/Backup");
    }
    void TearDown() override { fs::remove_all(root_); }

    ToolRun Build(const std::string& out, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"build", project_, "-o", out, "--stub", stub_, "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Wbpack(args);
    }

    // Leftovers in a folder other than `keep`.
    std::vector<std::string> Others(const std::string& folder, const std::string& keep = "") {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) {
            std::string n = e.path().filename().string();
            if (n != keep) names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string root_, project_, stub_;
};

// The inner Package's image, unpacked from a setup.
std::vector<uint8_t> InnerOf(const std::vector<uint8_t>& setup, PackageImage& outer,
                             bool& stored) {
    std::string error;
    EXPECT_TRUE(ReadPackageImage(setup.data(), setup.size(), outer, error)) << error;
    long i = FindInnerPackage(outer);
    EXPECT_GE(i, 0);
    if (i < 0) return {};
    stored = outer.Entries[size_t(i)].PackedSize == outer.Entries[size_t(i)].Size;
    std::vector<uint8_t> inner;
    EXPECT_TRUE(EntryContents(setup.data(), setup.size(), outer, size_t(i), inner, error)) << error;
    return inner;
}

void ExpectSameTree(const std::string& a, const std::string& b) {
    for (const auto& e : fs::recursive_directory_iterator(a)) {
        std::string rel = fs::relative(e.path(), a).string();
        SCOPED_TRACE(rel);
        ASSERT_TRUE(fs::exists(b + "/" + rel));
        if (e.is_regular_file()) {
            EXPECT_EQ(Slurp(e.path().string()), Slurp(b + "/" + rel));
            struct stat st {};
            ASSERT_EQ(::stat((b + "/" + rel).c_str(), &st), 0);
            EXPECT_EQ(st.st_mtim.tv_sec, kUnixTime);
        }
    }
}

TEST_F(WbpackTest, SolidSetupReadsBackAndExtractsWhole) {
    std::string setup = root_ + "/out/setup.exe";
    fs::create_directories(root_ + "/out");
    ToolRun r = Build(setup);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("placeholder"), std::string::npos) << "missing uninstaller is a warning";

    std::vector<uint8_t> bytes = Bytes(setup);
    ASSERT_EQ(Slurp(stub_), std::string(bytes.begin(), bytes.begin() + 2048)) << "stub first";
    PackageImage outer;
    bool stored = true;
    std::vector<uint8_t> inner = InnerOf(bytes, outer, stored);
    EXPECT_FALSE(stored) << "solid: setup.pck is one compressed entry";
    // The data start follows the stub and the zeros that make the setup a multiple of 8
    // bytes long, so that a certificate table can follow the trailer directly.
    EXPECT_GE(outer.Trailer.DataStart, 2048u);
    EXPECT_LT(outer.Trailer.DataStart, 2048u + 64u);
    EXPECT_EQ(bytes.size() % 8, 0u);
    for (size_t i = 2048; i < outer.Trailer.DataStart; ++i) EXPECT_EQ(bytes[i], 0) << i;
    std::vector<std::string> names;
    for (const PackageEntry& e : outer.Entries) names.push_back(e.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"lang\\", "lang\\German.lng", "licence.txt",
                                               "setup.ini", "setup.pck"}));
    for (const PackageEntry& e : outer.Entries) {
        if (e.Kind == 1 && e.Size > 0) EXPECT_NE(e.PackedSize, e.Size) << e.Name << " is a block";
    }

    PackageImage innerImage;
    std::string error;
    ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error)) << error;
    names.clear();
    for (const PackageEntry& e : innerImage.Entries) {
        names.push_back(e.Name);
        if (e.Kind == 1) EXPECT_EQ(e.PackedSize, e.Size) << e.Name << " is stored in the solid block";
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Backup\\", "Data\\", "Data\\Deep\\",
                                               "Data\\Deep\\readme.txt", "Tool.exe", "empty.dat",
                                               "jc.bin", "settings.ini", "uninstall.dat",
                                               "uninstall.exe"}));
    EXPECT_EQ(innerImage.Entries[3].LastWriteTime, kFileTime);
    EXPECT_EQ(innerImage.Entries[3].CreationTime, kFileTime);

    ToolRun v = Wbpack({"verify", setup});
    EXPECT_EQ(v.Code, 0) << v.Err;

    ToolRun x = Wbpack({"extract", setup, "-o", root_ + "/x"});
    ASSERT_EQ(x.Code, 0) << x.Err;
    ExpectSameTree(project_ + "/program", root_ + "/x/setup.pck.d");
    EXPECT_EQ(Slurp(root_ + "/x/licence.txt"), Slurp(project_ + "/licence.txt"));
    EXPECT_FALSE(fs::exists(root_ + "/x/.hidden"));
    EXPECT_FALSE(fs::exists(root_ + "/x/program"));

    ToolRun l = Wbpack({"list", setup});
    ASSERT_EQ(l.Code, 0) << l.Err;
    EXPECT_NE(l.Out.find("Data\\Deep\\readme.txt"), std::string::npos);
    EXPECT_NE(l.Out.find("2020-01-02 03:04:05"), std::string::npos);
    EXPECT_NE(l.Out.find("solid"), std::string::npos);
}

TEST_F(WbpackTest, UninstallLogListsFilesAndDeepestFoldersFirst) {
    std::string setup = root_ + "/setup.exe";
    ASSERT_EQ(Build(setup).Code, 0);
    ASSERT_EQ(Wbpack({"extract", setup, "-o", root_ + "/x"}).Code, 0);
    EXPECT_EQ(Slurp(root_ + "/x/setup.pck.d/uninstall.dat"),
              "; Uninstall log of Sample Tool; the installation adds to it.\r\n"
              "[Settings]\r\nProgName = Sample Tool\r\nVersion = 2.1\r\nNoDelAll = 1\r\n"
              "MutexString = SampleMutex\r\n"
              "[Files]\r\nF001 = Data\\Deep\\readme.txt\r\nF002 = Tool.exe\r\nF003 = empty.dat\r\n"
              "F004 = jc.bin\r\nF005 = settings.ini\r\nF006 = uninstall.exe\r\n"
              "F007 = uninstall.dat\r\n"
              "[Dirs]\r\nD001 = Data\\Deep\\\r\nD002 = Backup\\\r\nD003 = Data\\\r\n");

    std::string uninstaller = root_ + "/real-uninstall.exe";
    Spit(uninstaller, "MZ the real one");
    ASSERT_EQ(Build(setup, {"--uninstaller", uninstaller}).Code, 0);
    fs::remove_all(root_ + "/x");
    ASSERT_EQ(Wbpack({"extract", setup, "-o", root_ + "/x"}).Code, 0);
    EXPECT_EQ(Slurp(root_ + "/x/setup.pck.d/uninstall.exe"), "MZ the real one");

    ToolRun missing = Build(setup, {"--uninstaller", root_ + "/nope.exe"});
    EXPECT_EQ(missing.Code, kExitFailure);

    Spit(project_ + "/setup.ini", "[Task]\r\nNoUninstall = 1\r\n");
    ASSERT_EQ(Build(setup).Code, 0);
    fs::remove_all(root_ + "/x");
    ASSERT_EQ(Wbpack({"extract", setup, "-o", root_ + "/x"}).Code, 0);
    EXPECT_FALSE(fs::exists(root_ + "/x/setup.pck.d/uninstall.dat"));
    EXPECT_FALSE(fs::exists(root_ + "/x/setup.pck.d/uninstall.exe"));
}

TEST_F(WbpackTest, PerFileSetupStoresTheInnerPackage) {
    std::string setup = root_ + "/setup.exe";
    ASSERT_EQ(Build(setup, {"--per-file"}).Code, 0);
    std::vector<uint8_t> bytes = Bytes(setup);
    PackageImage outer;
    bool stored = false;
    std::vector<uint8_t> inner = InnerOf(bytes, outer, stored);
    EXPECT_TRUE(stored);
    ASSERT_GE(inner.size(), 2u);
    EXPECT_EQ(inner[0], 'J') << "a stored inner Package begins with its first block";
    EXPECT_EQ(inner[1], 'C');
    PackageImage innerImage;
    std::string error;
    ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error));
    for (const PackageEntry& e : innerImage.Entries) {
        if (e.Kind == 1 && e.Size > 0) EXPECT_NE(e.PackedSize, e.Size) << e.Name;
    }
    EXPECT_EQ(Wbpack({"verify", setup}).Code, 0);
    ASSERT_EQ(Wbpack({"extract", setup, "-o", root_ + "/x"}).Code, 0);
    ExpectSameTree(project_ + "/program", root_ + "/x/setup.pck.d");
    EXPECT_TRUE(Others(root_, "").size() > 0);
    for (const std::string& n : Others(root_)) {
        EXPECT_EQ(n.find(".wbpack-"), std::string::npos) << "temporary inner Package left: " << n;
    }
}

TEST_F(WbpackTest, ShapeFollowsTheSizeLimit) {
    BuildOptions options;
    options.ProjectDir = project_;
    options.Output = root_ + "/setup.exe";
    options.Stub = stub_;
    BuildReport report;
    std::string error;
    ASSERT_TRUE(BuildSetup(options, report, error)) << error;
    EXPECT_TRUE(report.Solid);
    options.SolidLimit = report.ProgramBytes - 1;
    ASSERT_TRUE(BuildSetup(options, report, error)) << error;
    EXPECT_FALSE(report.Solid);
    EXPECT_EQ(report.StubBytes, 2048u);
    EXPECT_EQ(report.OutputBytes, fs::file_size(options.Output));
}

TEST_F(WbpackTest, SameInputsGiveTheSameBytes) {
    for (const char* shape : {"", "--per-file"}) {
        std::vector<std::string> extra;
        if (*shape) extra.push_back(shape);
        ASSERT_EQ(Build(root_ + "/a.exe", extra).Code, 0);
        ASSERT_EQ(Build(root_ + "/b.exe", extra).Code, 0);
        EXPECT_EQ(Slurp(root_ + "/a.exe"), Slurp(root_ + "/b.exe")) << shape;
    }
    ASSERT_EQ(Wbpack({"pack", project_ + "/program", "-o", root_ + "/a.pck"}).Code, 0);
    ASSERT_EQ(Wbpack({"pack", project_ + "/program", "-o", root_ + "/b.pck"}).Code, 0);
    EXPECT_EQ(Slurp(root_ + "/a.pck"), Slurp(root_ + "/b.pck"));
    // A changed time changes the output: times come from the files.
    struct timespec times[2] = {{kUnixTime + 60, 0}, {kUnixTime + 60, 0}};
    ::utimensat(AT_FDCWD, (project_ + "/program/empty.dat").c_str(), times, 0);
    ASSERT_EQ(Wbpack({"pack", project_ + "/program", "-o", root_ + "/b.pck"}).Code, 0);
    EXPECT_NE(Slurp(root_ + "/a.pck"), Slurp(root_ + "/b.pck"));
}

TEST_F(WbpackTest, PackMakesAStandalonePackageTheInstallerOpens) {
    std::string pck = root_ + "/program.pck";
    ASSERT_EQ(Wbpack({"pack", project_ + "/program", "-o", pck, "--level", "9"}).Code, 0);
    ASSERT_EQ(OpenPackage(pck.c_str(), nullptr), 1);
    EXPECT_EQ(Package.DataStart, 0);
    EXPECT_EQ(Package.Entries.size(), 8u);
    ClosePackage();
    EXPECT_EQ(Wbpack({"verify", pck}).Code, 0);
    ASSERT_EQ(Wbpack({"extract", pck, "-o", root_ + "/x"}).Code, 0);
    ExpectSameTree(project_ + "/program", root_ + "/x");
    EXPECT_FALSE(fs::exists(root_ + "/x/setup.pck.d"));
}

TEST_F(WbpackTest, VerifyNamesTheDamagedEntry) {
    std::string setup = root_ + "/setup.exe";
    ASSERT_EQ(Build(setup, {"--per-file"}).Code, 0);
    std::vector<uint8_t> bytes = Bytes(setup);
    PackageImage outer;
    bool stored = false;
    std::vector<uint8_t> inner = InnerOf(bytes, outer, stored);
    PackageImage innerImage;
    std::string error;
    ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error));
    // Damage the middle of Tool.exe's block inside the stored inner Package.
    size_t innerPos = outer.Positions[size_t(FindInnerPackage(outer))];
    size_t tool = 0;
    while (innerImage.Entries[tool].Name != "Tool.exe") ++tool;
    size_t at = innerPos + innerImage.Positions[tool] + size_t(innerImage.Entries[tool].PackedSize) / 2;
    std::vector<uint8_t> bad = bytes;
    bad[at] ^= 0x21;
    std::string badPath = root_ + "/bad.exe";
    std::ofstream(badPath, std::ios::binary).write(reinterpret_cast<const char*>(bad.data()), long(bad.size()));
    ToolRun v = Wbpack({"verify", badPath});
    EXPECT_EQ(v.Code, kExitFailure);
    EXPECT_NE(v.Err.find("setup.pck: entry \"Tool.exe\""), std::string::npos) << v.Err;

    // Extraction of the damaged setup reports it and writes no Tool.exe.
    ToolRun x = Wbpack({"extract", badPath, "-o", root_ + "/x"});
    EXPECT_EQ(x.Code, kExitFailure);
    EXPECT_FALSE(fs::exists(root_ + "/x/setup.pck.d/Tool.exe"));
    EXPECT_TRUE(fs::exists(root_ + "/x/setup.pck.d/Data/Deep/readme.txt"));

    // A cut-off setup is no Package at all.
    std::ofstream(badPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size() - 3));
    EXPECT_EQ(Wbpack({"verify", badPath}).Code, kExitFailure);
    EXPECT_EQ(Wbpack({"list", badPath}).Code, kExitFailure);
}

TEST_F(WbpackTest, LzmaSetupsListVerifyAndExtractInBothShapes) {
    for (const bool perFile : {false, true}) {
        SCOPED_TRACE(perFile ? "per-file" : "solid");
        const std::string setup = root_ + (perFile ? "/lzma-per-file.exe" : "/lzma-solid.exe");
        std::vector<std::string> options = {"--method", "lzma", "--level", "9"};
        if (perFile) options.push_back("--per-file");
        ToolRun b = Build(setup, options);
        ASSERT_EQ(b.Code, 0) << b.Err;

        ToolRun l = Wbpack({"list", setup});
        ASSERT_EQ(l.Code, 0) << l.Err;
        EXPECT_NE(l.Out.find(perFile ? "setup.pck (stored, per-file shape)"
                                     : "setup.pck (one LZMA block, solid shape)"),
                  std::string::npos) << l.Out;
        EXPECT_NE(l.Out.find("of the compressed entries are LZMA blocks"), std::string::npos);
        EXPECT_NE(l.Out.find("Data\\Deep\\readme.txt"), std::string::npos);

        ToolRun v = Wbpack({"verify", setup});
        EXPECT_EQ(v.Code, 0) << v.Err;
        const std::string x = root_ + (perFile ? "/x-per-file" : "/x-solid");
        ToolRun e = Wbpack({"extract", setup, "-o", x});
        ASSERT_EQ(e.Code, 0) << e.Err;
        ExpectSameTree(project_ + "/program", x + "/setup.pck.d");
        EXPECT_EQ(Slurp(x + "/licence.txt"), Slurp(project_ + "/licence.txt"));

        // A byte flipped in the middle of the LZMA data: verify names it, extract fails.
        std::vector<uint8_t> bytes = Bytes(setup);
        PackageImage outer;
        bool stored = false;
        std::vector<uint8_t> inner = InnerOf(bytes, outer, stored);
        EXPECT_EQ(stored, perFile);
        if (!perFile) {
            // The solid block holds the folders first, then the files by extension.
            PackageImage innerImage;
            std::string error;
            ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error)) << error;
            std::vector<std::string> names;
            for (const PackageEntry& e : innerImage.Entries) names.push_back(e.Name);
            EXPECT_EQ(names, (std::vector<std::string>{"Backup\\", "Data\\", "Data\\Deep\\",
                                                       "jc.bin", "empty.dat", "uninstall.dat",
                                                       "Tool.exe", "uninstall.exe", "settings.ini",
                                                       "Data\\Deep\\readme.txt"}));
        }
        size_t at = outer.Positions[size_t(FindInnerPackage(outer))];
        std::string damagedEntry = "setup.pck";
        if (perFile) {
            PackageImage innerImage;
            std::string error;
            ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error));
            size_t tool = 0;
            while (innerImage.Entries[tool].Name != "Tool.exe") ++tool;
            at += innerImage.Positions[tool] + size_t(innerImage.Entries[tool].PackedSize) / 2;
            damagedEntry = "setup.pck: entry \"Tool.exe\"";
        } else {
            at += size_t(outer.Entries[size_t(FindInnerPackage(outer))].PackedSize) / 2;
            damagedEntry = "entry \"setup.pck\"";
        }
        bytes[at] ^= 0x21;
        const std::string bad = root_ + "/bad.exe";
        std::ofstream(bad, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        ToolRun bv = Wbpack({"verify", bad});
        EXPECT_EQ(bv.Code, kExitFailure);
        EXPECT_NE(bv.Err.find(damagedEntry), std::string::npos) << bv.Err;
        fs::remove_all(root_ + "/xbad");
        EXPECT_EQ(Wbpack({"extract", bad, "-o", root_ + "/xbad"}).Code, kExitFailure);
        EXPECT_FALSE(fs::exists(root_ + "/xbad/setup.pck.d/Tool.exe"));
    }
    // JC stays the default and byte for byte what it was: naming it changes nothing.
    ASSERT_EQ(Build(root_ + "/jc-default.exe").Code, 0);
    ASSERT_EQ(Build(root_ + "/jc-named.exe", {"--method", "jc"}).Code, 0);
    EXPECT_EQ(Bytes(root_ + "/jc-default.exe"), Bytes(root_ + "/jc-named.exe"));
    EXPECT_EQ(Wbpack({"build", project_, "-o", root_ + "/x.exe", "--stub", stub_, "--method",
                      "zip"}).Code,
              kExitUsage);
}

TEST_F(WbpackTest, CompressAndDecompressSingleBlocks) {
    std::string in = root_ + "/in.bin";
    Spit(in, Prose(50000) + Noise(3000, 9));
    ASSERT_EQ(Wbpack({"compress", in, "-o", root_ + "/in.jc", "--level", "1"}).Code, 0);
    std::vector<uint8_t> block = Bytes(root_ + "/in.jc");
    EXPECT_EQ(BlockStatedSize(block.data(), block.size()), 53000u);
    EXPECT_LT(block.size(), 53000u);
    ASSERT_EQ(Wbpack({"decompress", root_ + "/in.jc", "-o", root_ + "/out.bin"}).Code, 0);
    EXPECT_EQ(Slurp(root_ + "/out.bin"), Slurp(in));

    // Damaged blocks: truncated, flipped, wrong magic, too short. No output appears.
    std::vector<std::vector<uint8_t>> bad(4, block);
    bad[0].resize(block.size() - 4);
    bad[1][block.size() / 2] ^= 0x40;
    bad[2][0] = 'j';
    bad[3].resize(9);
    for (size_t i = 0; i < bad.size(); ++i) {
        std::string path = root_ + "/bad.jc";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bad[i].data()), long(bad[i].size()));
        ToolRun r = Wbpack({"decompress", path, "-o", root_ + "/never.bin"});
        EXPECT_EQ(r.Code, kExitFailure) << i;
        EXPECT_FALSE(r.Err.empty());
        EXPECT_FALSE(fs::exists(root_ + "/never.bin")) << i;
    }
}

TEST(PackBlockTest, BlockLengthNeverEqualsTheSize) {
    std::mt19937 rng(11);
    for (size_t n = 1; n <= 600; ++n) {
        std::vector<uint8_t> noise(n), runs(n);
        for (auto& b : noise) b = uint8_t(rng());
        for (size_t i = 0; i < n; ++i) runs[i] = uint8_t((i / 7) % 3);
        for (const auto* data : {&noise, &runs}) {
            for (int level : {1, 6, 9}) {
                std::vector<uint8_t> block = PackBlock(data->data(), n, level);
                ASSERT_NE(block.size(), n) << "size " << n << " level " << level;
                std::vector<uint8_t> back(n + 8);
                ASSERT_EQ(UnpackBlock(block.data(), block.size(), back.data(), back.size()), n);
            }
        }
    }
}

TEST_F(WbpackTest, BadInputFailsWithOneLineAndNoOutput) {
    std::string out = root_ + "/setup.exe";
    Spit(out, "previous setup");
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::vector<std::string> args;
        int code;
    };
    auto build = std::vector<std::string>{"build", project_, "-o", out, "--stub", stub_};
    std::vector<Case> cases = {
        {"missing project", [] {}, {"build", root_ + "/none", "-o", out, "--stub", stub_}, 1},
        {"missing stub", [] {}, {"build", project_, "-o", out, "--stub", root_ + "/none"}, 1},
        {"missing setup.ini", [&] { fs::remove(project_ + "/setup.ini"); }, build, 1},
        {"missing program", [&] { fs::remove_all(project_ + "/program"); }, build, 1},
        {"name outside code page",
         [&] { Spit(project_ + "/program/\xE6\x97\xA5\xE6\x9C\xAC.txt", "x"); }, build, 1},
        {"euro outside 850",
         [&] { Spit(project_ + "/program/\xE2\x82\xAC.txt", "x"); },
         {"build", project_, "-o", out, "--stub", stub_, "--codepage", "850"}, 1},
        {"names equal for Windows", [&] { Spit(project_ + "/program/TOOL.EXE", "x"); }, build, 1},
        {"colon in a name", [&] { Spit(project_ + "/program/a:b", "x"); }, build, 1},
        {"trailing dot", [&] { Spit(project_ + "/program/name.", "x"); }, build, 1},
        {"device name", [&] { Spit(project_ + "/program/aux.txt", "x"); }, build, 1},
        {"file of 2 GiB",
         [&] {
             Spit(project_ + "/program/huge.bin", "");
             ASSERT_EQ(::truncate((project_ + "/program/huge.bin").c_str(), 0x80000000ll), 0);
         },
         build, 1},
        {"own uninstall.dat", [&] { Spit(project_ + "/program/Uninstall.dat", "x"); }, build, 1},
        {"leading blank in the uninstall list",
         [&] { Spit(project_ + "/program/ lead.txt", "x"); }, build, 1},
        {"own setup.pck", [&] { Spit(project_ + "/setup.pck", "x"); }, build, 1},
        {"unsupported code page", [] {},
         {"build", project_, "-o", out, "--stub", stub_, "--codepage", "932"}, 2},
        {"bad level", [] {}, {"build", project_, "-o", out, "--stub", stub_, "--level", "0"}, 2},
        {"unknown option", [] {}, {"build", project_, "-o", out, "--fast"}, 2},
        {"unknown command", [] {}, {"bake", project_}, 2},
        {"no output", [] {}, {"build", project_}, 2},
        {"unwritable output folder", [] {},
         {"build", project_, "-o", root_ + "/no/such/dir/setup.exe", "--stub", stub_}, 1},
        {"pack of a missing folder", [] {}, {"pack", root_ + "/none", "-o", out}, 1},
        {"list of a non-Package", [] {}, {"list", stub_}, 1},
        {"verify of a missing file", [] {}, {"verify", root_ + "/none"}, 1},
        {"compress of a missing file", [] {}, {"compress", root_ + "/none", "-o", out}, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(project_);
        MakeProject();
        Spit(out, "previous setup");
        c.arrange();
        ToolRun r = Wbpack(c.args);
        EXPECT_EQ(r.Code, c.code) << r.Err;
        ASSERT_FALSE(r.Err.empty());
        EXPECT_EQ(r.Err.rfind("wbpack: ", 0), 0u) << r.Err;
        if (c.code == 1) {
            EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << "one line: " << r.Err;
        }
        EXPECT_EQ(Slurp(out), "previous setup") << "the old output stays";
        EXPECT_EQ(Others(root_), (std::vector<std::string>{"project", "setup.exe", "stub.exe"}))
            << "no temporary file remains";
    }
}

TEST(CodePageTest, ConvertsNamesBothWays) {
    std::string out, bad;
    ASSERT_TRUE(Utf8ToCodePage("\xC3\x84rger \xE2\x82\xAC.txt", 1252, out, bad));  // "Ärger €"
    EXPECT_EQ(out, "\xC4rger \x80.txt");
    ASSERT_TRUE(Utf8ToCodePage("\xC3\x84rger", 850, out, bad));
    EXPECT_EQ(out, "\x8Erger");
    ASSERT_TRUE(Utf8ToCodePage("\xC3\x84rger", 437, out, bad));
    EXPECT_EQ(out, "\x8Erger");
    EXPECT_FALSE(Utf8ToCodePage("\xC3\xB8", 437, out, bad)) << "ø is in 850 but not in 437";
    EXPECT_TRUE(Utf8ToCodePage("\xC3\xB8", 850, out, bad));
    EXPECT_FALSE(Utf8ToCodePage("\xC0\x80", 1252, out, bad)) << "overlong";
    EXPECT_FALSE(Utf8ToCodePage("\xED\xA0\x80", 1252, out, bad)) << "surrogate";
    EXPECT_FALSE(Utf8ToCodePage("\xC3", 1252, out, bad)) << "cut short";
    EXPECT_FALSE(Utf8ToCodePage("x", 65001, out, bad));
    for (int cp : {1252, 850, 437}) {
        for (int b = 0x80; b < 0x100; ++b) {
            std::string byte(1, char(b));
            std::string utf8 = CodePageToUtf8(byte, cp);
            if (utf8 == "_") continue;  // undefined in this code page
            ASSERT_TRUE(Utf8ToCodePage(utf8, cp, out, bad)) << cp << " " << b;
            EXPECT_EQ(out, byte) << cp << " " << b;
        }
    }
}

TEST_F(WbpackTest, NamesAreStoredInTheChosenCodePage) {
    Spit(project_ + "/program/\xC3\x84rger.txt", "umlaut");  // Ärger.txt
    for (auto [cp, byte] : {std::pair<const char*, char>{"1252", '\xC4'}, {"850", '\x8E'}}) {
        std::string setup = root_ + "/setup.exe";
        ASSERT_EQ(Build(setup, {"--codepage", cp}).Code, 0);
        PackageImage outer;
        bool stored;
        std::vector<uint8_t> inner = InnerOf(Bytes(setup), outer, stored);
        PackageImage innerImage;
        std::string error;
        ASSERT_TRUE(ReadPackageImage(inner.data(), inner.size(), innerImage, error));
        bool found = false;
        for (const PackageEntry& e : innerImage.Entries) found |= e.Name == std::string(1, byte) + "rger.txt";
        EXPECT_TRUE(found) << cp;
        fs::remove_all(root_ + "/x");
        ASSERT_EQ(Wbpack({"extract", setup, "-o", root_ + "/x", "--codepage", cp}).Code, 0);
        EXPECT_EQ(Slurp(root_ + "/x/setup.pck.d/\xC3\x84rger.txt"), "umlaut") << cp;
    }
}

}  // namespace
}  // namespace wb
