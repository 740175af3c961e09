// Writes the entries of the open Package to disk: folders, stored and compressed files with
// their times, protected extensions; refuses names that leave the target and never lets a
// damaged entry replace a file.
#include "package/extract.h"

#include <cstring>
#include <memory>
#include <new>

#include "contract/contract.h"
#include "package/package_format.h"
#include "package/package_reader.h"
#include "blocks/decompress/block_method.h"
#include "platform/files.h"
#include "platform/text.h"

namespace wb {

namespace {

constexpr uint32_t kCopyChunk = 256 * 1024;

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

// Moves the read position over `count` bytes of the data area without reading them.
bool SkipData(ExtractCursor& c, int64_t count) noexcept {
    if (count < 0 || count > c.FileLength - c.Position) return false;
    c.Position += count;
    return FileSeek(c.File, uint32_t(c.Position));
}

// Opens target + name for writing as the installer does: replace, else truncate.
PlatformFile* OpenTarget(const std::string& path) noexcept {
    PlatformFile* out = FileOpen(path.c_str(), FileAccess::CreateAlways);
    if (!out) out = FileOpen(path.c_str(), FileAccess::TruncateExisting);
    return out;
}

// A target that could not be written; the error is taken before a clean-up overwrites it.
EntryOutcome Failure(ExtractCursor& c) {
    c.Error = FileLastError();
    return EntryOutcome::Failed;
}

// Gives a written file its times and closes it; a close that fails may have lost data, so
// the file goes rather than stay behind incomplete.
EntryOutcome FinishTarget(ExtractCursor& c, UniqueFile& out, const PackageEntry& e,
                          const std::string& path) {
    FileSetTimes(out.get(), e.CreationTime, e.LastWriteTime);
    if (out.close()) return EntryOutcome::Written;
    Failure(c);
    FileDelete(path.c_str());
    return EntryOutcome::Failed;
}

// Removes a target whose writing failed half way.
EntryOutcome AbandonTarget(ExtractCursor& c, UniqueFile& out, const std::string& path,
                           EntryOutcome outcome) {
    if (outcome == EntryOutcome::Failed) Failure(c);
    out.reset();
    FileDelete(path.c_str());
    return outcome;
}

EntryOutcome WriteStored(ExtractCursor& c, const PackageEntry& e, const std::string& path) {
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[kCopyChunk]);
    if (!chunk) {
        SkipData(c, e.PackedSize);
        return EntryOutcome::Failed;
    }
    UniqueFile out(OpenTarget(path));
    if (!out) {
        Failure(c);
        SkipData(c, e.PackedSize);
        return EntryOutcome::Failed;
    }
    uint32_t left = uint32_t(e.PackedSize);
    bool wrote = true;
    while (left > 0) {
        uint32_t n = left < kCopyChunk ? left : kCopyChunk;
        if (!FileRead(c.File, chunk.get(), n)) {
            // The file shrank under us: what was written is incomplete, so it goes.
            c.Position = c.FileLength;
            return AbandonTarget(c, out, path, EntryOutcome::Damaged);
        }
        c.Position += n;
        left -= n;
        // After a failed write the rest is still read, so the next entry starts in step.
        if (wrote && !FileWrite(out.get(), chunk.get(), n)) wrote = false;
    }
    if (!wrote) return AbandonTarget(c, out, path, EntryOutcome::Failed);
    return FinishTarget(c, out, e, path);
}

EntryOutcome WriteCompressed(ExtractCursor& c, const PackageEntry& e, const std::string& path) {
    const size_t size = size_t(e.Size);
    std::unique_ptr<uint8_t[]> data;
    if (!DecodeEntryBlock(c, e, data)) return EntryOutcome::Damaged;

    UniqueFile out(OpenTarget(path));
    if (!out) return Failure(c);
    if (!FileWrite(out.get(), data.get(), uint32_t(size))) {
        return AbandonTarget(c, out, path, EntryOutcome::Failed);
    }
    return FinishTarget(c, out, e, path);
}

// The name an entry gets below the target, or empty when it may not be written at all.
std::string TargetName(const PackageEntry& e, const EntryNameMap& names) {
    if (!IsSafeRelativePath(e.Name)) return std::string();
    if (!names.Map) return e.Name;
    std::string mapped = names.Map(e.Name, names.Context);
    return IsSafeRelativePath(mapped) ? mapped : std::string();
}

// Handles one folder or file entry of ExtractPackage.
EntryOutcome ExtractFile(ExtractCursor& c, const PackageEntry& e, const std::string& target,
                         const std::string& name, const std::string& protectedExts) {
    if (name.empty()) {
        if (!SkipData(c, e.PackedSize)) return EntryOutcome::Damaged;
        return EntryOutcome::Refused;
    }
    const std::string path = target + name;
    if (ExtensionIsProtected(e.Name, protectedExts) && PathExists(path.c_str())) {
        return ExtractEntry(c, e, path, false);
    }
    size_t cut = name.find_last_of("\\/");
    if (cut != std::string::npos) CreateFolderPath(target + name.substr(0, cut + 1));
    return ExtractEntry(c, e, path, true);
}

EntryOutcome ExtractOne(ExtractCursor& c, const PackageEntry& e, const std::string& target,
                        const std::string& protectedExts, const EntryNameMap& names,
                        const EntryReport& report) {
    const std::string name = TargetName(e, names);
    if (e.Kind == int32_t(pck::kKindFolder)) {
        if (name.empty()) return EntryOutcome::Refused;
        CreateFolderPath(target + name);
        return EntryOutcome::Written;
    }
    if (e.Kind != int32_t(pck::kKindFile)) return EntryOutcome::Written;  // no data to consume
    c.Error = 0;
    const EntryOutcome outcome = ExtractFile(c, e, target, name, protectedExts);
    if (report.Report) {
        report.Report(name.empty() ? e.Name : target + name, outcome,
                      outcome == EntryOutcome::Failed ? c.Error : 0, report.Context);
    }
    return outcome;
}

}  // namespace

bool StartCursor(const PackageReader& reader, PlatformFile* file, ExtractCursor& cursor) {
    cursor = ExtractCursor{};
    cursor.File = file;
    cursor.FileLength = FileLength(file);
    // In a signed setup the certificate table follows the Package: never read into it.
    if (reader.End > 0 && reader.End < cursor.FileLength) cursor.FileLength = reader.End;
    cursor.Position = reader.DataStart;
    return cursor.FileLength >= cursor.Position && FileSeek(file, uint32_t(reader.DataStart));
}

bool DecodeEntryBlock(ExtractCursor& c, const PackageEntry& e, std::unique_ptr<uint8_t[]>& out) {
    out.reset();
    const size_t packed = size_t(e.PackedSize);
    const size_t size = size_t(e.Size);
    if (e.PackedSize < 0 || e.PackedSize > c.FileLength - c.Position) {
        c.Position = c.FileLength;
        return false;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[packed]);
    if (!block) {
        SkipData(c, e.PackedSize);
        return false;
    }
    if (!FileRead(c.File, block.get(), uint32_t(packed))) {
        c.Position = c.FileLength;
        return false;
    }
    c.Position += int64_t(packed);
    // Either block method (its first bytes tell which). A header stating another size, or
    // LZMA properties the decoder would refuse, cannot decode to this entry: nothing is
    // allocated for it.
    if (AnyBlockStatedSize(block.get(), packed) != size) return false;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size + pck::kDecodeSlack]());
    if (!data) return false;
    const UnpackResult r = UnpackAnyBlockEx(block.get(), packed, data.get(),
                                            size + pck::kDecodeSlack);
    if (r.status != UnpackStatus::Ok || r.size != size) return false;
    out = std::move(data);
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

EntryOutcome ExtractEntry(ExtractCursor& c, const PackageEntry& e, const std::string& path,
                          bool write) {
    if (!c.File) return EntryOutcome::Damaged;
    if (e.PackedSize < 0 || e.PackedSize > c.FileLength - c.Position) {
        c.Position = c.FileLength;
        return EntryOutcome::Damaged;
    }
    if (!write || e.Size <= 0) {
        // An empty entry should have no data; any it has is consumed to stay in step.
        if (!SkipData(c, e.PackedSize)) return EntryOutcome::Damaged;
        if (!write) return EntryOutcome::Kept;
        UniqueFile out(OpenTarget(path));
        if (!out) return Failure(c);
        return FinishTarget(c, out, e, path);
    }
    if (e.PackedSize == e.Size) return WriteStored(c, e, path);
    return WriteCompressed(c, e, path);
}

ExtractResult ExtractPackage(const PackageReader& reader, const std::string& targetFolder,
                             const std::string& protectedExts, const EntryNameMap& names,
                             const EntryReport& report) {
    ExtractResult result;
    std::string target = targetFolder;
    if (target.empty() || !IsSeparator(target.back())) target += '\\';

    UniqueFile file(FileOpen(reader.Path.c_str(), FileAccess::Read));
    if (!file) return result;
    ExtractCursor cursor;
    if (!StartCursor(reader, file.get(), cursor)) return result;
    result.Opened = true;

    for (const PackageEntry& e : reader.Entries) {
        EntryOutcome outcome = ExtractOne(cursor, e, target, protectedExts, names, report);
        if (outcome == EntryOutcome::Damaged || outcome == EntryOutcome::Refused) ++result.Damaged;
        if (outcome == EntryOutcome::Failed) ++result.Failed;
        if (reader.Progress) reader.Progress(e);
    }
    return result;
}

}  // namespace wb
