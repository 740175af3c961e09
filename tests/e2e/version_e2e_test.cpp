// The version check under Wine: real version resources read through Version.dll, the
// quiet run's answer from the version numbers, and the Copy File dialog answered by the
// test driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "e2e/wine_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string Clean(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

// The bracketed summary that "engine_probe version" prints.
std::string Summary(const std::string& winPath) {
    RunResult r = RunWine(Win32BinPath("engine_probe.exe"), {"version", winPath}, 60);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    std::string out = Clean(r.Output);
    size_t open = out.find('['), close = out.rfind(']');
    if (open == std::string::npos || close == std::string::npos) return "<none>";
    return out.substr(open + 1, close - open - 1);
}

class VersionE2E : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const char* name : {"verfile_old", "verfile_new", "verfile_nostring"}) {
            bytes_[name] = ReadFile(BinDir() + "/" + name + ".exe");
            ASSERT_FALSE(bytes_[name].empty()) << name;
        }
        bytes_["plain"] = "no version resource here\r\n";
    }

    // Puts a copy of sample `kind` at `name` inside the scratch folder; its Windows path.
    std::string Place(const std::string& kind, const std::string& name) {
        WriteFile(root_ + "/" + name, bytes_[kind]);
        return WinPath(root_ + "/" + name);
    }
    std::string Contents(const std::string& name) { return ReadFile(root_ + "/" + name); }

    // CopyWithVersionCheck in the probe; its result.
    std::string Copy(const std::string& source, const std::string& destination, bool quiet) {
        RunResult r = RunWine(Win32BinPath("engine_probe.exe"),
                              {"copy", source, destination, quiet ? "1" : "0"}, 60);
        EXPECT_FALSE(r.TimedOut) << "a quiet copy must not wait for anyone";
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        return ProbeValue(Clean(r.Output), "result");
    }

    std::string root_;
    std::map<std::string, std::string> bytes_;
};

TEST_F(VersionE2E, SummariesComeFromTheVersionResource) {
    std::string old = Summary(Place("verfile_old", "old.exe"));
    EXPECT_EQ(old.rfind("1.2.0.0 (old)|Wendlebox sample, older|", 0), 0u) << old;
    EXPECT_NE(old.find("English"), std::string::npos) << old;
    // A German translation in the Western code page: the key is 040704E4.
    std::string next = Summary(Place("verfile_new", "new.exe"));
    EXPECT_EQ(next.rfind("2.0.1.0 (new)|Wendlebox sample, newer|", 0), 0u) << next;
    EXPECT_NE(next.find("German"), std::string::npos) << next;
    std::string bare = Summary(Place("verfile_nostring", "bare.exe"));
    EXPECT_EQ(bare.rfind("|Wendlebox sample without version text|", 0), 0u) << bare;
    EXPECT_EQ(Summary(Place("plain", "plain.txt")), "||");
    EXPECT_EQ(Summary(WinPath(root_ + "/missing.exe")), "||");
    WriteFile(root_ + "/empty.exe", "");
    EXPECT_EQ(Summary(WinPath(root_ + "/empty.exe")), "||");
}

TEST_F(VersionE2E, MissingDestinationIsCopied) {
    std::string source = Place("verfile_old", "source.exe");
    EXPECT_EQ(Copy(source, WinPath(root_) + "\\target.exe", false), "1");
    EXPECT_EQ(Contents("target.exe"), bytes_["verfile_old"]);
    EXPECT_EQ(Copy(source, WinPath(root_) + "\\quiet target.exe", true), "1");
    EXPECT_EQ(Contents("quiet target.exe"), bytes_["verfile_old"]);
}

TEST_F(VersionE2E, QuietRunReplacesOnlyWithAHigherVersion) {
    struct Case {
        const char* Source;
        const char* Current;
        bool Replaced;
    } cases[] = {
        {"verfile_new", "verfile_old", true},        // 2.0.1.0 over 1.2.0.0
        {"verfile_old", "verfile_new", false},       // 1.2.0.0 over 2.0.1.0
        {"verfile_old", "verfile_old", false},       // the same version
        {"verfile_nostring", "verfile_old", true},   // 1.5.0.0 over 1.2.0.0
        {"plain", "verfile_old", false},             // no version over one
        {"verfile_old", "plain", true},              // a version over none
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Source) + " over " + c.Current);
        std::string source = Place(c.Source, "src" + std::to_string(i) + ".exe");
        std::string current = "cur" + std::to_string(i) + ".exe";
        std::string currentPath = Place(c.Current, current);
        // The same version must not count as higher: tell the copies apart.
        if (std::string(c.Source) == c.Current) WriteFile(root_ + "/" + current, bytes_[c.Current] + "x");
        std::string before = Contents(current);
        EXPECT_EQ(Copy(source, currentPath, true), c.Replaced ? "1" : "0");
        EXPECT_EQ(Contents(current), c.Replaced ? bytes_[c.Source] : before);
        ++i;
    }
}

// The controls of the dialog as the driver reads them: number -> text.
std::map<int, std::string> ControlTexts(const std::string& output, std::string* caption) {
    std::map<int, std::string> texts;
    std::stringstream lines(Clean(output));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("caption\t", 0) == 0) {
            *caption = line.substr(8);
            continue;
        }
        std::vector<std::string> f;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) f.push_back(field);
        if (f.size() >= 3 && std::isdigit(static_cast<unsigned char>(f[0][0]))) {
            texts[std::stoi(f[0])] = f.size() > 3 ? f[3] : "";
        }
    }
    return texts;
}

struct DialogRun {
    RunResult Probe, Texts, Rect, Press;
    std::string Caption;
    std::map<int, std::string> Controls;
};

// Runs a copy over an existing file in a wizard-style run and answers the dialog.
DialogRun AnswerDialog(const std::string& source, const std::string& current, int button) {
    DialogRun d;
    std::thread probe([&] {
        d.Probe = RunWine(Win32BinPath("engine_probe.exe"), {"copy", source, current, "0"}, 90);
    });
    d.Texts = RunWine(Win32BinPath("wbdriver.exe"), {"texts", " Copy File  '"}, 60);
    d.Rect = RunWine(Win32BinPath("wbdriver.exe"), {"rect", " Copy File  '"}, 60);
    d.Press = RunWine(Win32BinPath("wbdriver.exe"),
                      {"dismiss", " Copy File  '", std::to_string(button)}, 60);
    probe.join();
    d.Controls = ControlTexts(d.Texts.Output, &d.Caption);
    return d;
}

TEST_F(VersionE2E, DialogYesReplacesAndShowsBothFiles) {
    std::string source = Place("verfile_new", "new sample.exe");
    std::string current = Place("verfile_old", "current.exe");
    DialogRun d = AnswerDialog(source, current, 57);
    ASSERT_EQ(d.Texts.ExitCode, 0) << d.Texts.Output;
    EXPECT_EQ(d.Press.ExitCode, 0) << d.Press.Output;
    EXPECT_FALSE(d.Probe.TimedOut);
    EXPECT_EQ(ProbeValue(Clean(d.Probe.Output), "result"), "1") << d.Probe.Output;
    EXPECT_EQ(Contents("current.exe"), bytes_["verfile_new"]);

    EXPECT_EQ(d.Caption, " Copy File  'new sample.exe'");
    std::map<int, std::string>& c = d.Controls;
    for (int n = 42; n <= 58; ++n) EXPECT_EQ(c.count(n), 1u) << "control " << n;
    EXPECT_EQ(c[42], "Current File Version");
    EXPECT_EQ(c[50], "New File Version");
    EXPECT_EQ(c[43], "Version:");
    EXPECT_EQ(c[52], "Language:");
    EXPECT_EQ(c[53], "Description:");
    EXPECT_EQ(c[49], "Replace the current file with this file version?");
    EXPECT_EQ(c[46], "1.2.0.0 (old)");
    EXPECT_NE(c[47].find("English"), std::string::npos) << c[47];
    EXPECT_EQ(c[48], "Wendlebox sample, older");
    EXPECT_EQ(c[54], "2.0.1.0 (new)");
    EXPECT_NE(c[55].find("German"), std::string::npos) << c[55];
    EXPECT_EQ(c[56], "Wendlebox sample, newer");
    EXPECT_EQ(c[57], "Yes");
    EXPECT_EQ(c[58], "No");
    // No window of the probe was active: the dialog sits at its fixed place.
    EXPECT_EQ(Clean(d.Rect.Output), "201 130 340 236\n");
}

TEST_F(VersionE2E, DialogNoKeepsTheCurrentFileAndShowsDatesForMissingVersions) {
    std::string source = Place("plain", "readme.txt");
    std::string current = Place("verfile_nostring", "current.exe");
    DialogRun d = AnswerDialog(source, current, 58);
    ASSERT_EQ(d.Texts.ExitCode, 0) << d.Texts.Output;
    EXPECT_EQ(d.Press.ExitCode, 0) << d.Press.Output;
    EXPECT_EQ(ProbeValue(Clean(d.Probe.Output), "result"), "0") << d.Probe.Output;
    EXPECT_EQ(Contents("current.exe"), bytes_["verfile_nostring"]);

    EXPECT_EQ(d.Caption, " Copy File  'readme.txt'");
    std::map<int, std::string>& c = d.Controls;
    const std::regex date("[0-9]{4}-[0-9]{2}-[0-9]{2}  [0-9]{2}:[0-9]{2}");
    // A translation table without a version text: the creation time stands in for the
    // version, the file's own language and description stay in their rows.
    EXPECT_TRUE(std::regex_match(c[46], date)) << c[46];
    EXPECT_NE(c[47].find("English"), std::string::npos) << c[47];
    EXPECT_EQ(c[48], "Wendlebox sample without version text");
    // No version resource at all.
    EXPECT_TRUE(std::regex_match(c[54], date)) << c[54];
    // The file was made just now: its creation date is today's, in local time.
    std::time_t now = std::time(nullptr);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    EXPECT_EQ(c[54].substr(0, 10), today);
    EXPECT_EQ(c[55], "--- not available ---");
    EXPECT_EQ(c[56], "--- not available ---");
}

}  // namespace
}  // namespace e2e
