// `wbpack winget`: the three files of a winget multi-file manifest (version, default locale,
// installer) for a built setup, with the facts read from the setup itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

inline constexpr const char* kWingetManifestVersion = "1.6.0";

// What the author says; every text UTF-8 (the command converts the host's arguments).
struct WingetOptions {
    std::string Setup;       // the setup file (host path)
    std::string Id;          // PackageIdentifier, Publisher.Package
    std::string Url;         // InstallerUrl
    std::string Locale = "en-US";
    std::string License;     // empty: an honest default
    std::string LicenseUrl;
    std::string Description;  // ShortDescription; empty: an honest default
    std::string PublisherUrl;
    std::string PackageUrl;  // empty: the setup's Web when it is a web address
    int CodePage = 1252;     // the code page of the setup's texts
};

struct WingetManifests {
    std::string Version, DefaultLocale, Installer;  // YAML texts, UTF-8, LF lines
    std::string Architecture;                        // "x86" or "x64"
    std::string Sha256;
    std::vector<std::string> Warnings;               // defaults the author may want to replace
};

// Composes the manifests for the setup in `data`; false with a one-line reason when the
// setup is damaged or lacks what winget needs (an installer stub, a GUID, an uninstall
// entry, a title, a version, an author) or when an option breaks the manifest's rules.
bool MakeWingetManifests(const WingetOptions& options, const uint8_t* data, size_t size,
                         WingetManifests& out, std::string& error);

// `wbpack winget SETUP.exe --id ID --url URL -o DIR [...]`, arguments after the command
// name. Writes DIR/ID.yaml, DIR/ID.installer.yaml and DIR/ID.locale.LOCALE.yaml; returns
// the wbpack exit code.
int RunWingetCommand(const std::vector<std::string>& args, std::string& out, std::string& err);

}  // namespace wb
