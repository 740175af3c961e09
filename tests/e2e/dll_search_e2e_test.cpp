// The setup against DLLs planted in the folder it is started from, and the application
// manifest both stubs carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char* const kPlanted[] = {"comctl32", "version", "riched20", "uxtheme"};

// Wine prefers its own builds of these libraries; told to prefer a native file where the
// search finds one, it behaves as Windows does with a planted DLL. version.dll keeps Wine's
// own order: Wine's user32 imports it, so the loader would take a planted one before the
// first instruction of any program, a Wine trait that Windows' user32 does not share.
const std::vector<std::pair<std::string, std::string>> kPreferNative = {
    {"WINEDLLOVERRIDES", "winemenubuilder.exe=d;msscript.ocx=d;mscoree,mshtml=;comctl32,riched20,uxtheme=n,b"}};

// A folder like a downloads folder: the program under test beside the four stand-ins.
std::string PlantedFolder(const std::string& name, const std::string& program,
                          const std::string& as) {
    std::string dir = ScratchDir(name);
    for (const char* dll : kPlanted) {
        fs::copy_file(BinDir() + "/planted/" + dll + ".dll", dir + "/" + dll + ".dll");
    }
    fs::copy_file(program, dir + "/" + as);
    return dir;
}

std::vector<std::string> Markers(const std::string& dir) {
    std::vector<std::string> found;
    for (const char* dll : kPlanted) {
        if (fs::exists(dir + "/" + dll + ".loaded")) found.push_back(dll);
    }
    return found;
}

TEST(DllSearchE2E, APlantedDllIsTakenByABareNameLoad) {
    // Without this the next test could pass only because the stand-ins never load.
    std::string dir = PlantedFolder("planted-control", Win32BinPath("dll_loader.exe"),
                                    "loader.exe");
    RunResult r = RunWine(dir + "/loader.exe", {"comctl32.dll", "riched20.dll", "uxtheme.dll"}, 60,
                          kPreferNative);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // Wine keeps its own riched20 and uxtheme whatever the override, so only comctl32 (the
    // library a static import would pull in first) shows the stand-ins work at all.
    std::vector<std::string> taken = Markers(dir);
    EXPECT_NE(std::find(taken.begin(), taken.end(), "comctl32"), taken.end()) << r.Output;
}

TEST(DllSearchE2E, DllsBesideTheSetupAreNeverLoaded) {
    const char* ini =
        "[Info]\r\nTitel = Planted\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000D11A}\r\n"
        "[Task]\r\nNoUninstall = 1\r\n";
    std::string project = MakeProject("planted-project",
                                      {{"setup.ini", ini}, {"program/readme.txt", "planted"}});
    std::string built = ScratchDir("planted-build") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, built, StubPath()), 0);
    std::string dir = PlantedFolder("planted-setup", built, "setup.exe");

    RunResult r = RunWine(dir + "/setup.exe", {"/Q", "/P:C:\\Planted Tool"}, 120, kPreferNative);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // The run did its work, so the libraries it needs were loaded, from the system.
    EXPECT_EQ(ReadFile(LinuxPath("C:\\Planted Tool\\readme.txt")), "planted");
    EXPECT_EQ(Markers(dir), std::vector<std::string>{});
}

// The PE resource tree: type 24 (manifest), name 1 (the process manifest), one language.
struct PeImage {
    std::string Bytes;
    uint32_t Le32(size_t at) const {
        if (at > Bytes.size() || Bytes.size() - at < 4) return 0;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(Bytes[at + i]);
        return v;
    }
    uint16_t Le16(size_t at) const { return uint16_t(Le32(at) & 0xFFFF); }
};

// The bytes of resource type/name (first language), or empty when there is none.
std::string ReadResource(const PeImage& pe, uint32_t type, uint32_t name) {
    uint32_t header = pe.Le32(0x3C);
    if (pe.Le32(header) != 0x4550) return {};
    uint16_t sections = pe.Le16(header + 6);
    uint16_t optionalSize = pe.Le16(header + 20);
    size_t optional = header + 24;
    bool pe64 = pe.Le16(optional) == 0x20B;
    size_t directories = optional + (pe64 ? 112 : 96);
    uint32_t rsrcRva = pe.Le32(directories + 2 * 8);
    if (rsrcRva == 0) return {};
    // RVA -> file offset through the section table.
    auto offsetOf = [&](uint32_t rva) -> size_t {
        size_t table = optional + optionalSize;
        for (uint16_t i = 0; i < sections; ++i) {
            size_t s = table + size_t(i) * 40;
            uint32_t va = pe.Le32(s + 12), size = pe.Le32(s + 16), raw = pe.Le32(s + 20);
            if (rva >= va && rva - va < size) return raw + (rva - va);
        }
        return 0;
    };
    size_t root = offsetOf(rsrcRva);
    if (root == 0) return {};
    // Finds the entry with this id in a directory; returns its offset field.
    auto find = [&](size_t dir, uint32_t id, bool any) -> uint32_t {
        uint16_t named = pe.Le16(dir + 12), ids = pe.Le16(dir + 14);
        for (uint32_t i = 0; i < uint32_t(named) + ids; ++i) {
            size_t e = dir + 16 + size_t(i) * 8;
            if (any || pe.Le32(e) == id) return pe.Le32(e + 4);
        }
        return 0;
    };
    uint32_t t = find(root, type, false);
    if (!(t & 0x80000000u)) return {};
    uint32_t n = find(root + (t & 0x7FFFFFFF), name, false);
    if (!(n & 0x80000000u)) return {};
    uint32_t l = find(root + (n & 0x7FFFFFFF), 0, true);
    if (l == 0 || (l & 0x80000000u)) return {};
    size_t leaf = root + l;
    size_t data = offsetOf(pe.Le32(leaf));
    uint32_t size = pe.Le32(leaf + 4);
    if (data == 0 || data > pe.Bytes.size() || pe.Bytes.size() - data < size) return {};
    return pe.Bytes.substr(data, size);
}

TEST(ManifestE2E, BothStubsCarryTheProcessManifest) {
    for (const char* arch : {"win32", "win64"}) {
        SCOPED_TRACE(arch);
        for (const char* stub : {"wbsetup.exe", "wbsetup_probe.exe"}) {
            SCOPED_TRACE(stub);
            PeImage pe{ReadFile(OutDir() + "/" + arch + "/" + stub)};
            std::string manifest = ReadResource(pe, 24, 1);
            ASSERT_FALSE(manifest.empty());
            // asInvoker: no prompt at start, and no installer detection for a 32-bit
            // program named like a setup, which any explicit level switches off.
            EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""),
                      std::string::npos);
            EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
            EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
                      std::string::npos);
            // Vista, 7, 8, 8.1, 10/11.
            for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0",
                                   "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                                   "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                                   "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                                   "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
                EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"),
                          std::string::npos) << os;
            }
            // Another resource number is not the process manifest.
            EXPECT_TRUE(ReadResource(pe, 24, 2).empty());
        }
    }
}

// The uninstaller of a per-user installation must not ask for an administrator either.
TEST(ManifestE2E, TheUninstallerRunsAsItsInvoker) {
    for (const char* arch : {"win32", "win64"}) {
        SCOPED_TRACE(arch);
        PeImage pe{ReadFile(OutDir() + "/" + arch + "/uninstall.exe")};
        const std::string manifest = ReadResource(pe, 24, 1);
        ASSERT_FALSE(manifest.empty());
        EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""),
                  std::string::npos);
        EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    }
}

}  // namespace
}  // namespace e2e
