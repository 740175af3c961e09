// Pictures and choosers under Wine: every picture format loaded through the image store
// with its size and a known pixel read back, the built-in header icon, and the language
// chooser of a real setup run answered by the test driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
std::string Be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// Colour of pixel x, y (from the top) of every generated picture, as 0xRRGGBB.
uint32_t Pattern(int x, int y) { return (x < 3 && y < 2) ? 0xC81E64u : 0x2896F0u; }

// A 24-bit bottom-up "BM" file of width × height.
std::string Bitmap24(int width, int height) {
    int row = (width * 3 + 3) & ~3;
    std::string pixels;
    for (int y = height - 1; y >= 0; --y) {
        std::string r;
        for (int x = 0; x < width; ++x) {
            uint32_t c = Pattern(x, y);
            r += {char(c), char(c >> 8), char(c >> 16)};
        }
        r.resize(size_t(row), '\0');
        pixels += r;
    }
    std::string info = Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) +
                       Le16(24) + Le32(0) + Le32(uint32_t(pixels.size())) + std::string(16, '\0');
    return "BM" + Le32(uint32_t(54 + pixels.size())) + Le32(0) + Le32(54) + info + pixels;
}

// An 8-bit palette "BM" file: palette entry 0 and 1 are the two pattern colours.
std::string Bitmap8(int width, int height) {
    int row = (width + 3) & ~3;
    std::string palette;
    for (uint32_t c : {Pattern(0, 0), Pattern(5, 5)}) palette += {char(c), char(c >> 8), char(c >> 16), '\0'};
    palette.resize(256 * 4, '\0');
    std::string pixels;
    for (int y = height - 1; y >= 0; --y) {
        std::string r;
        for (int x = 0; x < width; ++x) r += char(Pattern(x, y) == Pattern(0, 0) ? 0 : 1);
        r.resize(size_t(row), '\0');
        pixels += r;
    }
    uint32_t offset = 54 + 1024;
    std::string info = Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) +
                       Le16(8) + Le32(0) + Le32(uint32_t(pixels.size())) + Le32(0) + Le32(0) +
                       Le32(256) + Le32(0);
    return "BM" + Le32(uint32_t(offset + pixels.size())) + Le32(0) + Le32(offset) + info +
           palette + pixels;
}

// A run-length-encoded 24-bit TGA with bottom-left origin: one run packet per row part.
std::string TgaRle(int width, int height) {
    std::string h(18, '\0');
    h[2] = 10;
    h[12] = char(width);
    h[13] = char(width >> 8);
    h[14] = char(height);
    h[15] = char(height >> 8);
    h[16] = 24;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = Pattern(x, y);
            h += {char(0x80), char(c), char(c >> 8), char(c >> 16)};  // a run of one
        }
    }
    return h;
}

// An icon file of one 32-bit image of size × size.
std::string Icon32(int size) {
    std::string image = Le32(40) + Le32(uint32_t(size)) + Le32(uint32_t(size * 2)) + Le16(1) +
                        Le16(32) + std::string(24, '\0');
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            uint32_t c = Pattern(x, y);
            image += {char(c), char(c >> 8), char(c >> 16), char(0xFF)};
        }
    }
    image += std::string(size_t(((size + 31) / 32) * 4 * size), '\0');
    return std::string("\0\0\1\0\1\0", 6) + char(size) + char(size) + '\0' + '\0' + Le16(1) +
           Le16(32) + Le32(uint32_t(image.size())) + Le32(22) + image;
}

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    return Be32(uint32_t(data.size())) + type + data + Be32(Crc32(type + data));
}

// A truecolour PNG whose image data is one stored (uncompressed) deflate block.
std::string Png(int width, int height) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            uint32_t c = Pattern(x, y);
            raw += {char(c >> 16), char(c >> 8), char(c)};
        }
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    std::string z = std::string("\x78\x01", 2) + '\x01' + Le16(uint16_t(raw.size())) +
                    Le16(uint16_t(~raw.size())) + raw + Be32((b << 16) | a);
    std::string ihdr = Be32(uint32_t(width)) + Be32(uint32_t(height)) + "\x08\x02" +
                       std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", z) +
           PngChunk("IEND", "");
}

// A GIF with a two-colour table, its LZW data written as 3-bit codes with a clear code
// before every pixel, so that the code width never grows.
std::string Gif(int width, int height) {
    std::string out = "GIF89a" + Le16(uint16_t(width)) + Le16(uint16_t(height)) + "\x80" +
                      std::string(2, '\0');  // global table of 2 entries
    for (uint32_t c : {Pattern(0, 0), Pattern(5, 5)}) out += {char(c >> 16), char(c >> 8), char(c)};
    out += ',' + Le16(0) + Le16(0) + Le16(uint16_t(width)) + Le16(uint16_t(height)) + '\0';
    out += '\x02';  // minimum code size: codes 0..3 are colours, 4 clear, 5 end
    std::string data;
    uint32_t acc = 0;
    int bits = 0;
    auto emit = [&](uint32_t code) {
        acc |= code << bits;
        bits += 3;
        while (bits >= 8) {
            data += char(acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            emit(4);
            emit(Pattern(x, y) == Pattern(0, 0) ? 0 : 1);
        }
    }
    emit(5);
    if (bits) data += char(acc & 0xFF);
    for (size_t at = 0; at < data.size(); at += 255) {
        std::string block = data.substr(at, 255);
        out += char(block.size()) + block;
    }
    return out + '\0' + ';';
}

// A grey 8 × 8 baseline JPEG of one block: quantiser 1, a DC value giving grey 200, no AC.
std::string Jpeg() {
    std::string j = "\xFF\xD8";
    j += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    j += std::string("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13);
    // DC table 0: one code of length 1 for category 10; AC table 0: one code for end of block.
    j += std::string("\xFF\xC4\x00\x14\x00\x01", 6) + std::string(15, '\0') + '\x0A';
    j += std::string("\xFF\xC4\x00\x14\x10\x01", 6) + std::string(15, '\0') + '\x00';
    j += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    // Code 0, then 576 in ten bits (1001000000), then the end-of-block code 0, padded with 1s.
    j += "\x48\x0F";
    return j + "\xFF\xD9";
}

struct Loaded {
    bool Ok = false;
    int Width = 0, Height = 0, Bits = 0;
    bool Icon = false;
    uint32_t Pixel = 0;
    std::string Text;
};

Loaded Parse(const std::string& output) {
    Loaded l;
    l.Text = output;
    unsigned pixel = 0;
    int handle = 0, icon = 0;
    if (std::sscanf(output.c_str(), "handle=%d width=%d height=%d bits=%d icon=%d pixel=%x",
                    &handle, &l.Width, &l.Height, &l.Bits, &icon, &pixel) == 6) {
        l.Ok = handle == 1;
        l.Icon = icon == 1;
        l.Pixel = pixel;
    }
    return l;
}

Loaded LoadPicture(const std::string& name, const std::string& bytes, int x, int y) {
    std::string dir = ScratchDir("pictures-" + name);
    std::string path = dir + "/" + name;
    WriteFile(path, bytes);
    RunResult r = RunWine(Win32BinPath("picture_probe.exe"),
                          {"load", WinPath(path), std::to_string(x), std::to_string(y)}, 60);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return Parse(r.Output);
}

TEST(PicturesE2E, TgaAndBitmapFilesLoadWithTheirSizeAndPixels) {
    Loaded tga = LoadPicture("side.tga", TgaRle(130, 300), 2, 1);
    ASSERT_TRUE(tga.Ok) << tga.Text;
    EXPECT_EQ(tga.Width, 130);
    EXPECT_EQ(tga.Height, 300);
    EXPECT_EQ(tga.Bits, 24);
    EXPECT_EQ(tga.Pixel, Pattern(2, 1)) << "bottom-origin rows come out upright";
    EXPECT_EQ(LoadPicture("side2.tga", TgaRle(130, 300), 3, 0).Pixel, Pattern(3, 0));

    Loaded bmp24 = LoadPicture("side.bmp", Bitmap24(130, 300), 1, 1);
    ASSERT_TRUE(bmp24.Ok) << bmp24.Text;
    EXPECT_EQ(bmp24.Width, 130);
    EXPECT_EQ(bmp24.Height, 300);
    EXPECT_EQ(bmp24.Bits, 24);
    EXPECT_EQ(bmp24.Pixel, Pattern(1, 1));
    EXPECT_EQ(LoadPicture("side3.bmp", Bitmap24(130, 300), 50, 200).Pixel, Pattern(50, 200));

    Loaded bmp8 = LoadPicture("palette.bmp", Bitmap8(20, 10), 0, 0);
    ASSERT_TRUE(bmp8.Ok) << bmp8.Text;
    EXPECT_EQ(bmp8.Width, 20);
    EXPECT_EQ(bmp8.Height, 10);
    EXPECT_EQ(bmp8.Pixel, Pattern(0, 0));
    EXPECT_EQ(LoadPicture("palette2.bmp", Bitmap8(20, 10), 10, 5).Pixel, Pattern(10, 5));
    // Reloaded as a device-dependent bitmap: its depth is the display's, not 8.
    EXPECT_NE(bmp8.Bits, 8) << bmp8.Text;
}

TEST(PicturesE2E, IconFileLoadsAtItsOwnSize) {
    Loaded ico = LoadPicture("header.ico", Icon32(48), 1, 0);
    ASSERT_TRUE(ico.Ok) << ico.Text;
    EXPECT_TRUE(ico.Icon);
    EXPECT_EQ(ico.Width, 48);
    EXPECT_EQ(ico.Height, 48);
    EXPECT_EQ(ico.Pixel, Pattern(1, 0));
}

TEST(PicturesE2E, PngGifAndJpegLoadThroughThePictureDecoder) {
    Loaded png = LoadPicture("side.png", Png(30, 20), 2, 1);
    ASSERT_TRUE(png.Ok) << png.Text;
    EXPECT_EQ(png.Width, 30);
    EXPECT_EQ(png.Height, 20);
    EXPECT_EQ(png.Bits, 24);
    EXPECT_EQ(png.Pixel, Pattern(2, 1));
    EXPECT_EQ(LoadPicture("side2.png", Png(30, 20), 20, 15).Pixel, Pattern(20, 15));

    Loaded gif = LoadPicture("side.gif", Gif(12, 9), 0, 0);
    ASSERT_TRUE(gif.Ok) << gif.Text;
    EXPECT_EQ(gif.Width, 12);
    EXPECT_EQ(gif.Height, 9);
    EXPECT_EQ(gif.Pixel, Pattern(0, 0));
    EXPECT_EQ(LoadPicture("side2.gif", Gif(12, 9), 11, 8).Pixel, Pattern(11, 8));

    Loaded jpeg = LoadPicture("side.jpg", Jpeg(), 4, 4);
    ASSERT_TRUE(jpeg.Ok) << jpeg.Text;
    EXPECT_EQ(jpeg.Width, 8);
    EXPECT_EQ(jpeg.Height, 8);
    // Lossy decoders may round by one step.
    for (int shift : {0, 8, 16}) {
        int channel = int((jpeg.Pixel >> shift) & 0xFF);
        EXPECT_NEAR(channel, 200, 2) << jpeg.Text;
    }
}

TEST(PicturesE2E, UnreadablePicturesLoadNothing) {
    EXPECT_FALSE(LoadPicture("junk.png", "not a picture at all", 0, 0).Ok);
    EXPECT_FALSE(LoadPicture("cut.bmp", Bitmap24(130, 300).substr(0, 40), 0, 0).Ok);
}

TEST(PicturesE2E, BuiltInHeaderIconIsImageOne) {
    RunResult r = RunWine(Win32BinPath("picture_probe.exe"), {"builtin", "16", "20"}, 60);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    Loaded icon = Parse(r.Output);
    ASSERT_TRUE(icon.Ok) << r.Output;
    EXPECT_TRUE(icon.Icon);
    EXPECT_EQ(icon.Width, 32);
    EXPECT_EQ(icon.Height, 32);
    EXPECT_EQ(icon.Bits, 32);
    EXPECT_EQ(icon.Pixel, 0x2878D0u) << "the box's blue";
    r = RunWine(Win32BinPath("picture_probe.exe"), {"builtin", "16", "8"}, 60);
    EXPECT_EQ(Parse(r.Output).Pixel, 0xF0901Eu) << "the lid's orange";
}

// A setup whose two language files match neither an English user nor each other.
std::string BuildTwoLanguageSetup() {
    std::string project = MakeProject(
        "chooser-languages",
        {{"setup.ini",
          "[Info]\r\nTitel = Tool\r\nVersion = 2.0\r\n"
          "[Settings]\r\nLanguage = Deutsch.lng#7|Francais.lng#12|\r\nProgExe = Tool.exe\r\n"
          "[Task]\r\nNoUninstall = 1\r\n"},
         {"program/Tool.exe", "MZ tool"},
         {"Deutsch.lng", "[Buttons]\r\nNext = Weiter\r\n"},
         {"Francais.lng", "[Buttons]\r\nNext = Suivant\r\nBack = Retour\r\n"}});
    std::string setup = ScratchDir("chooser-languages-out") + "/setup.exe";
    EXPECT_EQ(BuildSetup(project, setup, ProbeStubPath()), 0);
    return setup;
}

TEST(PicturesE2E, LanguageChooserShowsBothAndLoadsThePick) {
    std::string setup = BuildTwoLanguageSetup();
    RunResult run;
    std::thread installer([&] {
        run = RunWine(setup, {"/Q"}, 120, {{"LANG", "en_GB.UTF-8"}, {"LC_ALL", "en_GB.UTF-8"}});
    });
    std::string driver = Win32BinPath("wbdriver.exe");
    RunResult wait = RunWine(driver, {"wait", " Wendlebox", "60"}, 90);
    RunResult items = RunWine(driver, {"items", " Wendlebox", "40"}, 60);
    RunResult rect = RunWine(driver, {"rect", " Wendlebox"}, 60);
    RunResult pick = RunWine(driver, {"pick", " Wendlebox", "40", "1"}, 60);
    RunResult ok = RunWine(driver, {"dismiss", " Wendlebox", "41"}, 60);
    installer.join();
    ASSERT_EQ(wait.ExitCode, 0) << wait.Output;
    std::string listed = items.Output;
    listed.erase(std::remove(listed.begin(), listed.end(), '\r'), listed.end());
    EXPECT_EQ(listed, " Deutsch\n Francais\nselected\t0\n");
    EXPECT_NE(rect.Output.find(" 140 55"), std::string::npos) << rect.Output;
    EXPECT_EQ(pick.ExitCode, 0) << pick.Output;
    EXPECT_EQ(ok.ExitCode, 0) << ok.Output;
    ASSERT_FALSE(run.TimedOut);
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Next"), "Suivant") << probe;
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Back"), "Retour");
    EXPECT_EQ(ProbeValue(probe, "LanguageFile"), "") << "a pick is not a match";
}

TEST(PicturesE2E, LanguageChooserClosedKeepsTheBuiltInTexts) {
    std::string setup = BuildTwoLanguageSetup();
    RunResult run;
    std::thread installer([&] {
        run = RunWine(setup, {"/Q"}, 120, {{"LANG", "en_GB.UTF-8"}, {"LC_ALL", "en_GB.UTF-8"}});
    });
    std::string driver = Win32BinPath("wbdriver.exe");
    RunResult wait = RunWine(driver, {"wait", " Wendlebox", "60"}, 90);
    RunResult close = RunWine(driver, {"close", " Wendlebox"}, 60);
    installer.join();
    ASSERT_EQ(wait.ExitCode, 0) << wait.Output;
    ASSERT_FALSE(run.TimedOut);
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Next"), "Next") << probe;
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// The chooser over a stand-in wizard, with folders of our own in both Programs roots.
class StartMenuChooserE2E : public ::testing::Test {
protected:
    void SetUp() override {
        RunResult roots = RunWine(Win32BinPath("chooser_probe.exe"), {"roots"}, 60);
        ASSERT_EQ(roots.ExitCode, 0) << roots.Output;
        std::string out = roots.Output;
        out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
        auto value = [&](const std::string& name) {
            size_t at = out.find(name + "=");
            if (at == std::string::npos) return std::string();
            at += name.size() + 1;
            return out.substr(at, out.find('\n', at) - at);
        };
        user_ = LinuxPath(value("user"));
        common_ = LinuxPath(value("common"));
        ASSERT_FALSE(value("user").empty()) << out;
        ASSERT_FALSE(value("common").empty()) << out;
        RunHost("mkdir -p '" + user_ + "/WbAcme/Tools' '" + user_ + "/WbShared' '" + common_ +
                "/WbShared' '" + common_ + "/WbZeta'");
    }
    void TearDown() override {
        RunHost("rm -rf '" + user_ + "/WbAcme' '" + user_ + "/WbShared' '" + common_ +
                "/WbShared' '" + common_ + "/WbZeta'");
    }
    // Runs the chooser with `field`, lets `answer` work the window, returns "[result]".
    template <typename Answer>
    std::string Choose(const std::string& field, Answer answer) {
        RunResult run;
        std::thread chooser(
            [&] { run = RunWine(Win32BinPath("chooser_probe.exe"), {"choose", field}, 120); });
        RunResult wait = RunWine(Win32BinPath("wbdriver.exe"), {"wait", kCaption, "60"}, 90);
        EXPECT_EQ(wait.ExitCode, 0) << wait.Output;
        answer();
        chooser.join();
        EXPECT_FALSE(run.TimedOut);
        std::string out = run.Output;
        size_t open = out.find('['), close = out.rfind(']');
        return open == std::string::npos || close == std::string::npos
                   ? "<none>: " + out
                   : out.substr(open, close - open + 1);
    }
    RunResult Driver(const std::vector<std::string>& args) {
        return RunWine(Win32BinPath("wbdriver.exe"), args, 60);
    }
    static constexpr const char* kCaption = " Select Directory";
    std::string user_, common_;
};

TEST_F(StartMenuChooserE2E, PickingAnItemReturnsItsPath) {
    std::string result = Choose("WbAcme", [&] {
        RunResult rect = Driver({"rect", kCaption});
        EXPECT_NE(rect.Output.find(" 220 300"), std::string::npos) << rect.Output;
        RunResult texts = Driver({"texts", kCaption});
        EXPECT_NE(texts.Output.find("38\tSysTreeView32\t1"), std::string::npos) << texts.Output;
        EXPECT_NE(texts.Output.find("39\tButton\t1\tApply"), std::string::npos) << texts.Output;
        // The field's folder is preselected; its first child is the pick.
        EXPECT_EQ(Driver({"treeselect", kCaption, "38", "sel.0"}).ExitCode, 0);
        EXPECT_EQ(Driver({"dismiss", kCaption, "39"}).ExitCode, 0);
    });
    EXPECT_EQ(result, "[WbAcme\\Tools]");
}

TEST_F(StartMenuChooserE2E, PartialFieldSelectsTheDeepestExistingFolder) {
    std::string result =
        Choose("WbAcme\\Tools\\Later", [&] { Driver({"dismiss", kCaption, "39"}); });
    EXPECT_EQ(result, "[WbAcme\\Tools]");
}

TEST_F(StartMenuChooserE2E, CloseBoxReturnsNothing) {
    std::string result = Choose("WbAcme", [&] { Driver({"close", kCaption}); });
    EXPECT_EQ(result, "[]");
}

TEST_F(StartMenuChooserE2E, ApplyOnNothingWarnsAndKeepsTheField) {
    std::string result = Choose("Nowhere\\Tool", [&] {
        Driver({"click", kCaption, "39"});
        RunResult box = Driver({"wait", " Select Start Menu Folder", "30"});
        EXPECT_EQ(box.ExitCode, 0) << "the warning shows";
        Driver({"dismiss", " Select Start Menu Folder", "1"});
    });
    EXPECT_EQ(result, "[Nowhere\\Tool]");
}

}  // namespace
}  // namespace e2e
