// Reads a PE file's security directory and the first entry of its certificate table.
#include "wbpack/publishing/pe_certificate.h"

#include "platform/text.h"

namespace wb {

namespace {

constexpr size_t kLfanewAt = 0x3C;
constexpr size_t kCoffSize = 20;
constexpr size_t kSectionSize = 40;
constexpr size_t kSecurityIndex = 4;
constexpr uint16_t kRevision2 = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr size_t kCertificateHeader = 8;  // length, revision, type

// True when `count` bytes at `at` lie inside `size`, without overflow.
bool Inside(uint64_t at, uint64_t count, size_t size) { return at <= size && count <= size - at; }

}  // namespace

bool CarriesCertificateTable(const uint8_t* data, size_t size) noexcept {
    if (!data || size < kLfanewAt + 4 || data[0] != 'M' || data[1] != 'Z') return false;
    const uint64_t pe = ReadLe32(data + kLfanewAt);
    if (!Inside(pe, 4 + kCoffSize, size) || ReadLe32(data + pe) != 0x00004550) return false;
    const uint8_t* coff = data + pe + 4;
    const uint32_t sections = ReadLe16(coff + 2);
    const uint32_t optionalSize = ReadLe16(coff + 16);
    const uint64_t optionalAt = pe + 4 + kCoffSize;
    if (!Inside(optionalAt, optionalSize, size) || optionalSize < 2) return false;
    const uint8_t* opt = data + optionalAt;
    uint32_t countAt = 0, directoriesAt = 0;
    switch (ReadLe16(opt)) {
        case 0x10B: countAt = 92; directoriesAt = 96; break;    // PE32
        case 0x20B: countAt = 108; directoriesAt = 112; break;  // PE32+
        default: return false;
    }
    if (optionalSize < directoriesAt) return false;
    const uint32_t entries = ReadLe32(opt + countAt);
    if (entries <= kSecurityIndex || uint64_t(directoriesAt) + (kSecurityIndex + 1) * 8 > optionalSize) {
        return false;
    }
    const uint8_t* security = opt + directoriesAt + kSecurityIndex * 8;
    const uint32_t tableAt = ReadLe32(security);  // a file offset, unlike the other directories
    const uint32_t tableSize = ReadLe32(security + 4);
    if (tableAt == 0 || tableSize < kCertificateHeader || !Inside(tableAt, tableSize, size)) {
        return false;
    }
    // The table follows the image: a directory pointing into a section is no signature.
    const uint64_t sectionTable = optionalAt + optionalSize;
    if (!Inside(sectionTable, uint64_t(sections) * kSectionSize, size)) return false;
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* s = data + sectionTable + uint64_t(i) * kSectionSize;
        const uint64_t rawEnd = uint64_t(ReadLe32(s + 20)) + ReadLe32(s + 16);
        if (ReadLe32(s + 16) != 0 && rawEnd > tableAt) return false;
    }
    const uint8_t* entry = data + tableAt;
    const uint32_t length = ReadLe32(entry);
    return length > kCertificateHeader && length <= tableSize && ReadLe16(entry + 4) == kRevision2 &&
           ReadLe16(entry + 6) == kPkcsSignedData && entry[kCertificateHeader] == 0x30;  // DER SEQUENCE
}

}  // namespace wb
