// The wizard and the uninstaller at the display scales users have (125 % and 150 %), under
// Wine in a prefix of their own, since the DPI is a setting of the whole prefix. The test
// driver reads back, in physical pixels, the client area and each control's place and size
// of a real setup's windows; the DPI probe builds the same wizard in its own process, where
// each control's font can be selected, and measures the room each text needs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"
#include "platform/dpi_scale.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWizard = " Hello Wendlebox 1.0";
constexpr const char* kUninstaller = " uninstall Program";

struct Geometry {
    std::string Class;
    bool Visible = false;
    int X = 0, Y = 0, W = 0, H = 0, ClientW = 0, ClientH = 0;
    int Font = 0, NeedW = 0, NeedH = 0;
    std::string Text;
};

struct Layout {
    int ClientW = 0, ClientH = 0;
    std::map<int, Geometry> Controls;  // by control number; unnumbered lines are left out
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> f;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
    if (!f.empty() && !f.back().empty() && f.back().back() == '\r') f.back().pop_back();
    return f;
}

Layout ParseLayout(const std::string& output) {
    Layout layout;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f = Cells(line);
        if (f.size() >= 3 && f[0] == "client") {
            layout.ClientW = std::atoi(f[1].c_str());
            layout.ClientH = std::atoi(f[2].c_str());
            continue;
        }
        if (f.size() < 12) continue;
        const int number = std::atoi(f[0].c_str());
        if (number <= 0) continue;
        Geometry g;
        g.Class = f[1];
        g.Visible = f[2] == "1";
        int* values[] = {&g.X, &g.Y, &g.W, &g.H, &g.ClientW, &g.ClientH, &g.Font, &g.NeedW, &g.NeedH};
        for (int i = 0; i < 9; ++i) *values[i] = std::atoi(f[3 + i].c_str());
        g.Text = f.size() > 12 ? f[12] : "";
        layout.Controls[number] = g;
    }
    return layout;
}

Layout ReadLayout(const char* caption, int) { return ParseLayout(Driver({"layout", caption}).Output); }

// The example setup with a side image; its project folder (Linux path) is `project`.
std::string BuildPictureDemo(const std::string& name, std::string* project = nullptr) {
    const std::string setup = BuildDemoSetup(name);
    if (setup.empty()) return {};
    const std::string dir = fs::path(setup).parent_path().string() + "/hello";
    WriteFile(dir + "/splash.tga", SideImage());
    if (BuildSetup(dir, setup, StubPath(), "--arch " + TargetArch()) != 0) return {};
    if (project) *project = dir;
    return setup;
}

// The wizard of `project` built by the DPI probe; with `movedTo` it was first told that it
// moved to a monitor of that DPI.
Layout ProbeLayout(const std::string& project, int movedTo = 0) {
    std::vector<std::string> args = {WinPath(project)};
    if (movedTo) args.push_back(std::to_string(movedTo));
    RunResult r = RunWine(Win32BinPath("dpi_probe.exe"), args, 120);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return ParseLayout(r.Output);
}

bool Visible(const Layout& l, int n) { return l.Controls.count(n) && l.Controls.at(n).Visible; }

// Polls until control `n` is visible; the driver's presses arrive asynchronously.
Layout WaitVisible(const char* caption, int dpi, int n, int seconds = 30) {
    Layout l;
    for (int i = 0; i < seconds * 2; ++i) {
        l = ReadLayout(caption, dpi);
        if (Visible(l, n)) return l;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return l;
}

bool NextEnabled(const char* caption) {
    std::istringstream lines(Driver({"controls", caption}).Output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f = Cells(line);
        if (f.size() >= 4 && f[0] == "6") return f[3] == "1";
    }
    return false;
}

// The prefix's display DPI as Wine reads it when a program starts. The server keeps the
// old value for programs it already knows, so it is ended and starts afresh.
void SetDisplayDpi(int dpi) {
    for (const char* key : {"HKCU\\Control Panel\\Desktop",
                            "HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"}) {
        RunResult r = RunWine("C:\\windows\\system32\\reg.exe",
                              {"add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                               std::to_string(dpi), "/f"},
                              60);
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
    }
    RunHost("WINEPREFIX='" + PrefixDir() + "' wineserver -k; WINEPREFIX='" + PrefixDir() +
            "' wineserver -w; true");
}

// A picture of the screen for looking at by eye, when WB_DPI_SHOTS names a folder.
void Screenshot(const std::string& name) {
    const char* dir = std::getenv("WB_DPI_SHOTS");
    if (!dir || !std::getenv("DISPLAY")) return;
    std::string output;
    // Braced, so that the pipe is not replaced by the input RunHost gives the command.
    if (RunHost("{ xwd -root -display \"$DISPLAY\" | convert xwd:- '" + std::string(dir) + "/" +
                    name + ".png'; }",
                &output) != 0) {
        std::printf("no screenshot %s: %s\n", name.c_str(), output.c_str());
    }
}

// The wizard of the example setup, page by page, cancelled on the last page.
std::map<int, Layout> WalkWizard(int dpi) {
    std::map<int, Layout> pages;
    ForgetDemoInstallation();
    const std::string setup = BuildPictureDemo("dpi-wizard-" + std::to_string(dpi));
    EXPECT_FALSE(setup.empty());
    if (setup.empty()) return pages;
    RunResult run;
    std::thread installer([&] { run = RunWine(setup, {}, 240); });
    const int panels[] = {26, 12, 16, 10, 31};
    for (int page = 1; page <= 5; ++page) {
        pages[page] = WaitVisible(kWizard, dpi, panels[page - 1], page == 1 ? 90 : 30);
        EXPECT_TRUE(Visible(pages[page], panels[page - 1])) << "page " << page << " at " << dpi;
        Screenshot("wizard-" + std::to_string(dpi) + "-page" + std::to_string(page));
        if (page == 2) {
            EXPECT_EQ(Driver({"select", kWizard, "14"}).ExitCode, 0);
            for (int i = 0; i < 40 && !NextEnabled(kWizard); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
            }
        }
        if (page < 5) {
            EXPECT_EQ(Driver({"click", kWizard, "6"}).ExitCode, 0);
        }
    }
    EXPECT_EQ(Driver({"click", kWizard, "7"}).ExitCode, 0);
    installer.join();
    EXPECT_FALSE(run.TimedOut);
    return pages;
}

// The uninstaller's window over a quiet installation of the example, closed with Cancel.
Layout UninstallerLayout(int dpi) {
    ForgetDemoInstallation();
    const std::string setup = BuildDemoSetup("dpi-uninstall-" + std::to_string(dpi));
    RunResult installed = RunWine(setup, {"/Q"}, 180);
    EXPECT_EQ(installed.ExitCode, 0) << installed.Output;
    const std::string uninstaller = WinFolder("PROGRAMFILES") + "\\Hello Wendlebox\\uninstall.exe";
    RunResult run;
    std::thread user([&] { run = RunWine(uninstaller, {}, 120); });
    Layout l = WaitVisible(kUninstaller, dpi, 2, 60);
    Screenshot("uninstaller-" + std::to_string(dpi));
    EXPECT_EQ(Driver({"dismiss", kUninstaller, "2"}).ExitCode, 0);
    user.join();
    ForgetDemoInstallation();
    return l;
}

// Every control's text has the room it needs in its own font (word-wrapped where the
// control wraps); a cut text is named with what it needs and what it has.
void ExpectNoTextCut(const Layout& l, const std::string& where) {
    int measured = 0;
    for (const auto& [n, g] : l.Controls) {
        if (!g.Visible || (g.NeedW == 0 && g.NeedH == 0) || g.Text.empty()) continue;
        ++measured;
        EXPECT_LE(g.NeedW, g.ClientW) << where << ": control " << n << " '" << g.Text << "' is cut";
        EXPECT_LE(g.NeedH, g.ClientH) << where << ": control " << n << " '" << g.Text << "' is cut";
    }
    EXPECT_GT(measured, 2) << where << ": no text was measured";
}

// Each control at `dpi` is its 96-DPI place and size times DPI / 96, its font as much
// larger, and the window's client area too.
void ExpectScaled(const Layout& base, const Layout& scaled, int dpi, const std::string& where) {
    EXPECT_EQ(scaled.ClientW, wb::ScaleForDpi(base.ClientW, dpi)) << where;
    EXPECT_EQ(scaled.ClientH, wb::ScaleForDpi(base.ClientH, dpi)) << where;
    ASSERT_FALSE(base.Controls.empty()) << where;
    for (const auto& [n, g] : base.Controls) {
        ASSERT_TRUE(scaled.Controls.count(n)) << where << ": control " << n << " is missing";
        const Geometry& s = scaled.Controls.at(n);
        const std::string what = where + ": control " + std::to_string(n) + " (" + g.Class + ")";
        EXPECT_EQ(s.X, wb::ScaleForDpi(g.X, dpi)) << what;
        EXPECT_EQ(s.Y, wb::ScaleForDpi(g.Y, dpi)) << what;
        EXPECT_EQ(s.W, wb::ScaleForDpi(g.W, dpi)) << what;
        EXPECT_EQ(s.H, wb::ScaleForDpi(g.H, dpi)) << what;
        if (g.Font != 0 && g.NeedH != 0) {
            // Only a control with text keeps a font (a picture control ignores one).
            // Point sizes round to whole pixels at each DPI: within one pixel of the ratio.
            EXPECT_NEAR(s.Font, g.Font * dpi / 96.0, 1.0) << what;
        }
    }
}

class DpiE2E : public ::testing::Test {
protected:
    void TearDown() override { SetDisplayDpi(96); }
};

TEST_F(DpiE2E, WizardPagesScaleWithTheDisplay) {
    SetDisplayDpi(96);
    const std::map<int, Layout> base = WalkWizard(96);
    ASSERT_EQ(base.size(), 5u);
    // At 96 DPI the layout is exactly the designed one.
    const Layout& welcome = base.at(1);
    EXPECT_EQ(welcome.ClientW, 480);
    EXPECT_EQ(welcome.ClientH, 335);
    ASSERT_TRUE(welcome.Controls.count(7) && welcome.Controls.count(30));
    const Geometry& cancel = welcome.Controls.at(7);
    EXPECT_EQ(cancel.X, 415);
    EXPECT_EQ(cancel.Y, 307);
    EXPECT_EQ(cancel.W, 60);
    EXPECT_EQ(cancel.H, 22);
    EXPECT_EQ(welcome.Controls.at(30).W, 130) << "the side image at its own size";
    EXPECT_EQ(welcome.Controls.at(30).H, 300);
    ASSERT_TRUE(base.at(2).Controls.count(3));
    EXPECT_EQ(base.at(2).Controls.at(3).W, 32) << "the header icon at its own size";

    for (int dpi : {120, 144}) {
        SetDisplayDpi(dpi);
        const std::map<int, Layout> pages = WalkWizard(dpi);
        ASSERT_EQ(pages.size(), 5u) << dpi;
        for (const auto& [page, layout] : pages) {
            ExpectScaled(base.at(page), layout, dpi,
                         std::to_string(dpi) + " DPI page " + std::to_string(page));
        }
        // The side image and the header icon are pictures shown scaled (the controls take
        // their pictures' sizes), not at their own size.
        EXPECT_EQ(pages.at(1).Controls.at(30).W, wb::ScaleForDpi(130, dpi));
        EXPECT_EQ(pages.at(1).Controls.at(30).H, wb::ScaleForDpi(300, dpi));
        EXPECT_EQ(pages.at(2).Controls.at(3).H, wb::ScaleForDpi(32, dpi));
    }
}

TEST_F(DpiE2E, EveryWizardTextFitsItsControlAtEachScale) {
    std::string project;
    ASSERT_FALSE(BuildPictureDemo("dpi-texts", &project).empty());
    SetDisplayDpi(96);
    const Layout base = ProbeLayout(project);
    ExpectNoTextCut(base, "96 DPI");
    for (int dpi : {120, 144}) {
        SetDisplayDpi(dpi);
        const Layout scaled = ProbeLayout(project);
        const std::string where = std::to_string(dpi) + " DPI";
        ExpectScaled(base, scaled, dpi, where);
        ExpectNoTextCut(scaled, where);
        // The fonts are the designed point sizes at this DPI: 8, 9 and 12 points.
        EXPECT_EQ(scaled.Controls.at(17).Font, wb::FontHeightForDpi(8, dpi)) << where;
        EXPECT_EQ(scaled.Controls.at(28).Font, wb::FontHeightForDpi(9, dpi)) << where;
        EXPECT_EQ(scaled.Controls.at(27).Font, wb::FontHeightForDpi(12, dpi)) << where;
    }
}

TEST_F(DpiE2E, WizardMovedToAMonitorOfAnotherDpiLaysItselfOutAgain) {
    std::string project;
    ASSERT_FALSE(BuildPictureDemo("dpi-moved", &project).empty());
    SetDisplayDpi(96);
    const Layout base = ProbeLayout(project);
    const Layout moved = ProbeLayout(project, 144);
    ExpectScaled(base, moved, 144, "moved to 144 DPI");
    ExpectNoTextCut(moved, "moved to 144 DPI");
    EXPECT_EQ(moved.Controls.at(28).Font, wb::FontHeightForDpi(9, 144));
    EXPECT_EQ(moved.Controls.at(30).W, wb::ScaleForDpi(130, 144));
}

TEST_F(DpiE2E, UninstallerWindowScalesWithTheDisplay) {
    SetDisplayDpi(96);
    const Layout base = UninstallerLayout(96);
    EXPECT_EQ(base.ClientW, 432);
    EXPECT_EQ(base.ClientH, 208);
    for (int dpi : {120, 144}) {
        SetDisplayDpi(dpi);
        ExpectScaled(base, UninstallerLayout(dpi), dpi, "uninstaller at " + std::to_string(dpi) + " DPI");
    }
}

}  // namespace
}  // namespace e2e
