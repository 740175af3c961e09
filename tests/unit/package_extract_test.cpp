// Extracting Packages onto the host's disk: what lands where, what is left alone, and what
// a damaged or hostile Package cannot do.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "platform/posix/host_window.h"
#include "state/setup_state.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kEpochDelta = 116444736000000000ull;
constexpr uint64_t kTime = kEpochDelta + 1577934245ull * 10000000ull;  // 2020-01-02 03:04:05

PackInput File(const std::string& name, const std::string& data, bool store = false) {
    return PackFile(name, data, store, kTime, kTime);
}

PackInput Folder(const std::string& name) { return PackFolder(name); }

std::string Text(size_t n, char seed) {
    std::string s;
    while (s.size() < n) s += std::string("entry text ") + seed + " and more\r\n";
    s.resize(n);
    return s;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return pck::ReadLe32(b.data() + at); }

// Position of record field `field` (0 kind .. 7) of `name` in a stored directory.
size_t FieldAt(const std::vector<uint8_t>& b, const std::string& name, int field) {
    size_t p = b.size() - 16 - Le32(b, b.size() - 12) + 4;
    for (;;) {
        std::string n(reinterpret_cast<const char*>(b.data() + p));
        if (n == name) return p + n.size() + 1 + 4 * size_t(field);
        p += n.size() + 1 + 32;
    }
}

// The damaged entries of an extraction, -1 when the Package file could not be read; a
// failed write is not expected here.
int Damage(const ExtractResult& r) {
    EXPECT_EQ(r.Failed, 0);
    return r.Opened ? r.Damaged : -1;
}

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wb-extract-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        target_ = root_ + "/target/";
        fs::create_directories(target_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::vector<uint8_t> Build(const std::vector<PackInput>& inputs) {
        PackWriteOptions options;
        options.StoreDirectory = true;  // lets tests patch records in place
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_TRUE(BuildPackage(inputs, options, out, error)) << error;
        return out;
    }

    std::string Save(const std::vector<uint8_t>& bytes) {
        std::string path = root_ + "/p.pck";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    // Opens and extracts; returns the number of damaged entries, -1 when not opened.
    int Extract(const std::vector<uint8_t>& bytes, const std::string& protectedExts = "") {
        std::string path = Save(bytes);
        EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 1);
        int result = Damage(ExtractPackage(Package, target_, protectedExts));
        ClosePackage();
        return result;
    }

    std::string Read(const std::string& rel) {
        std::ifstream f(target_ + rel, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    void Put(const std::string& rel, const std::string& data) {
        fs::create_directories(fs::path(target_ + rel).parent_path());
        std::ofstream(target_ + rel, std::ios::binary) << data;
    }

    int64_t MTime(const std::string& rel) {
        struct stat st {};
        EXPECT_EQ(::stat((target_ + rel).c_str(), &st), 0) << rel;
        return int64_t(st.st_mtim.tv_sec);
    }

    std::string root_, target_;
};

TEST_F(ExtractTest, WritesFoldersFilesAndTimes) {
    std::string big = Text(30000, 'a');
    int result = Extract(Build({Folder("Backup\\"), File("A\\B\\deep.txt", big),
                                File("empty.dat", ""), File("jc.bin", "JC\x01\x02stored", true)}));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(fs::is_directory(target_ + "Backup"));
    EXPECT_TRUE(fs::is_empty(target_ + "Backup"));
    EXPECT_EQ(Read("A/B/deep.txt"), big);
    EXPECT_TRUE(fs::exists(target_ + "empty.dat"));
    EXPECT_EQ(fs::file_size(target_ + "empty.dat"), 0u);
    EXPECT_EQ(Read("jc.bin"), "JC\x01\x02stored");
    EXPECT_EQ(MTime("A/B/deep.txt"), 1577934245);
    EXPECT_EQ(MTime("empty.dat"), 1577934245);
    EXPECT_EQ(MTime("jc.bin"), 1577934245);
}

TEST_F(ExtractTest, ReplacesExistingFilesAndAppendsTheSeparator) {
    Put("a.txt", std::string(5000, 'x'));
    std::string path = Save(Build({File("a.txt", "short")}));
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    EXPECT_EQ(Damage(ExtractPackage(Package, root_ + "/target", "")), 0);
    EXPECT_EQ(Read("a.txt"), "short");
}

TEST_F(ExtractTest, ProtectedExtensionsKeepExistingFiles) {
    struct Case {
        const char* protectedExts;
        bool txtKept;
        bool iniKept;
    };
    const Case cases[] = {
        {"txt", true, false},      {"TXT", false, false}, {"ini|txt|", true, true},
        {"ini|txt", false, true},  // the count of "|" decides: only ini is tested
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protectedExts);
        fs::remove_all(target_);
        Put("readme.txt", "old readme");
        Put("conf.ini", "old ini");
        Put("empty.txt", "old empty");
        int64_t before = MTime("readme.txt") - 1000;
        struct timespec times[2] = {{before, 0}, {before, 0}};
        ::utimensat(AT_FDCWD, (target_ + "readme.txt").c_str(), times, 0);

        int result = Extract(Build({File("readme.txt", "new readme"), File("conf.ini", "new ini"),
                                    File("fresh.txt", "fresh"), File("empty.txt", ""),
                                    File("after.dat", Text(2000, 'z'))}),
                             c.protectedExts);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Read("readme.txt"), c.txtKept ? "old readme" : "new readme");
        EXPECT_EQ(MTime("readme.txt"), c.txtKept ? before : 1577934245);
        EXPECT_EQ(Read("empty.txt"), c.txtKept ? "old empty" : "");
        EXPECT_EQ(Read("conf.ini"), c.iniKept ? "old ini" : "new ini");
        EXPECT_EQ(Read("fresh.txt"), "fresh") << "a protected file that is not there is written";
        EXPECT_EQ(Read("after.dat"), Text(2000, 'z')) << "kept entries still consume their data";
    }
}

TEST(ExtensionTest, FollowsTheLastDotOfTheFileName) {
    EXPECT_TRUE(ExtensionIsProtected("a\\b.txt", "txt|"));
    EXPECT_FALSE(ExtensionIsProtected("a.txt\\b", "txt|")) << "a dot in a folder is no extension";
    EXPECT_FALSE(ExtensionIsProtected("a.txt/b", "txt|"));
    EXPECT_TRUE(ExtensionIsProtected("a.tar.txt", "txt"));
    EXPECT_TRUE(ExtensionIsProtected("odd.txt\"x", "txt|")) << "a double quote ends it";
    EXPECT_FALSE(ExtensionIsProtected("plain", "txt|"));
    EXPECT_FALSE(ExtensionIsProtected("a.txt", ""));
    EXPECT_TRUE(ExtensionIsProtected("a.dll", "ini|txt|dll|"));
    EXPECT_FALSE(ExtensionIsProtected("a.tx", "txt|"));
}

TEST(EntryNameTest, RefusesNamesThatLeaveTheTarget) {
    for (const char* bad : {"", "\\abs.txt", "/abs.txt", "\\\\server\\share\\x.txt", "C:x.txt",
                            "c:\\x.txt", "a.txt:stream", "..\\x.txt", "../x.txt", "a\\..\\..\\x",
                            "a/../../x", "..", "a\\...\\x", "a\\.. \\x", "a\\\\b.txt",
                            "CON", "con.txt", "a\\NUL", "a\\com1.log", "LPT9", "bad\x01name"}) {
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
    }
    for (const char* good : {"a.txt", "Data\\", "Data\\Sub\\b.bin", "a/b", "..a", "a..",
                             ".hidden", "CONFIG.SYS", "com10.txt", "x\\y z\\"}) {
        EXPECT_TRUE(IsSafeRelativePath(good)) << good;
    }
}

TEST_F(ExtractTest, EscapingNamesAreNotWrittenAndLaterEntriesStayInStep) {
    std::string payload = Text(3000, 'e');
    std::vector<PackInput> inputs = {
        File("..\\evil1.txt", payload),  File("../evil2.txt", payload),
        File("a\\..\\..\\evil3.txt", payload), File(root_ + "/evil4.txt", payload, true),
        File("\\evil5.txt", payload), Folder("..\\evildir\\"),
        File("good.txt", "good"), File("sub\\after.bin", Text(1000, 'g'))};
    int result = Extract(Build(inputs));
    EXPECT_EQ(result, 6);
    for (const char* name : {"evil1.txt", "evil2.txt", "evil3.txt", "evil4.txt", "evildir"}) {
        EXPECT_FALSE(fs::exists(root_ + "/" + name)) << name;
    }
    EXPECT_FALSE(fs::exists("/evil5.txt"));
    EXPECT_EQ(Read("good.txt"), "good");
    EXPECT_EQ(Read("sub/after.bin"), Text(1000, 'g'));
}

TEST_F(ExtractTest, DamagedBlockLeavesTheExistingFileAlone) {
    std::string content = Text(20000, 'd');
    std::vector<uint8_t> bytes = Build({File("app.dll", content), File("next.txt", "next")});
    ASSERT_EQ(Le32(bytes, FieldAt(bytes, "app.dll", 3)), 0u);
    uint32_t packed = Le32(bytes, FieldAt(bytes, "app.dll", 2));
    ASSERT_NE(packed, content.size());
    std::vector<uint8_t> flipped = bytes;
    flipped[packed / 2] ^= 0x5A;

    Put("app.dll", "the installed version");
    EXPECT_EQ(Extract(flipped), 1);
    EXPECT_EQ(Read("app.dll"), "the installed version");
    EXPECT_EQ(Read("next.txt"), "next");

    // A damaged block where no file was yet: nothing appears.
    fs::remove(target_ + "app.dll");
    EXPECT_EQ(Extract(flipped), 1);
    EXPECT_FALSE(fs::exists(target_ + "app.dll"));

    // A block that decodes whole but to another size than the entry states.
    std::vector<uint8_t> resized = bytes;
    pck::WriteLe32(resized.data() + FieldAt(bytes, "app.dll", 1), uint32_t(content.size() - 1));
    Put("app.dll", "the installed version");
    EXPECT_EQ(Extract(resized), 1);
    EXPECT_EQ(Read("app.dll"), "the installed version");
    EXPECT_EQ(Read("next.txt"), "next");
}

TEST_F(ExtractTest, DataCutOffAfterOpeningIsNotWritten) {
    std::string stored(4000, 's');
    std::vector<uint8_t> bytes = Build({File("first.txt", "first"), File("big.bin", stored, true)});
    std::string path = Save(bytes);
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    // The file loses its tail (and with it most of big.bin) between open and extraction.
    ASSERT_EQ(::truncate(path.c_str(), 1000), 0);
    Put("big.bin", "kept");
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "")), 1);
    EXPECT_EQ(Read("big.bin"), "kept");
    EXPECT_EQ(Read("first.txt"), "first");
}

TEST_F(ExtractTest, UnknownKindsAndEmptyEntriesWithDataStayInStep) {
    std::string a = Text(5000, 'a'), c = Text(7000, 'c');
    std::vector<uint8_t> bytes =
        Build({File("a.txt", a), Folder("odd\\"), File("b.bin", "12345", true), File("c.txt", c)});
    // A kind-7 entry that claims data it does not have: it consumes nothing.
    pck::WriteLe32(bytes.data() + FieldAt(bytes, "odd\\", 0), 7);
    pck::WriteLe32(bytes.data() + FieldAt(bytes, "odd\\", 1), 100);
    pck::WriteLe32(bytes.data() + FieldAt(bytes, "odd\\", 2), 100);
    // An empty entry that carries five packed bytes: they are consumed.
    pck::WriteLe32(bytes.data() + FieldAt(bytes, "b.bin", 1), 0);
    Put("b.bin", "previous");
    EXPECT_EQ(Extract(bytes), 0);
    EXPECT_EQ(Read("a.txt"), a);
    EXPECT_FALSE(fs::exists(target_ + "odd"));
    EXPECT_TRUE(fs::exists(target_ + "b.bin"));
    EXPECT_EQ(fs::file_size(target_ + "b.bin"), 0u);
    EXPECT_EQ(Read("c.txt"), c);
}

int g_progressCalls = 0;
int32_t g_progressSizes = 0;
void CountProgress(const PackageEntry& e) {
    ++g_progressCalls;
    g_progressSizes += e.Size;
}

TEST_F(ExtractTest, ReportsProgressAfterEveryEntryAndLeavesWindowsToItsCaller) {
    std::vector<uint8_t> bytes =
        Build({Folder("f\\"), File("f\\a", Text(100, 'a')), File("b", ""), File("c", "ccc")});
    std::string path = Save(bytes);
    ASSERT_EQ(OpenPackage(path.c_str(), CountProgress), 1);
    g_progressCalls = 0;
    g_progressSizes = 0;
    HostWindowReset();
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "")), 0);
    EXPECT_EQ(g_progressCalls, 4);
    EXPECT_EQ(g_progressSizes, Package.TotalSize);
    EXPECT_EQ(HostDrainCount(), 0) << "only the progress callback may drain window events";
    // The reader is left as it was: a second extraction gives the same.
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "")), 0);
    EXPECT_EQ(g_progressCalls, 8);
}

TEST_F(ExtractTest, MissingPackageFileIsReported) {
    std::string path = Save(Build({File("a", "a")}));
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    fs::remove(path);
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "")), -1);
    EXPECT_FALSE(fs::exists(target_ + "a"));
}

TEST_F(ExtractTest, ANameMapRenamesTargetsButNeitherTheReaderNorTheTestedExtension) {
    std::string path = Save(Build({Folder("Docs\\"), File("Docs\\a.txt", "a"), File("b.ini", "b")}));
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    Put("host_b.ini", "mine");
    EntryNameMap names;
    names.Map = [](const std::string& stored, const void* context) {
        return *static_cast<const std::string*>(context) + stored;
    };
    const std::string prefix = "host_";
    names.Context = &prefix;
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "ini", names)), 0);
    EXPECT_EQ(Read("host_Docs/a.txt"), "a");
    EXPECT_EQ(Read("host_b.ini"), "mine") << "protection looks at the mapped target";
    EXPECT_FALSE(fs::exists(target_ + "Docs"));
    EXPECT_EQ(Package.Entries[1].Name, "Docs\\a.txt");

    // A map that leads outside the target is refused like such a stored name.
    names.Map = [](const std::string& stored, const void*) { return "..\\" + stored; };
    EXPECT_EQ(Damage(ExtractPackage(Package, target_, "", names)), 3);
    EXPECT_FALSE(fs::exists(root_ + "/b.ini"));
    ClosePackage();
}

TEST_F(ExtractTest, CreateFolderPathMakesEachMissingLevel) {
    CreateFolderPath(target_ + "x\\y/z\\");
    EXPECT_TRUE(fs::is_directory(target_ + "x/y/z"));
    CreateFolderPath(target_ + "p\\q\\file");
    EXPECT_TRUE(fs::is_directory(target_ + "p/q"));
    EXPECT_FALSE(fs::exists(target_ + "p/q/file")) << "the last component needs a separator";
}

}  // namespace
}  // namespace wb
