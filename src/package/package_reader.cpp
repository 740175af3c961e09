// Loads a Package directory, checking every number read from the file before it becomes a
// position or a size.
#include "package/package_reader.h"

#include <cstring>
#include <memory>
#include <new>

#include "package/package_format.h"
#include "package/package_locator.h"
#include "blocks/decompress/unpack_block.h"
#include "platform/files.h"

namespace wb {

PackageReader Package;

bool ParsePackageTrailer(const uint8_t* trailer, size_t length, int64_t fileLength,
                         PackageTrailer& out) noexcept {
    if (!trailer || length < pck::kTrailerSize) return false;
    if (fileLength < int64_t(pck::kTrailerSize) || fileLength > pck::kMaxPackageLength) {
        return false;
    }
    if (std::memcmp(trailer + pck::kTrailerMagic, pck::kMagic, 4) != 0) return false;
    PackageTrailer t;
    t.DirectorySize = pck::ReadLe32(trailer + pck::kTrailerDirSize);
    t.PackedSize = pck::ReadLe32(trailer + pck::kTrailerPackedSize);
    t.DataStart = pck::ReadLe32(trailer + pck::kTrailerDataStart);
    // Room in front of the trailer: the directory block, and before it the data area.
    int64_t room = fileLength - int64_t(pck::kTrailerSize);
    if (int64_t(t.PackedSize) > room) return false;
    room -= t.PackedSize;
    if (int64_t(t.DataStart) > room) return false;
    if (t.DirectorySize < pck::kCountSize || t.DirectorySize > pck::kMaxDirectorySize) {
        return false;
    }
    out = t;
    return true;
}

namespace {

// Parses N records out of a directory of exactly `size` bytes.
bool ParseRecords(const uint8_t* dir, size_t size, const PackageTrailer& trailer,
                  int64_t fileLength, std::vector<PackageEntry>& entries, int32_t& totalSize) {
    const uint8_t* p = dir;
    const uint8_t* end = dir + size;
    uint32_t count = pck::ReadLe32(p);
    p += pck::kCountSize;
    if (count > size_t(end - p) / pck::kMinRecordSize) return false;
    entries.reserve(count);

    int64_t total = 0;
    // Bytes the file entries occupy after the data start, up to the directory block.
    const int64_t dataRoom = fileLength - int64_t(pck::kTrailerSize) -
                             int64_t(trailer.PackedSize) - int64_t(trailer.DataStart);
    int64_t dataUsed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const void* nul = std::memchr(p, 0, size_t(end - p));
        if (!nul) return false;
        size_t nameLength = size_t(static_cast<const uint8_t*>(nul) - p);
        if (pck::kRecordNumbersSize + 1 > size_t(end - p) - nameLength) return false;
        PackageEntry e;
        e.Name.assign(reinterpret_cast<const char*>(p), nameLength);
        p += nameLength + 1;
        uint32_t n[8];
        for (uint32_t& v : n) {
            v = pck::ReadLe32(p);
            p += 4;
        }
        e.Kind = int32_t(n[0]);
        e.Size = int32_t(n[1]);
        e.PackedSize = int32_t(n[2]);
        e.DataOffset = int32_t(n[3]);
        e.CreationTime = uint64_t(n[4]) | uint64_t(n[5]) << 32;
        e.LastWriteTime = uint64_t(n[6]) | uint64_t(n[7]) << 32;
        if (e.Kind == int32_t(pck::kKindFile)) {
            if (e.Size < 0 || e.PackedSize < 0) return false;
            if (e.PackedSize > dataRoom - dataUsed) return false;
            dataUsed += e.PackedSize;
        }
        total += e.Size;
        if (total > INT32_MAX || total < INT32_MIN) return false;
        entries.push_back(std::move(e));
    }
    totalSize = int32_t(total);
    return true;
}

}  // namespace

bool ParsePackageDirectory(const uint8_t* block, size_t length, const PackageTrailer& trailer,
                           int64_t fileLength, std::vector<PackageEntry>& entries,
                           int32_t& totalSize) {
    entries.clear();
    totalSize = 0;
    const uint32_t u = trailer.DirectorySize;
    if (!block || length != trailer.PackedSize) return false;
    if (u < pck::kCountSize || u > pck::kMaxDirectorySize) return false;

    bool ok;
    if (trailer.PackedSize == u) {
        ok = ParseRecords(block, u, trailer, fileLength, entries, totalSize);
    } else {
        // A header that states another size cannot unpack to U; no need to allocate.
        if (BlockStatedSize(block, length) != u) return false;
        std::unique_ptr<uint8_t[]> dir(new (std::nothrow) uint8_t[u + pck::kDecodeSlack]());
        if (!dir) return false;
        ok = UnpackBlock(block, length, dir.get(), u + pck::kDecodeSlack) == u &&
             ParseRecords(dir.get(), u, trailer, fileLength, entries, totalSize);
    }
    if (!ok) {
        entries.clear();
        entries.shrink_to_fit();
        totalSize = 0;
    }
    return ok;
}

namespace {

bool ReadFileAt(const void* context, uint32_t position, void* into, uint32_t count) {
    PlatformFile* file = static_cast<PlatformFile*>(const_cast<void*>(context));
    return FileSeek(file, position) && FileRead(file, into, count);
}

}  // namespace

int OpenPackage(const char* path, PackageProgress progress, PackageHost host) noexcept {
    Package.Entries.clear();
    Package.Entries.shrink_to_fit();
    Package.TotalSize = 0;
    Package.DirectorySize = 0;
    Package.DataStart = 0;
    Package.End = 0;
    Package.Path = path ? path : "";
    Package.Progress = progress;
    if (!path) return 0;

    int64_t length = PathLength(path);
    if (length < int64_t(pck::kTrailerSize) || length > pck::kMaxPackageLength) return 0;
    UniqueFile file(FileOpen(path, FileAccess::Read));
    if (!file) return 0;
    // The file may have changed since PathLength; trust only the open handle.
    if (FileLength(file.get()) != length) return 0;

    ByteSource source;
    source.Read = ReadFileAt;
    source.Context = file.get();
    source.Length = length;
    PackageLocation where;
    if (!LocatePackage(source, host, where)) return 0;
    const PackageTrailer& trailer = where.Trailer;

    const uint32_t blockPos = uint32_t(where.End - int64_t(pck::kTrailerSize) - trailer.PackedSize);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[trailer.PackedSize + 1]);
    if (!block || !FileSeek(file.get(), blockPos) ||
        !FileRead(file.get(), block.get(), trailer.PackedSize)) {
        return 0;
    }
    file.reset();

    int32_t total = 0;
    if (!ParsePackageDirectory(block.get(), trailer.PackedSize, trailer, where.End,
                               Package.Entries, total)) {
        return 0;
    }
    Package.DirectorySize = int32_t(trailer.DirectorySize);
    Package.DataStart = int32_t(trailer.DataStart);
    Package.End = where.End;
    Package.TotalSize = total;
    return 1;
}

void ClosePackage() noexcept { Package.Progress = nullptr; }

}  // namespace wb
