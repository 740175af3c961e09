// Runs the author's signing command and checks what it wrote.
#include "wbpack/publishing/sign.h"

#include <cstdio>
#include <vector>

#include "package/package_reader.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/publishing/pe_certificate.h"

namespace wb {

namespace {

constexpr const char* kIn = "{in}";
constexpr const char* kOut = "{out}";

std::string ReplaceEvery(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.replace(at, what.size(), with);
        at += with.size();
    }
    return text;
}

bool SignsInPlace(const std::string& command) { return command.find(kOut) == std::string::npos; }

// Runs the command for `in` (signed in place when the command has no "{out}", else into
// `out`), with the command's own words in the message when it fails.
bool RunSigner(const std::string& command, const std::string& in, const std::string& out,
               std::string& error) {
    const std::string line = SigningCommandLine(command, in, SignsInPlace(command) ? "" : out);
    std::string output;
    const int code = RunHostCommand(line, output);
    if (!output.empty() && output.back() != '\n') output += '\n';
    if (code != 0) {
        error = "signing failed (" +
                (code < 0 ? std::string("the shell could not be started")
                          : "exit code " + std::to_string(code)) +
                "): " + line + "\n" + output;
        return false;
    }
    HostStat st;
    const std::string& result = SignsInPlace(command) ? in : out;
    if (!HostStatPath(result, st) || !st.IsFile || st.Size == 0) {
        error = "signing left no signed file at " + result + ": " + line + "\n" + output;
        return false;
    }
    // A command that ends well without signing (a dry run, a wrapper that swallows the
    // signer's failure) must not yield a setup reported as signed.
    std::vector<uint8_t> bytes;
    std::string readError;
    if (!ReadWholeFile(result, bytes, readError)) {
        error = "signing: " + readError;
        return false;
    }
    if (!CarriesCertificateTable(bytes.data(), bytes.size())) {
        error = "signing ended with exit code 0 but " + result +
                " carries no certificate table: " + line + "\n" + output;
        return false;
    }
    return true;
}

bool CopyHostFile(const std::string& from, const std::string& to, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(from, bytes, error)) return false;
    std::FILE* f = std::fopen(to.c_str(), "wb");
    bool ok = f && WriteAll(f, bytes.data(), bytes.size());
    if (f) ok = std::fclose(f) == 0 && ok;
    if (!ok) error = to + ": write error";
    return ok;
}

StubArch FileArch(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error)) return StubArch::Unknown;
    return ReadStubArch(bytes.data(), bytes.size());
}

}  // namespace

std::string SigningCommandLine(const std::string& command, const std::string& in,
                               const std::string& out) {
    std::string line = ReplaceEvery(command, kIn, HostShellQuote(in));
    if (!out.empty()) line = ReplaceEvery(line, kOut, HostShellQuote(out));
    return line;
}

bool SignCopy(const std::string& command, const std::string& source,
              const std::string& signedPath, std::string& error) {
    HostRemoveFile(signedPath);
    std::string in = signedPath;
    if (!SignsInPlace(command)) in = signedPath + ".unsigned";
    if (!CopyHostFile(source, in, error)) return false;
    const bool ok = RunSigner(command, in, signedPath, error);
    if (in != signedPath) HostRemoveFile(in);
    if (!ok) return false;
    const StubArch before = FileArch(source);
    if (FileArch(signedPath) != before) {
        error = signedPath + ": the signing command did not leave a " + StubArchName(before) +
                " program";
        return false;
    }
    return true;
}

bool SignPendingSetup(const std::string& command, PendingOutput& out, std::string& error) {
    if (!CloseOutputFile(out, error)) return false;
    HostStat unsignedStat;
    if (!HostStatPath(out.TempPath, unsignedStat)) {
        error = out.FinalPath + ": " + HostErrorText();
        return false;
    }
    const std::string signedPath = out.TempPath + ".signed";
    if (SignsInPlace(command)) {
        if (!RunSigner(command, out.TempPath, out.TempPath, error)) return false;
    } else {
        HostRemoveFile(signedPath);
        const bool ok = RunSigner(command, out.TempPath, signedPath, error) &&
                        HostReplaceFile(signedPath, out.TempPath);
        if (!ok) {
            if (error.empty()) error = out.FinalPath + ": " + HostErrorText();
            HostRemoveFile(signedPath);
            return false;
        }
    }
    // The signed setup must keep the very Package that was written, ending where the
    // unsigned file ended, or the installer would not find it.
    const bool found = OpenPackage(out.TempPath.c_str(), nullptr, PackageHost::Setup) &&
                       uint64_t(Package.End) == unsignedStat.Size;
    ClosePackage();
    if (!found) {
        error = out.FinalPath +
                ": the signed setup does not carry its Package in front of the certificate "
                "table (does the command write a signed copy of {in}?)";
        return false;
    }
    return true;
}

}  // namespace wb
