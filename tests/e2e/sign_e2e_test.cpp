// Signed setups under Wine: signed with osslsigncode and a certificate made here with
// openssl, they install whole; only what the signature covers is ever installed; and a
// damaged setup, signed or per-file, leaves the machine as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"
#include "package/package_format.h"
#include "wbpack/inspection/inspect.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{5A1E2C3D-0000-4000-8000-00000000C0DE}";

std::string Ini(const std::string& title) {
    return "[Info]\r\nTitel = " + title + "\r\nVersion = 1.0\r\nGUID = " + kGuid +
           "\r\n[Settings]\r\nProgExe = Tool.exe\r\nDefaultDir = %ProgramFiles%" + title +
           "\r\n[StartMenue]\r\nProgLink = " + title + "\r\n[Task]\r\nDesktop = 0\r\nStartMenu = 0\r\n";
}

std::string Prose(size_t n, const std::string& who) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += who + " line " + std::to_string(i % 53) + "\r\n";
    s.resize(n);
    return s;
}

std::string UninstallKey() {
    return std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kGuid;
}

bool Registered() {
    bool found = false;
    RegRead(UninstallKey(), "DisplayName", &found);
    return found;
}

void Forget(const std::string& title) {
    fs::remove_all(LinuxFolder("PROGRAMFILES") + "/" + title);
    RunWine("C:\\windows\\system32\\reg.exe", {"delete", UninstallKey(), "/f"}, 60);
    RunWine("C:\\windows\\system32\\reg.exe",
            {"delete", std::string("HKCU\\Software\\Wendlebox\\") + kGuid, "/f"}, 60);
}

class SignE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        keys_ = ScratchDir("sign-keys");
        // A self-signed code-signing certificate, its key and a PKCS#12 file of both.
        std::string output;
        int made = RunHost("cd '" + keys_ + "' && openssl req -x509 -newkey rsa:2048 -nodes "
                           "-keyout key.pem -out cert.pem -days 2 -subj '/CN=Wendlebox Test' "
                           "-addext extendedKeyUsage=codeSigning && openssl pkcs12 -export "
                           "-out cert.pfx -inkey key.pem -in cert.pem -passout pass:test",
                           &output);
        ASSERT_EQ(made, 0) << output;
    }
    void SetUp() override { Forget(title_); }
    void TearDown() override { Forget(title_); }

    static std::string SignCommand() {
        return "osslsigncode sign -pkcs12 '" + keys_ + "/cert.pfx' -pass test -in {in} -out {out}";
    }
    // Signs `in` into `out` as a user would, by hand.
    static void SignByHand(const std::string& in, const std::string& out) {
        std::string output;
        ASSERT_EQ(RunHost("osslsigncode sign -pkcs12 '" + keys_ + "/cert.pfx' -pass test -in '" +
                              in + "' -out '" + out + "'", &output), 0) << output;
    }
    static int VerifySignature(const std::string& file, std::string* output) {
        return RunHost("osslsigncode verify -CAfile '" + keys_ + "/cert.pem' -in '" + file + "'",
                       output);
    }
    // A project of `who`'s program: Tool.exe and a data file whose text names `who`.
    std::string Project(const std::string& name, const std::string& who,
                        const std::map<std::string, std::string>& extra = {}) {
        std::map<std::string, std::string> files = {
            {"setup.ini", Ini(title_)},
            {"licence.txt", Prose(20000, who + " licence")},
            {"program/Tool.exe", "MZ" + Prose(9000, who)},
            {"program/Data/notes.txt", Prose(4000, who + " notes")}};
        for (const auto& [k, v] : extra) files[k] = v;
        return MakeProject(name, files);
    }
    std::string Installed(const std::string& file) {
        return ReadFile(LinuxFolder("PROGRAMFILES") + "/" + title_ + "/" + file);
    }
    RunResult Install(const std::string& setup) {
        RunResult r = RunWine(setup, {"/Q"}, 180);
        EXPECT_FALSE(r.TimedOut);
        return r;
    }
    static std::string keys_;
    std::string title_ = "Signed Test";
};

std::string SignE2E::keys_;

wb::PackageImage Image(const std::string& bytes) {
    wb::PackageImage image;
    std::string error;
    EXPECT_TRUE(wb::ReadPackageImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                     image, error))
        << error;
    return image;
}

TEST_F(SignE2E, SignedSetupInstallsQuietlyWithIntactFiles) {
    const std::string out = ScratchDir("sign-plain");
    ASSERT_EQ(BuildSetup(Project("sign-plain-project", "vendor"), out + "/setup.exe", StubPath(),
                         "--arch " + TargetArch() + " --uninstaller " + Win32BinPath("uninstall.exe")),
              0);
    EXPECT_EQ(ReadFile(out + "/setup.exe").size() % 8, 0u) << "wbpack pads to 8 bytes";
    SignByHand(out + "/setup.exe", out + "/signed.exe");
    const std::string signedBytes = ReadFile(out + "/signed.exe");
    // The certificate table follows the trailer directly.
    EXPECT_EQ(Image(signedBytes).Location.TableOffset, ReadFile(out + "/setup.exe").size());

    RunResult r = Install(out + "/signed.exe");
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(Installed("Tool.exe"), "MZ" + Prose(9000, "vendor"));
    EXPECT_EQ(Installed("Data/notes.txt"), Prose(4000, "vendor notes"));
    EXPECT_TRUE(Registered());

    std::string verified;
    EXPECT_EQ(RunHost(WbpackPath() + " verify '" + out + "/signed.exe'", &verified), 0) << verified;
    EXPECT_NE(verified.find(", signed: certificate table at"), std::string::npos) << verified;
}

TEST_F(SignE2E, BuildSignsTheSetupAndTheInstalledUninstaller) {
    const std::string out = ScratchDir("sign-build");
    const std::string setup = out + "/setup.exe";
    ASSERT_EQ(BuildSetup(Project("sign-build-project", "vendor"), setup, StubPath(),
                         "--arch " + TargetArch() + " --uninstaller " +
                             Win32BinPath("uninstall.exe") + " --sign \"" + SignCommand() + "\""),
              0);
    std::string output;
    EXPECT_EQ(VerifySignature(setup, &output), 0) << output;
    std::string listed;
    ASSERT_EQ(RunHost(WbpackPath() + " list '" + setup + "'", &listed), 0) << listed;
    EXPECT_NE(listed.find("signed: certificate table at "), std::string::npos) << listed;

    RunResult r = Install(setup);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    const std::string uninstaller = LinuxFolder("PROGRAMFILES") + "/" + title_ + "/uninstall.exe";
    ASSERT_TRUE(fs::exists(uninstaller));
    EXPECT_EQ(VerifySignature(uninstaller, &output), 0) << output;
    EXPECT_NE(ReadFile(uninstaller), ReadFile(Win32BinPath("uninstall.exe")));

    // A signing command that fails fails the build, shows what it said, and leaves nothing.
    const std::string failed = out + "/failed.exe";
    const std::string command = WbpackPath() + " build '" +
                                Project("sign-fail-project", "vendor") + "' -o '" + failed +
                                "' --arch " + TargetArch() + " --uninstaller " +
                                Win32BinPath("uninstall.exe") +
                                " --sign \"echo no token present >&2; exit 7; true {in}\"";
    EXPECT_EQ(RunHost(command, &output), 1) << output;
    EXPECT_NE(output.find("no token present"), std::string::npos) << output;
    EXPECT_NE(output.find("exit code 7"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(failed));
    for (const auto& e : fs::directory_iterator(out)) {
        EXPECT_EQ(e.path().filename().string().rfind(".failed.exe", 0), std::string::npos)
            << "no temporary file stays behind: " << e.path();
    }
}

TEST_F(SignE2E, WbpackOnWindowsRunsTheSigningCommandThroughCmd) {
    // No signer runs under Wine here; copy stands in for one, so what is tested is the
    // command's way through cmd.exe, its quoting of paths with blanks, and its failure. A
    // copy signs nothing: the build must say so rather than report a signed setup.
    const std::string out = ScratchDir("sign-win wbpack");
    const std::string project = Project("sign-win-project", "vendor");
    auto build = [&](const std::string& setup, const std::string& command) {
        return RunWine(Win32BinPath("wbpack.exe"),
                       {"build", WinPath(project), "-o", WinPath(setup), "--stub",
                        WinPath(StubPath()), "--uninstaller", WinPath(Win32BinPath("uninstall.exe")),
                        "--quiet", "--sign", command},
                       180);
    };
    RunResult copied = build(out + "/copied.exe", "copy /b /y {in} {out} >nul && echo copied {in}");
    ASSERT_FALSE(copied.TimedOut);
    EXPECT_EQ(copied.ExitCode, 1) << copied.Output;
    // The copy reached its quoted target (else copy itself fails), which carries no table.
    EXPECT_NE(copied.Output.find("carries no certificate table"), std::string::npos)
        << copied.Output;
    EXPECT_NE(copied.Output.find("copied "), std::string::npos) << copied.Output;
    EXPECT_FALSE(fs::exists(out + "/copied.exe"));

    RunResult failed = build(out + "/failed.exe", "type {in}.missing");
    ASSERT_FALSE(failed.TimedOut);
    EXPECT_EQ(failed.ExitCode, 1) << failed.Output;
    EXPECT_NE(failed.Output.find("signing failed (exit code 1)"), std::string::npos)
        << failed.Output;
    EXPECT_FALSE(fs::exists(out + "/failed.exe"));
}

TEST_F(SignE2E, OneChangedByteInASignedSetupEndsWithTwoAndNothingRegistered) {
    const std::string out = ScratchDir("sign-damaged");
    ASSERT_EQ(BuildSetup(Project("sign-damaged-project", "vendor"), out + "/setup.exe", StubPath(),
                         "--arch " + TargetArch()),
              0);
    SignByHand(out + "/setup.exe", out + "/signed.exe");
    std::string bytes = ReadFile(out + "/signed.exe");
    const wb::PackageImage image = Image(bytes);
    size_t licence = 0;
    while (image.Entries[licence].Name != "licence.txt") ++licence;
    const size_t at = image.Positions[licence] + size_t(image.Entries[licence].PackedSize) / 2;
    bytes[at] = char(bytes[at] ^ 0x11);
    WriteFile(out + "/damaged.exe", bytes);

    const std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = Install(out + "/damaged.exe");
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    EXPECT_FALSE(Registered());
    EXPECT_FALSE(fs::exists(LinuxFolder("PROGRAMFILES") + "/" + title_));
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty());
}

TEST_F(SignE2E, APackageAppendedAfterOrInsideTheCertificateTableIsNeverInstalled) {
    const std::string out = ScratchDir("sign-appended");
    ASSERT_EQ(BuildSetup(Project("sign-vendor", "vendor"), out + "/vendor.exe", StubPath(),
                         "--arch " + TargetArch()),
              0);
    ASSERT_EQ(BuildSetup(Project("sign-intruder", "intruder"), out + "/intruder.exe", StubPath(),
                         "--arch " + TargetArch()),
              0);
    SignByHand(out + "/vendor.exe", out + "/signed.exe");
    const std::string vendor = ReadFile(out + "/signed.exe");

    // After the table: the file now ends in the intruder's Package.
    std::string after = vendor;
    ASSERT_TRUE(RepackOuterPackage(out + "/intruder.exe", after));
    // Inside the table: its declared size grown over the intruder's Package, which Windows'
    // default signature check tolerates.
    std::string grown = after;
    const wb::PackageImage image = Image(vendor);
    const uint32_t peAt = wb::ReadLe32(reinterpret_cast<const uint8_t*>(grown.data()) + 0x3C);
    const bool plus = TargetArch() == "x64";
    const size_t entry = peAt + 24 + (plus ? 112 : 96) + 4 * 8;
    ASSERT_EQ(wb::ReadLe32(reinterpret_cast<const uint8_t*>(grown.data()) + entry),
              image.Location.TableOffset);
    const uint32_t size = uint32_t(grown.size()) - image.Location.TableOffset;
    for (int i = 0; i < 4; ++i) grown[entry + 4 + size_t(i)] = char(uint8_t(size >> (8 * i)));

    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"after", after},
                                      {"grown", grown}}) {
        WriteFile(out + "/" + name + ".exe", bytes);
        Forget(title_);
        RunResult r = Install(out + "/" + name + ".exe");
        EXPECT_EQ(r.ExitCode, 0) << name << r.Output;
        EXPECT_EQ(Installed("Tool.exe"), "MZ" + Prose(9000, "vendor")) << name;
        EXPECT_EQ(Installed("Data/notes.txt"), Prose(4000, "vendor notes")) << name;
    }
}

TEST_F(SignE2E, ASetupWithPaddingBeforeItsTableInstalls) {
    const std::string out = ScratchDir("sign-unpadded");
    const std::string project = Project("sign-unpadded-project", "vendor");
    ASSERT_EQ(BuildSetup(project, out + "/padded.exe", StubPath(), "--arch " + TargetArch()), 0);
    // The same setup as a tool that does not pad writes it; a filler file of the project
    // gets longer until its length is no multiple of 8, so that the signer pads.
    std::string unpadded;
    for (size_t extra = 1; extra < 64; ++extra) {
        WriteFile(project + "/filler.txt", std::string(extra, 'f'));
        ASSERT_EQ(BuildSetup(project, out + "/padded.exe", StubPath(), "--arch " + TargetArch()), 0);
        const std::string padded = ReadFile(out + "/padded.exe");
        const wb::PackageImage image = Image(padded);
        unpadded = padded.substr(0, image.Location.ImageEnd);
        ASSERT_TRUE(RepackOuterPackage(out + "/padded.exe", unpadded));
        if (unpadded.size() % 8 != 0) break;
    }
    ASSERT_NE(unpadded.size() % 8, 0u);
    WriteFile(out + "/unpadded.exe", unpadded);
    SignByHand(out + "/unpadded.exe", out + "/signed.exe");
    const wb::PackageImage image = Image(ReadFile(out + "/signed.exe"));
    const int64_t zeros = int64_t(image.Location.TableOffset) - image.Location.End;
    EXPECT_GE(zeros, 1);
    EXPECT_LE(zeros, 7);

    RunResult r = Install(out + "/signed.exe");
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(Installed("Tool.exe"), "MZ" + Prose(9000, "vendor"));
}

TEST_F(SignE2E, APerFileSetupWithADamagedLastFileLeavesTheFolderAsItWas) {
    const std::string out = ScratchDir("sign-perfile-damaged");
    const std::string setup = out + "/setup.exe";
    // "Tool.exe" sorts after "Data\notes.txt": the last program file (uninstall.* are off).
    ASSERT_EQ(BuildSetup(Project("sign-perfile-project", "vendor",
                                 {{"setup.ini", Ini(title_) + "NoUninstall = 1\r\n"}}),
                         setup, StubPath(), "--arch " + TargetArch() + " --per-file"),
              0);
    ASSERT_TRUE(DamageInnerPackage(setup, "Tool.exe"));
    const std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = Install(setup);
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    EXPECT_FALSE(fs::exists(LinuxFolder("PROGRAMFILES") + "/" + title_))
        << "the installation folder was created or filled";
    EXPECT_FALSE(Registered());
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty());
}

}  // namespace
}  // namespace e2e
