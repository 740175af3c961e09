// Reads Package images for the list and verify commands.
#include "wbpack/inspection/inspect.h"

#include "contract/contract.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "blocks/decompress/block_method.h"
#include "blocks/decompress/unpack_block.h"

namespace wb {

namespace {

const char* StatusText(UnpackStatus s) {
    switch (s) {
        case UnpackStatus::Ok: return "ok";
        case UnpackStatus::NoInput: return "block shorter than its header";
        case UnpackStatus::BadMagic: return "block does not begin with JC or LZ";
        case UnpackStatus::Truncated: return "block ends before its end code";
        case UnpackStatus::OutputFull: return "block unpacks to more than the entry's size";
        case UnpackStatus::DistanceZero: return "block copies from distance 0";
        case UnpackStatus::DistanceTooFar: return "block copies from before its start";
        case UnpackStatus::BadOffsetBits: return "block sets an invalid offset width";
        case UnpackStatus::LiteralBeforeWidth: return "block has a literal before its width";
        case UnpackStatus::ChecksumMismatch: return "checksum mismatch";
        case UnpackStatus::SizeMismatch: return "block unpacks to another size";
        case UnpackStatus::BadProperties: return "LZMA block with an unknown filter or invalid properties";
        case UnpackStatus::StreamDamaged: return "LZMA stream does not decode";
    }
    return "block does not decode";
}

}  // namespace

bool ReadPackageImage(const uint8_t* data, size_t size, PackageImage& image,
                      std::string& error, PackageHost host) {
    image = PackageImage{};
    if (size < pck::kTrailerSize) {
        error = "not a Package (shorter than its trailer)";
        return false;
    }
    if (size > size_t(pck::kMaxPackageLength)) {
        error = "file of 2 GiB or more";
        return false;
    }
    PackageLocation& where = image.Location;
    if (!LocatePackageInMemory(data, size, host, where)) {
        PackageLocation bare;
        if (host == PackageHost::Setup &&
            LocatePackageInMemory(data, size, PackageHost::Standalone, bare) &&
            bare.Trailer.DataStart == 0) {
            where = bare;
        } else {
            const uint8_t* tail = data + size - pck::kTrailerSize;
            bool magic = tail[12] == 'P' && tail[13] == 'a' && tail[14] == 'c' && tail[15] == 'k';
            error = magic ? "damaged Package trailer"
                          : "not a Package (no \"Pack\" trailer where the installer looks for it)";
            return false;
        }
    }
    image.Trailer = where.Trailer;
    const size_t end = size_t(where.End);
    size_t blockPos = end - pck::kTrailerSize - image.Trailer.PackedSize;
    if (!ParsePackageDirectory(data + blockPos, image.Trailer.PackedSize, image.Trailer,
                               where.End, image.Entries, image.TotalSize)) {
        error = "damaged Package directory";
        return false;
    }
    uint32_t pos = image.Trailer.DataStart;
    for (const PackageEntry& e : image.Entries) {
        image.Positions.push_back(pos);
        if (e.Kind == int32_t(pck::kKindFile)) pos += uint32_t(e.PackedSize);
    }
    return true;
}

bool EntryContents(const uint8_t* data, size_t size, const PackageImage& image, size_t index,
                   std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    const PackageEntry& e = image.Entries[index];
    const size_t pos = image.Positions[index];
    // ReadPackageImage made sure every file entry's data lies inside the image.
    if (e.Kind != int32_t(pck::kKindFile) || pos > size || size_t(e.PackedSize) > size - pos) {
        error = "no data";
        return false;
    }
    const uint8_t* p = data + pos;
    if (e.Size == 0) return true;
    if (e.PackedSize == e.Size) {
        out.assign(p, p + e.PackedSize);
        return true;
    }
    out.assign(size_t(e.Size) + pck::kDecodeSlack, 0);
    UnpackResult r = UnpackAnyBlockEx(p, size_t(e.PackedSize), out.data(), out.size());
    if (r.status != UnpackStatus::Ok || r.size != uint32_t(e.Size)) {
        error = r.status != UnpackStatus::Ok ? StatusText(r.status)
                                             : "block unpacks to another size";
        out.clear();
        return false;
    }
    out.resize(size_t(e.Size));
    return true;
}

StubArch ReadStubArch(const uint8_t* data, size_t size) noexcept {
    // "MZ", the PE header's offset at 0x3C, then "PE\0\0" and the 16-bit machine number.
    if (size < 0x40 || data[0] != 'M' || data[1] != 'Z') return StubArch::Unknown;
    uint32_t pe = pck::ReadLe32(data + 0x3C);
    if (pe > size || size - pe < 6) return StubArch::Unknown;
    const uint8_t* h = data + pe;
    if (h[0] != 'P' || h[1] != 'E' || h[2] != 0 || h[3] != 0) return StubArch::Unknown;
    uint32_t machine = ReadLe16(h + 4);
    if (machine == 0x014C) return StubArch::X86;
    if (machine == 0x8664) return StubArch::X64;
    return StubArch::Unknown;
}

const char* StubArchName(StubArch arch) noexcept {
    switch (arch) {
        case StubArch::X86: return "x86";
        case StubArch::X64: return "x64";
        case StubArch::Unknown: break;
    }
    return "unknown";
}

bool ParseStubArch(const std::string& text, StubArch& arch) noexcept {
    if (text == "x86") arch = StubArch::X86;
    else if (text == "x64") arch = StubArch::X64;
    else return false;
    return true;
}

std::string StubSizeText(const PackageLocation& where) {
    const uint32_t start = where.Trailer.DataStart;
    if (where.ImageEnd == 0 || where.ImageEnd >= start) return std::to_string(start) + " bytes)";
    return std::to_string(where.ImageEnd) + " bytes), " +
           std::to_string(start - where.ImageEnd) + " bytes of padding";
}

std::string SignatureText(const PackageLocation& where) {
    if (!where.Signed) return ", not signed";
    return ", signed: certificate table at " + std::to_string(where.TableOffset) + ", " +
           std::to_string(where.TableSize) +
           " bytes (the certificate is judged by osslsigncode verify or Windows)";
}

bool OpenPackageAsTool(const std::string& path, PackageHost host) {
    if (OpenPackage(path.c_str(), nullptr, host)) return true;
    if (host == PackageHost::Standalone) return false;
    return OpenPackage(path.c_str(), nullptr, PackageHost::Standalone) && Package.DataStart == 0;
}

long FindInnerPackage(const PackageImage& image) {
    for (size_t i = 0; i < image.Entries.size(); ++i) {
        const PackageEntry& e = image.Entries[i];
        if (e.Kind == int32_t(pck::kKindFile) && e.Name == "setup.pck") return long(i);
    }
    return -1;
}

std::vector<std::string> VerifyPackageImage(const uint8_t* data, size_t size, bool inner) {
    std::vector<std::string> problems;
    PackageImage image;
    std::string error;
    if (!ReadPackageImage(data, size, image, error,
                          inner ? PackageHost::Standalone : PackageHost::Setup)) {
        problems.push_back(error);
        return problems;
    }
    if (inner && image.Trailer.DataStart != 0) {
        problems.push_back("data start is not 0 in a standalone Package");
    }
    uint64_t pos = image.Trailer.DataStart;
    for (size_t i = 0; i < image.Entries.size(); ++i) {
        const PackageEntry& e = image.Entries[i];
        const std::string where = "entry \"" + e.Name + "\": ";
        if (!IsSafeRelativePath(e.Name)) problems.push_back(where + "name leads outside the target");
        if (e.Kind == int32_t(pck::kKindFolder)) {
            if (e.Size || e.PackedSize || e.DataOffset || e.CreationTime || e.LastWriteTime) {
                problems.push_back(where + "folder entry with non-zero numbers");
            }
            if (e.Name.empty() || e.Name.back() != '\\') {
                problems.push_back(where + "folder name does not end in \\");
            }
            continue;
        }
        if (e.Kind != int32_t(pck::kKindFile)) {
            problems.push_back(where + "unknown entry kind " + std::to_string(e.Kind));
            continue;
        }
        if (uint64_t(uint32_t(e.DataOffset)) != pos) {
            problems.push_back(where + "data offset " + std::to_string(e.DataOffset) +
                               " where its data lies at " + std::to_string(pos));
        }
        pos += uint32_t(e.PackedSize);
        if (e.Size == 0 && e.PackedSize != 0) {
            problems.push_back(where + "empty file with packed bytes");
            continue;
        }
        std::vector<uint8_t> contents;
        if (!EntryContents(data, size, image, i, contents, error)) {
            problems.push_back(where + error);
            continue;
        }
        if (!inner && e.Name == "setup.pck") {
            for (const std::string& p :
                 VerifyPackageImage(contents.data(), contents.size(), true)) {
                problems.push_back("setup.pck: " + p);
            }
        }
    }
    uint64_t directoryPos =
        uint64_t(image.Location.End) - pck::kTrailerSize - image.Trailer.PackedSize;
    if (pos != directoryPos) {
        problems.push_back("data area ends at " + std::to_string(pos) +
                           " but the directory begins at " + std::to_string(directoryPos));
    }
    return problems;
}

}  // namespace wb
