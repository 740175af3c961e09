// Writes the entries of the open Package to disk: folders, stored and compressed files with
// their times, protected extensions; refuses names that leave the target and never lets a
// damaged entry replace a file.
#include "package/extract.h"

#include <cstring>
#include <memory>
#include <new>

#include "package/package_format.h"
#include "package/package_reader.h"
#include "package/unpack_block.h"
#include "platform/files.h"
#include "platform/window.h"
#include "startup/setup_state.h"

namespace wb {

InstallProgressHooks InstallProgress;

namespace {

constexpr uint32_t kCopyChunk = 256 * 1024;

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

char AsciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualsNoCase(const std::string& a, const char* b) noexcept {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (AsciiUpper(a[i]) != b[i]) return false;
    }
    return true;
}

// Windows opens the device, not a file, for these names whatever extension follows.
bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices) {
        if (EqualsNoCase(base, d)) return true;
    }
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
        std::string stem = base.substr(0, 3);
        if (EqualsNoCase(stem, "COM") || EqualsNoCase(stem, "LPT")) return true;
    }
    return false;
}

// Moves the read position over `count` bytes of the data area without reading them.
bool SkipData(int64_t count) noexcept {
    if (count < 0 || count > Package.FileLength - Package.Position) return false;
    Package.Position += count;
    return FileSeek(Package.File, uint32_t(Package.Position));
}

// Opens target + name for writing as the installer does: replace, else truncate.
PlatformFile* OpenTarget(const std::string& path) noexcept {
    PlatformFile* out = FileOpen(path.c_str(), FileAccess::CreateAlways);
    if (!out) out = FileOpen(path.c_str(), FileAccess::TruncateExisting);
    return out;
}

EntryOutcome WriteStored(const PackageEntry& e, const std::string& path) {
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[kCopyChunk]);
    if (!chunk) {
        SkipData(e.PackedSize);
        return EntryOutcome::Failed;
    }
    UniqueFile out(OpenTarget(path));
    if (!out) {
        SkipData(e.PackedSize);
        return EntryOutcome::Failed;
    }
    uint32_t left = uint32_t(e.PackedSize);
    bool wrote = true;
    while (left > 0) {
        uint32_t n = left < kCopyChunk ? left : kCopyChunk;
        if (!FileRead(Package.File, chunk.get(), n)) {
            // The file shrank under us: what was written is incomplete, so it goes.
            out.reset();
            FileDelete(path.c_str());
            Package.Position = Package.FileLength;
            return EntryOutcome::Damaged;
        }
        Package.Position += n;
        left -= n;
        if (wrote && !FileWrite(out.get(), chunk.get(), n)) wrote = false;
    }
    if (!wrote) {
        out.reset();
        FileDelete(path.c_str());
        return EntryOutcome::Failed;
    }
    FileSetTimes(out.get(), e.CreationTime, e.LastWriteTime);
    return EntryOutcome::Written;
}

EntryOutcome WriteCompressed(const PackageEntry& e, const std::string& path) {
    const size_t packed = size_t(e.PackedSize);
    const size_t size = size_t(e.Size);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[packed]);
    if (!block) {
        SkipData(e.PackedSize);
        return EntryOutcome::Damaged;
    }
    if (!FileRead(Package.File, block.get(), uint32_t(packed))) {
        Package.Position = Package.FileLength;
        return EntryOutcome::Damaged;
    }
    Package.Position += int64_t(packed);
    // A header stating another size cannot decode to this entry; spare the allocation.
    if (BlockStatedSize(block.get(), packed) != size) return EntryOutcome::Damaged;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size + pck::kDecodeSlack]());
    if (!data) return EntryOutcome::Damaged;
    if (UnpackBlock(block.get(), packed, data.get(), size + pck::kDecodeSlack) != size) {
        return EntryOutcome::Damaged;
    }
    block.reset();

    UniqueFile out(OpenTarget(path));
    if (!out) return EntryOutcome::Failed;
    if (!FileWrite(out.get(), data.get(), uint32_t(size))) {
        out.reset();
        FileDelete(path.c_str());
        return EntryOutcome::Failed;
    }
    FileSetTimes(out.get(), e.CreationTime, e.LastWriteTime);
    return EntryOutcome::Written;
}

// Advances the wizard's bar by the entry just handled.
void InstallProgressStep() {
    if (const PackageEntry* e = CurrentPackageEntry()) Setup.ProgressCount += e->Size;
    if (InstallProgress.SetPosition) InstallProgress.SetPosition(Setup.ProgressCount);
}

}  // namespace

bool EntryNameIsSafe(const std::string& name) noexcept {
    if (name.empty() || IsSeparator(name[0])) return false;
    if (name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        bool last = end == name.size();
        if (end == start) {
            // Only a folder entry's closing separator leaves an empty component.
            if (!last || start == 0) return false;
            break;
        }
        std::string component = name.substr(start, end - start);
        bool onlyDots = true;
        for (char c : component) {
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '.' && c != ' ') onlyDots = false;
        }
        // Windows drops trailing dots and blanks, so "..." and ".. " would climb too.
        if (onlyDots || IsDeviceName(component)) return false;
        if (last) break;
        start = end + 1;
    }
    return true;
}

bool ExtensionIsProtected(const std::string& name, const std::string& protectedExts) {
    if (protectedExts.empty()) return false;
    std::string ext;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.find_first_of("\\/", dot) == std::string::npos) {
        ext = name.substr(dot + 1);
        size_t quote = ext.find('"');
        if (quote != std::string::npos) ext.resize(quote);
    }
    size_t count = 0;
    for (char c : protectedExts) count += c == '|';
    if (count == 0) count = 1;
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t bar = protectedExts.find('|', start);
        size_t end = bar == std::string::npos ? protectedExts.size() : bar;
        if (protectedExts.compare(start, end - start, ext) == 0) return true;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return false;
}

void CreateFolderPath(const std::string& path) {
    if (path.empty() || FolderExists(path.c_str())) return;
    for (size_t i = 0; i < path.size(); ++i) {
        if (!IsSeparator(path[i])) continue;
        std::string prefix = path.substr(0, i + 1);
        if (!FolderExists(prefix.c_str())) FolderCreate(prefix.c_str());
    }
}

EntryOutcome ExtractEntry(const std::string& target, bool write) {
    if (!Package.File || Package.Current >= Package.Entries.size()) return EntryOutcome::Damaged;
    const PackageEntry& e = Package.Entries[Package.Current];
    if (e.PackedSize < 0 || e.PackedSize > Package.FileLength - Package.Position) {
        Package.Position = Package.FileLength;
        return EntryOutcome::Damaged;
    }
    const bool safe = EntryNameIsSafe(e.Name);
    const std::string path = target + e.Name;
    if (!safe || !write || e.Size <= 0) {
        // An empty entry should have no data; any it has is consumed to stay in step.
        if (!SkipData(e.PackedSize)) return EntryOutcome::Damaged;
        if (!safe) return EntryOutcome::Refused;
        if (!write) return EntryOutcome::Kept;
        UniqueFile out(OpenTarget(path));
        if (!out) return EntryOutcome::Failed;
        FileSetTimes(out.get(), e.CreationTime, e.LastWriteTime);
        return EntryOutcome::Written;
    }
    if (e.PackedSize == e.Size) return WriteStored(e, path);
    return WriteCompressed(e, path);
}

int ExtractPackage(const std::string& targetFolder, const std::string& protectedExts) {
    std::string target = targetFolder;
    if (target.empty() || !IsSeparator(target.back())) target += '\\';

    PlatformFile* file = FileOpen(Package.Path.c_str(), FileAccess::Read);
    if (!file) return -1;
    Package.File = file;
    Package.FileLength = FileLength(file);
    Package.Position = Package.DataStart;
    if (Package.FileLength < Package.Position || !FileSeek(file, uint32_t(Package.DataStart))) {
        Package.File = nullptr;
        FileClose(file);
        return -1;
    }

    int damaged = 0;
    for (Package.Current = 0; Package.Current < Package.Entries.size(); ++Package.Current) {
        const PackageEntry& e = Package.Entries[Package.Current];
        EntryOutcome outcome = EntryOutcome::Written;
        if (e.Kind == int32_t(pck::kKindFolder)) {
            if (EntryNameIsSafe(e.Name)) {
                CreateFolderPath(target + e.Name);
            } else {
                outcome = EntryOutcome::Refused;
            }
        } else if (e.Kind == int32_t(pck::kKindFile)) {
            bool safe = EntryNameIsSafe(e.Name);
            if (!safe || (ExtensionIsProtected(e.Name, protectedExts) &&
                          PathExists((target + e.Name).c_str()))) {
                outcome = ExtractEntry(target, false);
            } else {
                size_t cut = e.Name.find_last_of("\\/");
                if (cut != std::string::npos) CreateFolderPath(target + e.Name.substr(0, cut + 1));
                outcome = ExtractEntry(target, true);
            }
        }
        if (outcome == EntryOutcome::Damaged || outcome == EntryOutcome::Refused) ++damaged;
        if (Package.Progress) Package.Progress();
        DrainEvents();
    }

    Package.File = nullptr;
    FileClose(file);
    return damaged;
}

int InstallPackageFiles(bool progress) {
    std::string installDir = Setup.InstallDir;
    if (!installDir.empty() && !IsSeparator(installDir.back())) installDir += '\\';
    if (!installDir.empty() && !FolderExists(installDir.c_str())) CreateFolderPath(installDir);

    const std::string pck = Setup.TempDir + "setup.pck";
    if (!OpenPackage(pck.c_str(), progress ? InstallProgressStep : nullptr)) {
        ClosePackage();
        // A setup without program files is legitimate; an unreadable one is not.
        if (!PathExists(pck.c_str())) return 0;
        Setup.PackageDamaged = 1;
        return -1;
    }
    if (progress) {
        Setup.ProgressCount = 0;
        if (InstallProgress.SetMaximum) InstallProgress.SetMaximum(Package.TotalSize);
    }
    int result = ExtractPackage(Setup.InstallDir, Setup.NoCopyExt);
    ClosePackage();
    if (result != 0) Setup.PackageDamaged = 1;
    return result;
}

}  // namespace wb
