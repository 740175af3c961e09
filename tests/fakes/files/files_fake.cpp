// The file service in memory, with calls that fail on cue. It replaces the host's files
// in the programs that link it (the fault tests), so every file the code under test
// touches is visible to the test, and no failure depends on the host's disk.
#include <cstring>
#include <map>
#include <set>

#include "fakes/fakes.h"
#include "platform/files.h"

namespace wb {

struct PlatformFile {
    std::string Key;
    size_t Position = 0;
    bool Writable = false;
};

namespace {

struct Entry {
    std::string Bytes;
    uint64_t Creation = 0;
    uint64_t LastWrite = 0;
};

struct FilesFake {
    std::map<std::string, Entry> Files;  // by key (lower case, "\" separators)
    std::set<std::string> Folders;       // by key, without the closing "\"
    fake::FileCall FailCall = fake::FileCall::Write;
    int FailCountdown = 0;  // the failing call is this many calls of FailCall away
    bool Failed = false;
    int OpenHandles = 0;
    bool NoShortNames = false;  // FolderCreateReachable reaches nothing it makes
    uint32_t FailError = 5;
    uint32_t LastError = 0;
    std::set<std::string> Held;
    uint64_t FreeBytes = uint64_t(1) << 40;
    bool FreeKnown = true;
    std::vector<std::pair<std::string, std::string>> AtRestart;
};

FilesFake g_files;

// Paths ignore letter case and either separator; a folder's closing "\" is dropped.
std::string Key(const char* path) {
    std::string k = path ? path : "";
    for (char& c : k) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    while (k.size() > 3 && k.back() == '\\') k.pop_back();
    if (k.size() == 3 && k[1] == ':' && k[2] == '\\') k.pop_back();
    return k;
}

std::string Parent(const std::string& key) {
    size_t cut = key.rfind('\\');
    return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

bool IsDrive(const std::string& key) { return key.size() == 2 && key[1] == ':'; }
bool HasFolder(const std::string& key) { return IsDrive(key) || g_files.Folders.count(key); }

// True when this call is the one set to fail.
bool FailsNow(fake::FileCall call) {
    if (g_files.FailCountdown <= 0 || g_files.FailCall != call) return false;
    if (--g_files.FailCountdown > 0) return false;
    g_files.Failed = true;
    g_files.LastError = g_files.FailError;
    return true;
}

bool Refuse(uint32_t error) {
    g_files.LastError = error;
    return false;
}

bool IsHeld(const std::string& key) { return g_files.Held.count(key) != 0; }

}  // namespace

namespace fake {

void FilesReset() {
    g_files = FilesFake{};
}

void FilesPut(const std::string& path, const std::string& bytes) {
    std::string key = Key(path.c_str());
    for (std::string p = Parent(key); !p.empty() && !IsDrive(p); p = Parent(p)) {
        g_files.Folders.insert(p);
    }
    g_files.Files[key].Bytes = bytes;
}

bool FilesGet(const std::string& path, std::string& bytes) {
    auto it = g_files.Files.find(Key(path.c_str()));
    if (it == g_files.Files.end()) return false;
    bytes = it->second.Bytes;
    return true;
}

void FilesMakeFolder(const std::string& path) {
    std::string key = Key(path.c_str());
    for (std::string p = key; !p.empty() && !IsDrive(p); p = Parent(p)) g_files.Folders.insert(p);
}

std::vector<std::string> FilesList() {
    std::vector<std::string> names;
    for (const auto& [key, entry] : g_files.Files) names.push_back(key);
    return names;
}

void FilesFailCall(FileCall call, int nth) {
    g_files.FailCall = call;
    g_files.FailCountdown = nth;
    g_files.Failed = false;
}

bool FilesFailureHappened() { return g_files.Failed; }

int FilesOpenHandles() { return g_files.OpenHandles; }

void FilesSetNoShortNames(bool none) { g_files.NoShortNames = none; }

void FilesSetFailError(uint32_t error) { g_files.FailError = error; }

void FilesHold(const std::string& path, bool held) {
    if (held) {
        g_files.Held.insert(Key(path.c_str()));
    } else {
        g_files.Held.erase(Key(path.c_str()));
    }
}

void FilesSetFreeBytes(uint64_t bytes, bool known) {
    g_files.FreeBytes = bytes;
    g_files.FreeKnown = known;
}

std::vector<std::string> FilesMovesAtRestart() {
    std::vector<std::string> moves;
    for (const auto& [from, to] : g_files.AtRestart) moves.push_back(from + ">" + to);
    return moves;
}

void FilesRestart() {
    g_files.Held.clear();
    for (const auto& [from, to] : g_files.AtRestart) {
        auto it = g_files.Files.find(from);
        if (it == g_files.Files.end()) continue;
        Entry moved = it->second;
        g_files.Files.erase(it);
        g_files.Files[to] = moved;
    }
    g_files.AtRestart.clear();
}

std::vector<std::string> FilesFolders() {
    return std::vector<std::string>(g_files.Folders.begin(), g_files.Folders.end());
}

}  // namespace fake

PlatformFile* FileOpen(const char* path, FileAccess access) noexcept {
    if (FailsNow(fake::FileCall::Open)) return nullptr;
    std::string key = Key(path);
    if (g_files.Folders.count(key)) return nullptr;
    auto it = g_files.Files.find(key);
    switch (access) {
        case FileAccess::Read:
        case FileAccess::ReadWrite:
            if (it == g_files.Files.end()) return nullptr;
            break;
        case FileAccess::CreateAlways:
            if (FailsNow(fake::FileCall::Create)) return nullptr;
            if (IsHeld(key)) {
                Refuse(32);
                return nullptr;
            }
            if (!HasFolder(Parent(key))) return nullptr;
            g_files.Files[key] = Entry{};
            break;
        case FileAccess::CreateNew:
            if (it != g_files.Files.end() || !HasFolder(Parent(key))) return nullptr;
            g_files.Files[key] = Entry{};
            break;
        case FileAccess::TruncateExisting:
            if (it == g_files.Files.end()) return nullptr;
            if (IsHeld(key)) {
                Refuse(32);
                return nullptr;
            }
            it->second.Bytes.clear();
            break;
    }
    ++g_files.OpenHandles;
    return new PlatformFile{key, 0, access != FileAccess::Read};
}

bool FileClose(PlatformFile* file) noexcept {
    if (!file) return false;
    --g_files.OpenHandles;
    delete file;
    // The data stays as written: a failed close leaves a file that may be incomplete.
    return !FailsNow(fake::FileCall::Close);
}

bool FileRead(PlatformFile* file, void* buffer, uint32_t count) noexcept {
    if (!file || FailsNow(fake::FileCall::Read)) return false;
    auto it = g_files.Files.find(file->Key);
    if (it == g_files.Files.end()) return false;
    const std::string& b = it->second.Bytes;
    if (file->Position > b.size() || b.size() - file->Position < count) return false;
    std::memcpy(buffer, b.data() + file->Position, count);
    file->Position += count;
    return true;
}

bool FileWrite(PlatformFile* file, const void* data, uint32_t count) noexcept {
    if (!file || !file->Writable) return false;
    auto it = g_files.Files.find(file->Key);
    if (it == g_files.Files.end()) return false;
    std::string& b = it->second.Bytes;
    // A disk that fills up takes half the bytes before it refuses.
    uint32_t n = FailsNow(fake::FileCall::Write) ? count / 2 : count;
    if (b.size() < file->Position + n) b.resize(file->Position + n);
    std::memcpy(b.data() + file->Position, data, n);
    file->Position += n;
    return n == count;
}

bool FileSeek(PlatformFile* file, uint32_t position) noexcept {
    if (!file) return false;
    file->Position = position;
    return true;
}

bool FileTruncateHere(PlatformFile* file) noexcept {
    if (!file || !file->Writable) return false;
    auto it = g_files.Files.find(file->Key);
    if (it == g_files.Files.end()) return false;
    if (it->second.Bytes.size() > file->Position) it->second.Bytes.resize(file->Position);
    return true;
}

int64_t FileLength(PlatformFile* file) noexcept {
    if (!file) return -1;
    auto it = g_files.Files.find(file->Key);
    return it == g_files.Files.end() ? -1 : int64_t(it->second.Bytes.size());
}

bool FileSetTimes(PlatformFile* file, uint64_t creation, uint64_t lastWrite) noexcept {
    if (!file) return false;
    auto it = g_files.Files.find(file->Key);
    if (it == g_files.Files.end()) return false;
    it->second.Creation = creation;
    it->second.LastWrite = lastWrite;
    return true;
}

bool FileGetTimes(PlatformFile* file, uint64_t& creation, uint64_t& lastWrite) noexcept {
    if (!file) return false;
    auto it = g_files.Files.find(file->Key);
    if (it == g_files.Files.end()) return false;
    creation = it->second.Creation;
    lastWrite = it->second.LastWrite;
    return true;
}

int64_t PathLength(const char* path) noexcept {
    std::string key = Key(path);
    if (HasFolder(key)) return -2;
    auto it = g_files.Files.find(key);
    return it == g_files.Files.end() ? -1 : int64_t(it->second.Bytes.size());
}

bool PathExists(const char* path) noexcept { return PathLength(path) != -1; }

bool FolderExists(const char* path) noexcept { return HasFolder(Key(path)); }

bool FolderCreate(const char* path) noexcept {
    std::string key = Key(path);
    if (key.empty() || HasFolder(key) || g_files.Files.count(key)) return false;
    if (!HasFolder(Parent(key))) return false;
    g_files.Folders.insert(key);
    return true;
}

std::string FolderCreateReachable(const std::string& utf8Path, std::vector<std::string>& made) {
    std::string path = utf8Path;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    std::vector<std::string> ours;
    const auto undo = [&ours] {
        for (auto it = ours.rbegin(); it != ours.rend(); ++it) FolderRemove(it->c_str());
    };
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') continue;
        const std::string part = path.substr(0, i);
        if (FolderExists(part.c_str())) continue;
        if (!FolderCreate(part.c_str())) {
            undo();
            return std::string();
        }
        ours.push_back(part);
    }
    // A volume without short names: the folder exists, yet no ANSI path reaches it.
    if (path.empty() || g_files.NoShortNames) {
        undo();
        return std::string();
    }
    made.insert(made.end(), ours.begin(), ours.end());
    return path;
}

bool FolderRemove(const char* path) noexcept {
    std::string key = Key(path);
    for (const auto& [k, e] : g_files.Files) {
        if (Parent(k) == key) return false;
    }
    for (const std::string& f : g_files.Folders) {
        if (Parent(f) == key) return false;
    }
    return g_files.Folders.erase(key) == 1;
}

// The fake's failures carry the system's "access denied" unless told otherwise.
uint32_t FileLastError() noexcept { return g_files.LastError ? g_files.LastError : 5; }

bool FileDelete(const char* path) noexcept {
    if (IsHeld(Key(path))) return Refuse(32);
    return g_files.Files.erase(Key(path)) == 1;
}

bool FileMove(const char* from, const char* to) noexcept {
    if (FailsNow(fake::FileCall::Move)) return false;
    const std::string a = Key(from), b = Key(to);
    if (IsHeld(a)) return Refuse(32);
    auto it = g_files.Files.find(a);
    if (it == g_files.Files.end() || PathExists(to) || !HasFolder(Parent(b))) return Refuse(2);
    Entry moved = it->second;
    g_files.Files.erase(it);
    g_files.Files[b] = moved;
    return true;
}

bool FileMoveAtRestart(const char* from, const char* to) noexcept {
    if (FailsNow(fake::FileCall::MoveAtRestart)) return false;
    g_files.AtRestart.emplace_back(Key(from), Key(to));
    return true;
}

bool PathSetHidden(const char* path) noexcept { return PathExists(path); }

bool VolumeFreeBytes(const char* folder, uint64_t& bytes) noexcept {
    if (!g_files.FreeKnown || !HasFolder(Key(folder))) return false;
    bytes = g_files.FreeBytes;
    return true;
}

FileErrorKind ClassifyFileError(uint32_t error) noexcept {
    if (error == 112 || error == 39) return FileErrorKind::DiskFull;
    if (error == 32 || error == 33) return FileErrorKind::InUse;
    return FileErrorKind::Other;
}

std::vector<std::string> FolderListFiles(const char* folder) {
    std::vector<std::string> names;
    std::string key = Key(folder);
    for (const auto& [k, e] : g_files.Files) {
        if (Parent(k) == key) names.push_back(k.substr(key.size() + 1));
    }
    return names;
}

std::vector<FolderEntry> FolderListEntries(const char* folder) {
    std::vector<FolderEntry> entries;
    std::string key = Key(folder);
    for (const auto& [k, e] : g_files.Files) {
        if (Parent(k) == key) entries.push_back({k.substr(key.size() + 1), false, false});
    }
    for (const std::string& f : g_files.Folders) {
        if (Parent(f) == key) entries.push_back({f.substr(key.size() + 1), true, false});
    }
    return entries;
}

bool FileCopy(const char* source, const char* destination) noexcept {
    auto from = g_files.Files.find(Key(source));
    std::string to = Key(destination);
    if (from == g_files.Files.end() || to == from->first || !HasFolder(Parent(to))) return false;
    g_files.Files[to] = from->second;
    return true;
}

}  // namespace wb
