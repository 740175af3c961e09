// The file service over the host's POSIX files, for the authoring tool and native tests.
// Installer paths use "\" separators; they are mapped to "/" here.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace wb {

struct PlatformFile {
    int fd;
};

namespace {

std::string HostPath(const char* path) {
    std::string p = path ? path : "";
    for (char& c : p) {
        if (c == '\\') c = '/';
    }
    return p;
}

// Windows file times count 100 ns from 1601; Unix times count seconds from 1970.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;

timespec ToTimespec(uint64_t fileTime) {
    timespec ts{};
    if (fileTime < kEpochDelta) return ts;
    uint64_t t = fileTime - kEpochDelta;
    ts.tv_sec = static_cast<time_t>(t / 10000000ULL);
    ts.tv_nsec = static_cast<long>((t % 10000000ULL) * 100);
    return ts;
}

uint64_t FromTimespec(const timespec& ts) {
    return kEpochDelta + static_cast<uint64_t>(ts.tv_sec) * 10000000ULL +
           static_cast<uint64_t>(ts.tv_nsec) / 100;
}

}  // namespace

PlatformFile* FileOpen(const char* path, FileAccess access) noexcept {
    std::string p = HostPath(path);
    int flags = O_RDONLY;
    switch (access) {
        case FileAccess::Read: flags = O_RDONLY; break;
        case FileAccess::ReadWrite: flags = O_RDWR; break;
        case FileAccess::CreateAlways: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
        case FileAccess::TruncateExisting: flags = O_WRONLY | O_TRUNC; break;
        case FileAccess::CreateNew: flags = O_WRONLY | O_CREAT | O_EXCL; break;
    }
    int fd = ::open(p.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return new PlatformFile{fd};
}

bool FileClose(PlatformFile* file) noexcept {
    if (!file) return false;
    // A delayed write error (a full disk, a network share gone) shows up only here.
    bool ok = ::close(file->fd) == 0;
    delete file;
    return ok;
}

bool FileRead(PlatformFile* file, void* buffer, uint32_t count) noexcept {
    if (!file) return false;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        ssize_t n = ::read(file->fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<uint32_t>(n);
    }
    return true;
}

bool FileWrite(PlatformFile* file, const void* data, uint32_t count) noexcept {
    if (!file) return false;
    auto* p = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = ::write(file->fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= static_cast<uint32_t>(n);
    }
    return true;
}

bool FileSeek(PlatformFile* file, uint32_t position) noexcept {
    return file && ::lseek(file->fd, static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool FileTruncateHere(PlatformFile* file) noexcept {
    if (!file) return false;
    off_t pos = ::lseek(file->fd, 0, SEEK_CUR);
    return pos >= 0 && ::ftruncate(file->fd, pos) == 0;
}

int64_t FileLength(PlatformFile* file) noexcept {
    struct stat st {};
    if (!file || ::fstat(file->fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool FileSetTimes(PlatformFile* file, uint64_t /*creation*/, uint64_t lastWrite) noexcept {
    if (!file) return false;
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = ToTimespec(lastWrite);
    return ::futimens(file->fd, times) == 0;
}

bool FileGetTimes(PlatformFile* file, uint64_t& creation, uint64_t& lastWrite) noexcept {
    struct stat st {};
    if (!file || ::fstat(file->fd, &st) != 0) return false;
    lastWrite = FromTimespec(st.st_mtim);
    creation = lastWrite;
    return true;
}

int64_t PathLength(const char* path) noexcept {
    struct stat st {};
    std::string p = HostPath(path);
    if (p.empty() || ::stat(p.c_str(), &st) != 0) return -1;
    if (S_ISDIR(st.st_mode)) return -2;
    return static_cast<int64_t>(st.st_size);
}

bool PathExists(const char* path) noexcept {
    struct stat st {};
    std::string p = HostPath(path);
    return !p.empty() && ::stat(p.c_str(), &st) == 0;
}

bool FolderExists(const char* path) noexcept {
    struct stat st {};
    std::string p = HostPath(path);
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderCreate(const char* path) noexcept {
    std::string p = HostPath(path);
    return !p.empty() && ::mkdir(p.c_str(), 0755) == 0;
}

std::string FolderCreateReachable(const std::string& utf8Path, std::vector<std::string>& made) {
    // The host's names are UTF-8 already: every name is reached as it is.
    std::string path = utf8Path;
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    if (path.empty()) return std::string();
    std::vector<std::string> ours;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (FolderExists(part.c_str())) continue;
        if (!FolderCreate(part.c_str())) {
            for (auto it = ours.rbegin(); it != ours.rend(); ++it) FolderRemove(it->c_str());
            return std::string();
        }
        ours.push_back(part);
    }
    made.insert(made.end(), ours.begin(), ours.end());
    return path;
}

bool FolderRemove(const char* path) noexcept {
    std::string p = HostPath(path);
    return !p.empty() && ::rmdir(p.c_str()) == 0;
}

uint32_t FileLastError() noexcept { return uint32_t(errno); }

bool FileDelete(const char* path) noexcept {
    std::string p = HostPath(path);
    return !p.empty() && ::unlink(p.c_str()) == 0;
}

std::vector<std::string> FolderListFiles(const char* folder) {
    std::vector<std::string> names;
    std::string base = HostPath(folder);
    if (!base.empty() && base.back() != '/') base += '/';
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::stat((base + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool FileMove(const char* from, const char* to) noexcept {
    const std::string a = HostPath(from), b = HostPath(to);
    struct stat st {};
    if (a.empty() || b.empty() || ::lstat(b.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(a.c_str(), b.c_str()) == 0;
}

// The host has no restart that replaces files.
bool FileMoveAtRestart(const char*, const char*) noexcept {
    errno = ENOSYS;
    return false;
}

bool PathSetHidden(const char* path) noexcept { return PathExists(path); }

bool VolumeFreeBytes(const char* folder, uint64_t& bytes) noexcept {
    struct statvfs st {};
    if (::statvfs(HostPath(folder).c_str(), &st) != 0) return false;
    bytes = uint64_t(st.f_bavail) * uint64_t(st.f_frsize);
    return true;
}

FileErrorKind ClassifyFileError(uint32_t error) noexcept {
    if (error == ENOSPC || error == EDQUOT) return FileErrorKind::DiskFull;
    if (error == EBUSY || error == ETXTBSY) return FileErrorKind::InUse;
    return FileErrorKind::Other;
}

bool FileCopy(const char* source, const char* destination) noexcept {
    int in = ::open(HostPath(source).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    // Copying a file onto itself would cut it to nothing before it is read.
    struct stat from {}, to {};
    if (::fstat(in, &from) != 0 ||
        (::stat(HostPath(destination).c_str(), &to) == 0 && from.st_dev == to.st_dev &&
         from.st_ino == to.st_ino)) {
        ::close(in);
        return false;
    }
    int out = ::open(HostPath(destination).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    ::close(in);
    return ::close(out) == 0 && ok;
}

std::vector<FolderEntry> FolderListEntries(const char* folder) {
    std::vector<FolderEntry> entries;
    std::string base = HostPath(folder);
    if (!base.empty() && base.back() != '/') base += '/';
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return entries;
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::lstat((base + name).c_str(), &st) != 0) continue;
        FolderEntry e;
        e.Name = name;
        e.IsLink = S_ISLNK(st.st_mode);
        e.IsFolder = S_ISDIR(st.st_mode);
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    return entries;
}

}  // namespace wb
