// Preference files read and rewritten over real files: the exact bytes that come back,
// lookups, edits, encodings and the cases where nothing may be written.
#include <gtest/gtest.h>

#include "unit/test_support.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/pref_file.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class PrefFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_pref_");
    }
    void TearDown() override {
        PrefClose();
        std::error_code ec;
        fs::permissions(dir_ / "f.ini", fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }
    std::string Path(const char* name = "f.ini") const { return (dir_ / name).string(); }
    void Put(const std::string& bytes, const char* name = "f.ini") const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Get(const char* name = "f.ini") const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Opens `bytes` as f.ini, lets `edit` work on it, closes and returns the file.
    template <typename Edit>
    std::string Rewrite(const std::string& bytes, Edit edit) {
        Put(bytes);
        EXPECT_NE(PrefOpen(Path().c_str()), 0);
        edit();
        PrefClose();
        return Get();
    }
    fs::path dir_;
};

TEST_F(PrefFileTest, RewriteNormalisesSpacingCommentsAndLineEnds) {
    std::string in =
        "\r\n"
        "  ;first comment\n"
        ";  indented comment\r"
        "\t[Info] trailing text\r\n\r\n\n"
        "Titel=My Tool\r\n"
        "  Version \t=\t 1.0  \r\n"
        "Web = http://x/?a=b;c\r\n"
        "# not a comment\n"
        "[Open\n";
    std::string out = Rewrite(in, [] {
        PrefGroup("Info");
        PrefWriteString("Author", "Me");
    });
    EXPECT_EQ(out,
              "; first comment\r\n"
              ";  indented comment\r\n"
              "[Info]\r\n"
              "Titel = My Tool\r\n"
              "Version = 1.0  \r\n"
              "Web = http://x/?a=b;c\r\n"
              "# not a comment = \r\n"
              "Author = Me\r\n"
              "[Open]\r\n");
}

TEST_F(PrefFileTest, KeyAndValueParsing) {
    // A string literal would end at the NUL, so that line is built by hand.
    std::string withNul = "[G]\na=1\nb = 2\n \t c \t= \t 3 \t \ntwo = x=y = z\nsemi = v;w ; x\n"
                          "inner key = 5\nbare key\n=orphan\nnul = before";
    withNul += '\0';
    withNul += "after = 9\n";
    Put(withNul);
    ASSERT_EQ(PrefOpen(Path().c_str()), 1);
    ASSERT_EQ(PrefGroup("G"), 1);
    EXPECT_EQ(PrefReadString("a"), "1");
    EXPECT_EQ(PrefReadString("b"), "2");
    EXPECT_EQ(PrefReadString("c"), "3");
    EXPECT_EQ(PrefReadString("two"), "x=y = z");
    EXPECT_EQ(PrefReadString("semi"), "v;w ; x");
    EXPECT_EQ(PrefReadString("inner key"), "5");
    EXPECT_EQ(PrefReadString("innerkey", "absent"), "absent");
    // A key line without "=" is a key with an empty value, not a missing key.
    EXPECT_EQ(PrefReadString("bare key", "absent"), "");
    EXPECT_EQ(PrefReadNumber("bare key", 42), 0);
    EXPECT_EQ(PrefReadString("", "absent"), "orphan");
    // A NUL ends the line like a line break.
    EXPECT_EQ(PrefReadString("nul"), "before");
    EXPECT_EQ(PrefReadString("after"), "9");
}

TEST_F(PrefFileTest, GroupNamesAreTakenAsWrittenAndMatchedIgnoringCase) {
    Put("[ Spaced Group ]\nk = spaced\n[MixedCase]\nMyKey = v\n[Info]x]\nk = info\n"
        "[\xE4]\nk = umlaut\n");
    ASSERT_EQ(PrefOpen(Path().c_str()), 1);
    EXPECT_EQ(PrefGroup("Spaced Group"), 0);
    EXPECT_EQ(PrefReadString("k", "def"), "def");
    EXPECT_EQ(PrefGroup(" spaced group "), 1);
    EXPECT_EQ(PrefReadString("k"), "spaced");
    EXPECT_EQ(PrefGroup("MIXEDCASE"), 1);
    EXPECT_EQ(PrefReadString("mykey"), "v");
    EXPECT_EQ(PrefGroup("info"), 1);  // text after "]" is not part of the name
    EXPECT_EQ(PrefReadString("k"), "info");
    // Letter-case folding is for ASCII letters only.
    EXPECT_EQ(PrefGroup("\xC4"), 0);
    EXPECT_EQ(PrefGroup("\xE4"), 1);
    EXPECT_EQ(PrefReadString("k"), "umlaut");
}

TEST_F(PrefFileTest, WriteKeepsTheCallersKeyCase) {
    std::string out = Rewrite("[G]\nMyKey = old\n", [] {
        PrefGroup("g");
        EXPECT_EQ(PrefReadString("mykey"), "old");
        PrefWriteString("MYKEY", "new");
    });
    EXPECT_EQ(out, "[G]\r\nMYKEY = new\r\n");
}

TEST_F(PrefFileTest, DuplicatesOnlyTheFirstIsReachable) {
    std::string in = "[A]\nk = first\nk = second\n[B]\nk = b\n[a]\nk = third\n";
    std::string out = Rewrite(in, [] {
        PrefGroup("A");
        EXPECT_EQ(PrefReadString("k"), "first");
        PrefWriteString("k", "changed");
        PrefWriteString("new", "1");
    });
    EXPECT_EQ(out,
              "[A]\r\nk = changed\r\nk = second\r\nnew = 1\r\n"
              "[B]\r\nk = b\r\n[a]\r\nk = third\r\n");
}

TEST_F(PrefFileTest, TopSectionKeysAndWhereNewOnesGo) {
    // Keys before the first group belong to the top section; new ones go before it.
    std::string out = Rewrite("top = 1\n[G]\ntop = g\n", [] {
        EXPECT_EQ(PrefReadString("top"), "1");
        PrefGroup("G");
        EXPECT_EQ(PrefReadString("top"), "g");
        EXPECT_EQ(PrefGroup(""), 1);
        EXPECT_EQ(PrefReadString("top"), "1");
        PrefWriteString("second", "2");
    });
    EXPECT_EQ(out, "top = 1\r\nsecond = 2\r\n[G]\r\ntop = g\r\n");

    // A file that starts with a group gets the key above that group line.
    out = Rewrite("[G]\nk = v\n", [] { PrefWriteString("first", "x"); });
    EXPECT_EQ(out, "first = x\r\n[G]\r\nk = v\r\n");

    // Without any group the key goes to the end.
    out = Rewrite("; note\na = 1\n", [] { PrefWriteString("b", "2"); });
    EXPECT_EQ(out, "; note\r\na = 1\r\nb = 2\r\n");
}

TEST_F(PrefFileTest, KeysOfAGroupAreAddedAtTheEndOfItsSection) {
    std::string out = Rewrite("[A]\na = 1\n; end of A\n[B]\nb = 1\n", [] {
        PrefGroup("A");
        PrefWriteString("a2", "2");
        PrefGroup("B");
        PrefWriteString("b2", "2");
    });
    EXPECT_EQ(out,
              "[A]\r\na = 1\r\n; end of A\r\na2 = 2\r\n"
              "[B]\r\nb = 1\r\nb2 = 2\r\n");
}

TEST_F(PrefFileTest, PendingGroupReadsDefaultsAndIsAppendedOnWrite) {
    std::string out = Rewrite("[A]\nk = a\n[B]\nb = 1\n", [] {
        PrefGroup("A");
        EXPECT_EQ(PrefGroup("New"), 0);
        // The current group is still A, but a pending group hides it from reads.
        EXPECT_EQ(PrefReadString("k", "def"), "def");
        EXPECT_EQ(PrefReadNumber("k", 7), 7);
        PrefWriteString("n1", "x");
        PrefWriteNumber("n2", -5);
        EXPECT_EQ(PrefGroup("new"), 1);
        EXPECT_EQ(PrefReadNumber("n2", 0), -5);
    });
    EXPECT_EQ(out, "[A]\r\nk = a\r\n[B]\r\nb = 1\r\n[New]\r\nn1 = x\r\nn2 = -5\r\n");
}

TEST_F(PrefFileTest, ValueTrailingBlanksAreKeptInTheFileButNotReturned) {
    std::string out = Rewrite("k =  v \t \n", [] {
        EXPECT_EQ(PrefReadString("k"), "v");
        PrefWriteString("other", "w  ");
        EXPECT_EQ(PrefReadString("other"), "w");
    });
    EXPECT_EQ(out, "k = v \t \r\nother = w  \r\n");
}

TEST_F(PrefFileTest, Numbers) {
    Put("[N]\na = 12\nb =  -34xyz\nc = +5\nd = abc\ne =\nf = 4294967297\n");
    ASSERT_EQ(PrefOpen(Path().c_str()), 1);
    PrefGroup("N");
    EXPECT_EQ(PrefReadNumber("a", 1), 12);
    EXPECT_EQ(PrefReadNumber("b", 1), -34);
    EXPECT_EQ(PrefReadNumber("c", 1), 5);
    EXPECT_EQ(PrefReadNumber("d", 1), 0);
    EXPECT_EQ(PrefReadNumber("e", 1), 0);
    EXPECT_EQ(PrefReadNumber("f", 1), 1);  // wraps at 32 bits
    EXPECT_EQ(PrefReadNumber("missing", 99), 99);
    EXPECT_EQ(ParseLeadingNumber(" \t-2147483648"), INT32_MIN);
}

TEST_F(PrefFileTest, Utf8FileConvertsBothWays) {
    std::string in = "\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F" "e]\r\n"
                     "Stadt = K\xC3\xB6ln \xC3\x9F\r\n"
                     "Fern = \xE6\x97\xA5\xE6\x9C\xAC\r\n"
                     "Bad = \xC3\r\n"
                     "Overlong = \xC1\xB6\r\n";
    std::string out = Rewrite(in, [] {
        ASSERT_EQ(PrefGroup("GR\xFC\xDF" "E"), 1);
        EXPECT_EQ(PrefReadString("Stadt"), "K\xF6ln \xDF");
        EXPECT_EQ(PrefReadString("Fern", "def"), "");
        EXPECT_EQ(PrefReadString("Bad", "def"), "");
        EXPECT_EQ(PrefReadString("Overlong", "def"), "");
        PrefWriteString("Caf\xE9", "cr\xE8me");
        EXPECT_EQ(PrefReadString("caf\xE9"), "cr\xE8me");
    });
    EXPECT_EQ(out,
              "\xEF\xBB\xBF\r\n[Gr\xC3\xBC\xC3\x9F" "e]\r\n"
              "Stadt = K\xC3\xB6ln \xC3\x9F\r\n"
              "Fern = \xE6\x97\xA5\xE6\x9C\xAC\r\n"
              "Bad = \xC3\r\n"
              "Overlong = \xC1\xB6\r\n"
              "Caf\xC3\xA9 = cr\xC3\xA8me\r\n");
}

TEST_F(PrefFileTest, PlainFileIsUsedByteForByte) {
    std::string out = Rewrite("[G]\nk = K\xC3\xB6ln\n", [] {
        PrefGroup("G");
        EXPECT_EQ(PrefReadString("k"), "K\xC3\xB6ln");
        PrefWriteString("l", "\xF6");
    });
    EXPECT_EQ(out, "[G]\r\nk = K\xC3\xB6ln\r\nl = \xF6\r\n");
}

TEST_F(PrefFileTest, MarkOnlyFileIsAnEmptyUtf8Document) {
    std::string out = Rewrite("\xEF\xBB\xBF", [] {
        EXPECT_EQ(PrefReadString("k", "def"), "def");
        PrefWriteString("k", "\xE4");
    });
    EXPECT_EQ(out, "\xEF\xBB\xBF\r\nk = \xC3\xA4\r\n");
    // Two bytes of a mark are no mark: they are text.
    out = Rewrite("\xEF\xBB", [] { PrefWriteString("k", "\xE4"); });
    EXPECT_EQ(out, "\xEF\xBB = \r\nk = \xE4\r\n");
}

TEST_F(PrefFileTest, UntouchedDocumentIsNeverWrittenBack) {
    const std::string in = "\n[G]\nk=v\n\n";  // would change if rewritten
    Put(in);
    auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(Path(), old);
    ASSERT_EQ(PrefOpen(Path().c_str()), 1);
    PrefGroup("G");
    EXPECT_EQ(PrefReadString("k"), "v");
    PrefGroup("Nowhere");
    PrefClose();
    EXPECT_EQ(Get(), in);
    EXPECT_EQ(fs::last_write_time(Path()), old);
}

TEST_F(PrefFileTest, MissingFileIsCreatedOnlyWhenWritten) {
    EXPECT_EQ(PrefOpen(Path("none.ini").c_str()), 0);
    EXPECT_EQ(PrefGroup("G"), 0);
    EXPECT_EQ(PrefReadString("k", "def"), "def");
    PrefClose();
    EXPECT_FALSE(fs::exists(Path("none.ini")));

    EXPECT_EQ(PrefOpen(Path("new.ini").c_str()), 0);
    PrefGroup("G");
    PrefWriteString("k", "v");
    PrefClose();
    EXPECT_EQ(Get("new.ini"), "[G]\r\nk = v\r\n");
}

TEST_F(PrefFileTest, OpeningAnotherFileClosesAndWritesTheFirst) {
    Put("[A]\n", "a.ini");
    Put("[B]\nk = b\n", "b.ini");
    ASSERT_EQ(PrefOpen(Path("a.ini").c_str()), 1);
    PrefGroup("A");
    PrefWriteString("k", "a");
    ASSERT_EQ(PrefOpen(Path("b.ini").c_str()), 1);
    EXPECT_EQ(Get("a.ini"), "[A]\r\nk = a\r\n");
    // The new document starts in its top section.
    EXPECT_EQ(PrefReadString("k", "top"), "top");
    PrefGroup("B");
    EXPECT_EQ(PrefReadString("k"), "b");
}

TEST_F(PrefFileTest, WithoutADocumentReadsGiveDefaultsAndWritesDoNothing) {
    PrefClose();
    EXPECT_EQ(PrefGroup("G"), 0);
    EXPECT_EQ(PrefReadString("k", "def"), "def");
    EXPECT_EQ(PrefReadNumber("k", 3), 3);
    PrefWriteString("k", "v");
    PrefClose();
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(PrefFileTest, AFolderIsNotAPreferenceFile) {
    fs::create_directories(dir_ / "sub");
    EXPECT_EQ(PrefOpen((dir_ / "sub").string().c_str()), 0);
    EXPECT_EQ(PrefReadString("k", "def"), "def");
    PrefClose();
    EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
}

TEST_F(PrefFileTest, ShorterRewriteCutsTheFile) {
    std::string in = "[G]\n\n\n\n\n\n\n\n; a long comment that is kept\nk    =    v\n";
    std::string out = Rewrite(in, [] {
        PrefGroup("G");
        PrefWriteString("k", "w");
    });
    EXPECT_EQ(out, "[G]\r\n; a long comment that is kept\r\nk = w\r\n");
}

// Root passes every permission check, so the read-only case runs as an ordinary user in
// a child process when the tests run as root.
TEST_F(PrefFileTest, ReadOnlyFileIsReadButNotWritten) {
    const std::string in = "[G]\nk=v\n";
    Put(in);
    ASSERT_EQ(::chmod(Path().c_str(), 0444), 0);
    auto scenario = [this]() -> int {
        if (PrefOpen(Path().c_str()) == 0) return 10;
        PrefGroup("G");
        if (PrefReadString("k") != "v") return 11;
        PrefWriteString("k", "changed");
        PrefWriteString("added", "1");
        if (PrefReadString("k") != "changed") return 12;
        PrefClose();
        return 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(scenario(), 0);
    } else {
        ::chmod(dir_.c_str(), 0755);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(20);
            ::_exit(scenario());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(Get(), in);
}

TEST(PrefText, RenderOfParseIsStable) {
    // Whatever the input, the written form reads back to the same written form.
    const std::string inputs[] = {
        "[a]b\n;c\n d=e \n=\n[\n;\n x \n",
        "\xEF\xBB\xBF",
        "k\tk = v\r\r\n\n[ g ]x]y\n;  c\n",
    };
    for (const std::string& in : inputs) {
        PrefDocument first;
        PrefParseText(in.data(), in.size(), first);
        std::string once = PrefRenderText(first);
        PrefDocument second;
        PrefParseText(once.data(), once.size(), second);
        EXPECT_EQ(PrefRenderText(second), once) << in;
    }
}

}  // namespace
}  // namespace wb
