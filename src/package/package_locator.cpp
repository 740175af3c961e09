// Finds the Package of a file, reading the PE headers of a setup as untrusted input: every
// number is checked against the file before it becomes a position.
#include "package/package_locator.h"

#include <cstring>

#include "package/package_format.h"
#include "platform/text.h"

namespace wb {

namespace {

// PE/COFF layout (Microsoft PE format documentation).
constexpr uint32_t kDosHeaderSize = 0x40;
constexpr uint32_t kLfanewAt = 0x3C;
constexpr uint32_t kPeSignatureSize = 4;
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint32_t kCoffSectionCountAt = 2;       // within the COFF header
constexpr uint32_t kCoffOptionalSizeAt = 16;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSizeOfHeadersAt = 60;         // within the optional header, both kinds
constexpr uint32_t kDirectoryEntrySize = 8;
constexpr uint32_t kSecurityEntry = 4;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSectionRawSizeAt = 16;
constexpr uint32_t kSectionRawPointerAt = 20;
// Signing tools align the certificate table to 8 bytes with zeros.
constexpr uint32_t kMaxTablePadding = 7;

bool ReadAt(const ByteSource& f, uint64_t position, void* into, uint32_t count) {
    if (position > uint64_t(f.Length) || count > uint64_t(f.Length) - position) return false;
    return f.Read(f.Context, uint32_t(position), into, count);
}

// Where the executable image ends: its headers and the raw data of its sections.
bool ImageEnd(const ByteSource& f, uint64_t sectionTable, uint32_t sections,
              uint32_t sizeOfHeaders, uint64_t& end) {
    end = sizeOfHeaders;
    for (uint32_t i = 0; i < sections; ++i) {
        uint8_t s[kSectionHeaderSize];
        if (!ReadAt(f, sectionTable + uint64_t(i) * kSectionHeaderSize, s, sizeof s)) return false;
        const uint32_t rawSize = ReadLe32(s + kSectionRawSizeAt);
        const uint32_t rawPointer = ReadLe32(s + kSectionRawPointerAt);
        if (rawSize == 0) continue;
        const uint64_t sectionEnd = uint64_t(rawPointer) + rawSize;
        if (sectionEnd > end) end = sectionEnd;
    }
    return true;
}

// Reads and checks the trailer of a Package that ends at `end`.
bool TrailerAt(const ByteSource& f, int64_t end, PackageLocation& out) {
    uint8_t tail[pck::kTrailerSize];
    if (end < int64_t(pck::kTrailerSize) ||
        !ReadAt(f, uint64_t(end) - pck::kTrailerSize, tail, sizeof tail) ||
        !ParsePackageTrailer(tail, sizeof tail, end, out.Trailer)) {
        return false;
    }
    out.End = end;
    return true;
}

bool ReadMemory(const void* context, uint32_t position, void* into, uint32_t count) {
    std::memcpy(into, static_cast<const uint8_t*>(context) + position, count);
    return true;
}

ByteSource MemorySource(const uint8_t* data, size_t size) {
    ByteSource source;
    source.Read = ReadMemory;
    source.Context = data;
    source.Length = int64_t(size);
    return source;
}

}  // namespace

PeKind ReadPe(const ByteSource& f, PeFacts& facts) noexcept {
    facts = PeFacts{};
    uint8_t mz[2];
    if (!ReadAt(f, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z') return PeKind::NotPe;
    uint8_t dos[kDosHeaderSize];
    if (!ReadAt(f, 0, dos, sizeof dos)) return PeKind::Inconsistent;
    const uint64_t pe = ReadLe32(dos + kLfanewAt);
    uint8_t head[kPeSignatureSize + kCoffHeaderSize];
    if (!ReadAt(f, pe, head, sizeof head)) return PeKind::Inconsistent;
    if (std::memcmp(head, "PE\0\0", kPeSignatureSize) != 0) return PeKind::Inconsistent;
    const uint8_t* coff = head + kPeSignatureSize;
    const uint32_t sections = ReadLe16(coff + kCoffSectionCountAt);
    const uint32_t optionalSize = ReadLe16(coff + kCoffOptionalSizeAt);
    const uint64_t optionalAt = pe + sizeof head;

    // The largest optional header we look into: PE32+ up to its directory count.
    uint8_t opt[112] = {};
    if (optionalSize < 2) return PeKind::Inconsistent;
    const uint32_t take = optionalSize < sizeof opt ? optionalSize : uint32_t(sizeof opt);
    if (!ReadAt(f, optionalAt, opt, take)) return PeKind::Inconsistent;
    // The whole optional header and the section table must lie inside the file.
    const uint64_t sectionTable = optionalAt + optionalSize;
    if (sectionTable > uint64_t(f.Length) ||
        uint64_t(sections) * kSectionHeaderSize > uint64_t(f.Length) - sectionTable) {
        return PeKind::Inconsistent;
    }
    uint32_t countAt, directoriesAt;
    switch (ReadLe16(opt)) {
        case kMagicPe32: countAt = 92; directoriesAt = 96; break;
        case kMagicPe32Plus: countAt = 108; directoriesAt = 112; break;
        default: return PeKind::Inconsistent;
    }
    if (optionalSize < directoriesAt) return PeKind::Inconsistent;
    const uint32_t entries = ReadLe32(opt + countAt);
    if (entries > (optionalSize - directoriesAt) / kDirectoryEntrySize) return PeKind::Inconsistent;
    if (!ImageEnd(f, sectionTable, sections, ReadLe32(opt + kSizeOfHeadersAt), facts.ImageEnd)) {
        return PeKind::Inconsistent;
    }
    if (entries <= kSecurityEntry) return PeKind::Unsigned;

    uint8_t security[kDirectoryEntrySize];
    if (!ReadAt(f, optionalAt + directoriesAt + kSecurityEntry * kDirectoryEntrySize, security,
                sizeof security)) {
        return PeKind::Inconsistent;
    }
    facts.TableOffset = ReadLe32(security);
    facts.TableSize = ReadLe32(security + 4);
    if (facts.TableOffset == 0 && facts.TableSize == 0) return PeKind::Unsigned;
    if (facts.TableOffset == 0 || facts.TableSize == 0) return PeKind::Inconsistent;
    // The table follows the image; offset + size is formed in 64 bits, so no wrap.
    if (facts.TableOffset < facts.ImageEnd || facts.TableOffset > uint64_t(f.Length) ||
        facts.TableSize > uint64_t(f.Length) - facts.TableOffset) {
        return PeKind::Inconsistent;
    }
    return PeKind::Signed;
}

bool LocatePackage(const ByteSource& file, PackageHost host, PackageLocation& out) noexcept {
    out = PackageLocation{};
    if (!file.Read || file.Length < 0) return false;
    if (host == PackageHost::Standalone) return TrailerAt(file, file.Length, out);

    PeFacts pe;
    switch (ReadPe(file, pe)) {
        case PeKind::NotPe: return TrailerAt(file, file.Length, out);
        case PeKind::Unsigned:
            if (!TrailerAt(file, file.Length, out)) return false;
            out.ImageEnd = pe.ImageEnd;
            return true;
        case PeKind::Inconsistent: return false;
        case PeKind::Signed: break;
    }
    // Only zeros may stand between the trailer and the table, at most seven of them; the
    // trailer's last byte ("k") is never zero, so the padding is found unambiguously.
    uint8_t gap[kMaxTablePadding + 1];
    const uint32_t look = pe.TableOffset < sizeof gap ? pe.TableOffset : uint32_t(sizeof gap);
    if (!ReadAt(file, pe.TableOffset - look, gap, look)) return false;
    uint32_t zeros = 0;
    while (zeros < look && gap[look - 1 - zeros] == 0) ++zeros;
    if (zeros > kMaxTablePadding) return false;
    if (!TrailerAt(file, int64_t(pe.TableOffset) - zeros, out)) return false;
    // The Package's data may not reach back into the signed program image.
    if (out.Trailer.DataStart < pe.ImageEnd) {
        out = PackageLocation{};
        return false;
    }
    out.Signed = true;
    out.TableOffset = pe.TableOffset;
    out.TableSize = pe.TableSize;
    out.ImageEnd = pe.ImageEnd;
    return true;
}

bool LocatePackageInMemory(const uint8_t* data, size_t size, PackageHost host,
                           PackageLocation& out) noexcept {
    out = PackageLocation{};
    if (!data || size > size_t(pck::kMaxPackageLength)) return false;
    return LocatePackage(MemorySource(data, size), host, out);
}

PeKind ReadPeInMemory(const uint8_t* data, size_t size, PeFacts& facts) noexcept {
    facts = PeFacts{};
    if (!data || size > size_t(pck::kMaxPackageLength)) return PeKind::NotPe;
    return ReadPe(MemorySource(data, size), facts);
}

}  // namespace wb
