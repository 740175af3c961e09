// Reproducible setups: two clones of one commit, checked out and built at different times,
// give the same setup when SOURCE_DATE_EPOCH names the commit's time; without it they do
// not. No entry then carries a time later than the commit's, and older times stay.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "unit/test_support.h"
#include "wbpack/host_files.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/source_date.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCommitDate = "2021-03-04T05:06:07Z";
constexpr int64_t kOldTime = 1000000000;  // 2001: older than the commit

// The build option of each block method; a new method adds its row.
const std::vector<std::vector<std::string>> kMethods = {
    {},  // JC, the default
    {"--method", "lzma"},
};
const std::vector<std::vector<std::string>> kShapes = {{}, {"--per-file"}};

std::string Slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void Write(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

void SetTime(const fs::path& path, int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Sets SOURCE_DATE_EPOCH (or clears it for an empty value) until the end of the scope.
struct EpochScope {
    explicit EpochScope(const std::string& value) {
        if (value.empty()) ::unsetenv("SOURCE_DATE_EPOCH");
        else ::setenv("SOURCE_DATE_EPOCH", value.c_str(), 1);
    }
    ~EpochScope() { ::unsetenv("SOURCE_DATE_EPOCH"); }
};

class ReproducibleTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = FreshTestDir("wb-repro");
        const fs::path origin = root_ / "origin";
        Write(origin / "project/setup.ini",
              "[Info]\r\nTitel = Same Tool\r\nVersion = 3.0\r\n[Settings]\r\nProgExe = Tool.exe\r\n");
        Write(origin / "project/licence.txt", "Licence text of the same tool.\r\n");
        std::string tool = "MZ";
        for (int i = 0; i < 3000; ++i) tool += "tool code " + std::to_string(i * 7 % 311) + ";";
        Write(origin / "project/program/Tool.exe", tool);
        Write(origin / "project/program/docs/manual.txt", "How to use the same tool.\r\n");
        Write(origin / "project/program/docs/old.txt", "Kept from 2001.\r\n");
        Write(origin / "stub.exe", FakeStub("MZ" + std::string(3000, 's')));
        Write(origin / "uninstall.exe", FakeStub("MZ" + std::string(1000, 'u')));
        const std::string env = std::string("GIT_AUTHOR_DATE=") + kCommitDate +
                                " GIT_COMMITTER_DATE=" + kCommitDate +
                                " GIT_CONFIG_GLOBAL=/dev/null GIT_CONFIG_NOSYSTEM=1 ";
        ASSERT_EQ(Run("cd '" + origin.string() + "' && git init -q && git add -A && " + env +
                      "git -c user.name=T -c user.email=t@example.invalid commit -qm one"), "");
        epoch_ = Run("git -C '" + origin.string() + "' log -1 --format=%ct");
        while (!epoch_.empty() && epoch_.back() == '\n') epoch_.pop_back();
        ASSERT_EQ(epoch_, "1614834367");
        // Two checkouts: one now, one "a day later", as two CI runs would make.
        for (const char* clone : {"a", "b"}) {
            ASSERT_EQ(Run("git clone -q '" + origin.string() + "' '" + (root_ / clone).string() + "'"), "");
        }
        const int64_t later = int64_t(std::time(nullptr)) + 86400;
        for (const auto& e : fs::recursive_directory_iterator(root_ / "b")) {
            if (e.path().string().find("/.git") == std::string::npos) SetTime(e.path(), later);
        }
        // What git cannot keep, a project may restore by its own means; it stays as it is.
        for (const char* clone : {"a", "b"}) {
            SetTime(root_ / clone / "project/program/docs/old.txt", kOldTime);
        }
    }
    void TearDown() override { fs::remove_all(root_); }

    static std::string Run(const std::string& command) {
        std::string output;
        const int code = RunHostCommand(command + " 2>&1", output);
        return code == 0 ? output : "exit " + std::to_string(code) + ": " + output;
    }

    ToolRun Build(const std::string& clone, const std::vector<std::string>& extra,
                  const std::string& output) {
        const fs::path c = root_ / clone;
        std::vector<std::string> args = {"build", (c / "project").string(), "-o", output,
                                         "--stub", (c / "stub.exe").string(), "--uninstaller",
                                         (c / "uninstall.exe").string(), "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Wbpack(args);
    }

    fs::path root_;
    std::string epoch_;
};

TEST_F(ReproducibleTest, TwoClonesBuiltAtDifferentTimesGiveTheSameSetup) {
    EpochScope scope(epoch_);
    for (const auto& method : kMethods) {
        for (const auto& shape : kShapes) {
            std::vector<std::string> extra = method;
            extra.insert(extra.end(), shape.begin(), shape.end());
            const std::string tag = extra.empty() ? "default" : extra.back();
            SCOPED_TRACE(tag);
            const std::string a = (root_ / ("a-" + tag + ".exe")).string();
            const std::string b = (root_ / ("b-" + tag + ".exe")).string();
            ASSERT_EQ(Build("a", extra, a).Code, 0);
            ASSERT_EQ(Build("b", extra, b).Code, 0);
            EXPECT_TRUE(Slurp(a) == Slurp(b)) << a << " and " << b << " differ";
        }
    }
}

TEST_F(ReproducibleTest, LaterTimesBecomeTheCommitsAndOlderOnesStay) {
    const std::string setup = (root_ / "setup.exe").string();
    {
        EpochScope scope(epoch_);
        ASSERT_EQ(Build("b", {"--per-file"}, setup).Code, 0);
    }
    const std::string bytes = Slurp(setup);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    PackageImage outer, inner;
    std::string error;
    ASSERT_TRUE(ReadPackageImage(data, bytes.size(), outer, error)) << error;
    const long at = FindInnerPackage(outer);
    ASSERT_GE(at, 0);
    std::vector<uint8_t> pck;
    ASSERT_TRUE(EntryContents(data, bytes.size(), outer, size_t(at), pck, error)) << error;
    ASSERT_TRUE(ReadPackageImage(pck.data(), pck.size(), inner, error, PackageHost::Standalone))
        << error;
    const uint64_t commit = UnixToFileTime(std::stoll(epoch_), 0);
    size_t files = 0;
    for (const PackageImage* image : {&outer, &inner}) {
        for (const PackageEntry& e : image->Entries) {
            if (e.Name.back() == '\\') continue;
            ++files;
            const uint64_t want = e.Name == "docs\\old.txt" ? UnixToFileTime(kOldTime, 0) : commit;
            EXPECT_EQ(e.LastWriteTime, want) << e.Name;
            EXPECT_EQ(e.CreationTime, want) << e.Name;
        }
    }
    EXPECT_EQ(files, 3u + 5u)
        << "setup.ini, licence.txt, setup.pck; three program files, uninstall.exe and .dat";
}

TEST_F(ReproducibleTest, WithoutTheVariableTheCheckoutTimesShow) {
    const std::string a = (root_ / "a.exe").string(), b = (root_ / "b.exe").string();
    ASSERT_EQ(Build("a", {}, a).Code, 0);
    ASSERT_EQ(Build("b", {}, b).Code, 0);
    EXPECT_FALSE(Slurp(a) == Slurp(b)) << "the clones' times should have shown";
}

TEST_F(ReproducibleTest, AMalformedValueFailsWithNothingWritten) {
    for (const std::string value : {"yesterday", "1614834367.5", "-5", " 1614834367",
                                    "99999999999999999999"}) {
        EpochScope scope(value);
        const std::string setup = (root_ / "setup.exe").string();
        const ToolRun run = Build("a", {}, setup);
        EXPECT_EQ(run.Code, 1) << value;
        EXPECT_NE(run.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << run.Err;
        EXPECT_FALSE(fs::exists(setup)) << value;
        const ToolRun pack = Wbpack({"pack", (root_ / "a/project/program").string(), "-o",
                                     (root_ / "p.pck").string(), "--quiet"});
        EXPECT_EQ(pack.Code, 1) << value;
        EXPECT_FALSE(fs::exists(root_ / "p.pck")) << value;
    }
    uint64_t latest = 1;
    std::string error;
    EXPECT_TRUE(ParseSourceDateEpoch("0", latest, error));
    EXPECT_EQ(latest, UnixToFileTime(0, 0)) << "1970 is a time, not \"no limit\"";
    EXPECT_NE(latest, 0u);
    EXPECT_TRUE(ParseSourceDateEpoch("", latest, error));
    EXPECT_EQ(latest, 0u);
}

}  // namespace
}  // namespace wb
