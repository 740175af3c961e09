// The file service over the Win32 file API (ANSI).
#include "platform/files.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide_names.h"

namespace wb {

struct PlatformFile {
    HANDLE handle;
};

PlatformFile* FileOpen(const char* path, FileAccess access) noexcept {
    DWORD desired = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
    switch (access) {
        case FileAccess::Read: break;
        case FileAccess::ReadWrite: desired = GENERIC_READ | GENERIC_WRITE; break;
        case FileAccess::CreateAlways: desired = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
        case FileAccess::TruncateExisting:
            desired = GENERIC_WRITE;
            disposition = TRUNCATE_EXISTING;
            break;
        case FileAccess::CreateNew: desired = GENERIC_WRITE; disposition = CREATE_NEW; break;
    }
    HANDLE h = CreateFileA(path, desired, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    auto* f = new (std::nothrow) PlatformFile{h};
    if (!f) CloseHandle(h);
    return f;
}

bool FileClose(PlatformFile* file) noexcept {
    if (!file) return false;
    bool ok = CloseHandle(file->handle) != 0;
    delete file;
    return ok;
}

bool FileRead(PlatformFile* file, void* buffer, uint32_t count) noexcept {
    if (!file) return false;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        DWORD got = 0;
        if (!ReadFile(file->handle, p, count, &got, nullptr) || got == 0) return false;
        p += got;
        count -= got;
    }
    return true;
}

bool FileWrite(PlatformFile* file, const void* data, uint32_t count) noexcept {
    if (!file) return false;
    auto* p = static_cast<const char*>(data);
    while (count > 0) {
        DWORD put = 0;
        if (!WriteFile(file->handle, p, count, &put, nullptr) || put == 0) return false;
        p += put;
        count -= put;
    }
    return true;
}

bool FileSeek(PlatformFile* file, uint32_t position) noexcept {
    if (!file) return false;
    LONG high = 0;
    DWORD r = SetFilePointer(file->handle, static_cast<LONG>(position), &high, FILE_BEGIN);
    return !(r == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool FileTruncateHere(PlatformFile* file) noexcept {
    return file && SetEndOfFile(file->handle);
}

int64_t FileLength(PlatformFile* file) noexcept {
    if (!file) return -1;
    DWORD high = 0;
    DWORD low = GetFileSize(file->handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

static FILETIME ToFileTime(uint64_t t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

static uint64_t FromFileTime(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool FileSetTimes(PlatformFile* file, uint64_t creation, uint64_t lastWrite) noexcept {
    if (!file) return false;
    FILETIME c = ToFileTime(creation), w = ToFileTime(lastWrite);
    return SetFileTime(file->handle, &c, nullptr, &w);
}

bool FileGetTimes(PlatformFile* file, uint64_t& creation, uint64_t& lastWrite) noexcept {
    if (!file) return false;
    FILETIME c, a, w;
    if (!GetFileTime(file->handle, &c, &a, &w)) return false;
    creation = FromFileTime(c);
    lastWrite = FromFileTime(w);
    return true;
}

int64_t PathLength(const char* path) noexcept {
    WIN32_FIND_DATAA fd;
    UniqueFindHandle find(FindFirstFileA(path, &fd));
    if (!find) return -1;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -2;
    return (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

bool PathExists(const char* path) noexcept {
    WIN32_FIND_DATAA fd;
    UniqueFindHandle find(FindFirstFileA(path, &fd));
    return static_cast<bool>(find);
}

bool FolderExists(const char* path) noexcept {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderCreate(const char* path) noexcept { return CreateDirectoryA(path, nullptr); }
bool FolderRemove(const char* path) noexcept { return RemoveDirectoryA(path); }

std::string FolderCreateReachable(const std::string& utf8Path, std::vector<std::string>& made) {
    std::wstring path = Utf8ToWide(utf8Path);
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    // The parts below the root: "X:\" or a share's "\\server\share\".
    size_t start = 0;
    if (path.size() > 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) {
        start = 3;
    } else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
        const size_t server = path.find(L'\\', 2);
        const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        if (share == std::wstring::npos) return std::string();
        start = share + 1;
    } else {
        return std::string();  // a relative name has no place of its own to be made at
    }
    std::vector<std::wstring> ours;
    const auto undo = [&ours] {
        for (auto it = ours.rbegin(); it != ours.rend(); ++it) RemoveDirectoryW(it->c_str());
    };
    for (size_t i = start; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
        const std::wstring part = path.substr(0, i);
        const DWORD attributes = GetFileAttributesW(part.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!CreateDirectoryW(part.c_str(), nullptr)) {
            undo();
            return std::string();
        }
        ours.push_back(part);
    }
    const std::string reached = ReachableSystemPath(path);
    if (reached.empty()) {
        undo();
        return std::string();
    }
    // Each folder made is a parent of the reached one, so it is reached too.
    for (const std::wstring& folder : ours) made.push_back(ReachableSystemPath(folder));
    return reached;
}
uint32_t FileLastError() noexcept { return GetLastError(); }

bool FileDelete(const char* path) noexcept { return DeleteFileA(path); }

std::vector<std::string> FolderListFiles(const char* folder) {
    std::vector<std::string> names;
    std::string pattern = folder ? folder : "";
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA fd;
    UniqueFindHandle find(FindFirstFileA(pattern.c_str(), &fd));
    if (!find) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
    return names;
}

bool FileMove(const char* from, const char* to) noexcept {
    return MoveFileExA(from, to, 0) != 0;
}

bool FileMoveAtRestart(const char* from, const char* to) noexcept {
    // The session manager performs these before any program runs again; registering them
    // writes PendingFileRenameOperations under HKLM, which needs administrator rights.
    return MoveFileExA(from, to, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != 0;
}

bool PathSetHidden(const char* path) noexcept {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && SetFileAttributesA(path, a | FILE_ATTRIBUTE_HIDDEN);
}

bool VolumeFreeBytes(const char* folder, uint64_t& bytes) noexcept {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA(folder, &available, &total, &free)) return false;
    bytes = available.QuadPart;  // what quotas leave this user, not the volume's total
    return true;
}

FileErrorKind ClassifyFileError(uint32_t error) noexcept {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return FileErrorKind::DiskFull;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return FileErrorKind::InUse;
        default: return FileErrorKind::Other;
    }
}

bool FileCopy(const char* source, const char* destination) noexcept {
    return CopyFileA(source, destination, FALSE) != 0;
}

std::vector<FolderEntry> FolderListEntries(const char* folder) {
    std::vector<FolderEntry> entries;
    std::string pattern = folder ? folder : "";
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA fd;
    UniqueFindHandle find(FindFirstFileA(pattern.c_str(), &fd));
    if (!find) return entries;
    do {
        if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0) continue;
        FolderEntry e;
        e.Name = fd.cFileName;
        e.IsFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.IsLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(std::move(e));
    } while (FindNextFileA(find.get(), &fd));
    return entries;
}

}  // namespace wb
