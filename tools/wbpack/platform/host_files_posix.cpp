// Host file helpers of the authoring tool over POSIX calls; host names are UTF-8.
#ifndef _WIN32

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "wbpack/codepage.h"
#include "wbpack/host_files.h"

namespace wb {

std::string HostTextToUtf8(const std::string& text) { return text; }

std::string HostErrorText() { return std::strerror(errno); }

bool HostStatPath(const std::string& path, HostStat& out) {
    out = HostStat{};
    struct stat ls {};
    if (::lstat(path.c_str(), &ls) != 0) return false;
    out.IsLink = S_ISLNK(ls.st_mode);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out.Exists = true;
    out.IsFolder = S_ISDIR(st.st_mode);
    out.IsFile = S_ISREG(st.st_mode);
    out.Size = uint64_t(st.st_size);
    out.WriteTime = UnixToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    // The host keeps no creation time; the modification time stands in for it.
    out.CreationTime = out.WriteTime;
    return true;
}

bool HostListFolder(const std::string& folder, std::vector<std::string>& names,
                    std::string& error) {
    names.clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    if (ec) {
        error = folder + ": cannot read the folder: " + ec.message();
        return false;
    }
    return true;
}

bool HostSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool HostNamesEqual(const std::string& a, const std::string& b) { return a == b; }

bool HostCanRead(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

bool HostNameToCodePage(const std::string& name, int codepage, std::string& out,
                        std::string& bad) {
    return Utf8ToCodePage(name, codepage, out, bad);
}

std::string CodePageToHostName(const std::string& name, int codepage) {
    return CodePageToUtf8(name, codepage);
}

bool BeginOutput(const std::string& finalPath, PendingOutput& out, std::string& error) {
    AbandonOutput(out);
    std::filesystem::path p(finalPath);
    std::string folder = p.has_parent_path() ? p.parent_path().string() : ".";
    std::string pattern = folder + "/." + p.filename().string() + ".wbpack-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = finalPath + ": cannot write in " + folder + ": " + HostErrorText();
        return false;
    }
    ::fchmod(fd, 0644);
    out.File = ::fdopen(fd, "wb");
    if (!out.File) {
        ::close(fd);
        ::unlink(name.data());
        error = finalPath + ": " + HostErrorText();
        return false;
    }
    out.FinalPath = finalPath;
    out.TempPath = name.data();
    return true;
}


bool HostReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void HostRemoveFile(const std::string& path) noexcept { ::unlink(path.c_str()); }


std::string MakeTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wbpack-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return std::string();
    return name.data();
}

void RemoveTree(const std::string& path) noexcept {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

int RunHostCommand(const std::string& command, std::string& output) {
    output.clear();
    // The output goes through a file, not a pipe: a signer may leave a process behind that
    // inherited the pipe (a daemon, Wine's server), and a pipe read would wait for it.
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wbpack-sign-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return -1;
    ::close(fd);
    std::fflush(nullptr);
    // Both streams of every part of a compound command land in the file.
    const int status = std::system(("exec >" + HostShellQuote(name.data()) +
                                    " 2>&1 </dev/null\n" + command).c_str());
    std::string ignored;
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(name.data(), bytes, ignored)) output.assign(bytes.begin(), bytes.end());
    ::unlink(name.data());
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

std::string HostShellQuote(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}
bool HostErrorIsTerminal() { return ::isatty(2) != 0; }

std::string SelfFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    return self.parent_path().string() + "/";
}

std::string CompanionProgram(const std::string& name, bool win64) {
    return SelfFolder() + (win64 ? "../win64/" : "../win32/") + name;
}

bool HostRandomBytes(uint8_t* out, size_t size) {
    std::FILE* f = std::fopen("/dev/urandom", "rb");
    if (!f) return false;
    bool ok = std::fread(out, 1, size, f) == size;
    std::fclose(f);
    return ok;
}

}  // namespace wb

#endif  // !_WIN32
