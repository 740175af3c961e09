// Host file helpers of the authoring tool over POSIX calls.
#include "wbpack/host_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace wb {

namespace {

constexpr uint64_t kEpochDelta = 116444736000000000ULL;  // 1601 to 1970 in 100 ns

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

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
    return true;
}

uint64_t UnixToFileTime(int64_t seconds, int64_t nanoseconds) noexcept {
    // Times before 1601 do not exist on Windows; clamp to the epoch.
    int64_t ticks = seconds * 10000000LL + nanoseconds / 100;
    if (ticks < -int64_t(kEpochDelta)) return 0;
    return uint64_t(ticks + int64_t(kEpochDelta));
}

std::string FileTimeText(uint64_t fileTime) {
    if (fileTime == 0) return "-";
    int64_t seconds = int64_t(fileTime / 10000000ULL) - int64_t(kEpochDelta / 10000000ULL);
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (!::gmtime_r(&t, &tm)) return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    HostStat st;
    if (!HostStatPath(path, st)) {
        error = path + ": " + ErrnoText();
        return false;
    }
    if (!st.IsFile) {
        error = path + ": not a plain file";
        return false;
    }
    if (st.Size > kMaxFileSize) {
        error = path + ": file of 2 GiB or more";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + ErrnoText();
        return false;
    }
    out.resize(size_t(st.Size));
    size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
    bool more = std::fgetc(f) != EOF;
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || got != out.size() || more) {
        error = path + ": read error or file changed while reading";
        out.clear();
        return false;
    }
    return true;
}

PendingOutput::~PendingOutput() { AbandonOutput(*this); }

bool BeginOutput(const std::string& finalPath, PendingOutput& out, std::string& error) {
    AbandonOutput(out);
    std::filesystem::path p(finalPath);
    std::string folder = p.has_parent_path() ? p.parent_path().string() : ".";
    std::string pattern = folder + "/." + p.filename().string() + ".wbpack-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = finalPath + ": cannot write in " + folder + ": " + ErrnoText();
        return false;
    }
    ::fchmod(fd, 0644);
    out.File = ::fdopen(fd, "wb");
    if (!out.File) {
        ::close(fd);
        ::unlink(name.data());
        error = finalPath + ": " + ErrnoText();
        return false;
    }
    out.FinalPath = finalPath;
    out.TempPath = name.data();
    return true;
}

bool CommitOutput(PendingOutput& out, std::string& error) {
    if (!out.File) {
        error = out.FinalPath + ": output not open";
        return false;
    }
    bool ok = std::fflush(out.File) == 0 && std::ferror(out.File) == 0;
    ok = std::fclose(out.File) == 0 && ok;
    out.File = nullptr;
    if (!ok) {
        error = out.FinalPath + ": write error: " + ErrnoText();
        AbandonOutput(out);
        return false;
    }
    if (std::rename(out.TempPath.c_str(), out.FinalPath.c_str()) != 0) {
        error = out.FinalPath + ": " + ErrnoText();
        AbandonOutput(out);
        return false;
    }
    out.TempPath.clear();
    return true;
}

void AbandonOutput(PendingOutput& out) noexcept {
    if (out.File) {
        std::fclose(out.File);
        out.File = nullptr;
    }
    if (!out.TempPath.empty()) {
        ::unlink(out.TempPath.c_str());
        out.TempPath.clear();
    }
}

bool WriteAll(std::FILE* file, const void* data, size_t size) noexcept {
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

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

std::string SelfFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    return self.parent_path().string() + "/";
}

}  // namespace wb
