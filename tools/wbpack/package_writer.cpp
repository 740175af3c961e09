// The Package writer of the authoring tool.
#include "wbpack/package_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "package/package_format.h"
#include "wbpack/host_files.h"
#include "wbpack/jc_encoder.h"

namespace wb {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    pck::WriteLe32(b, v);
    out.insert(out.end(), b, b + 4);
}

// Copies a host file of `size` bytes to the sink unchanged.
bool CopyFile(const PackSink& sink, const std::string& path, uint64_t size, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> chunk(kCopyChunk);
    uint64_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        size_t n = left < kCopyChunk ? size_t(left) : kCopyChunk;
        if (std::fread(chunk.data(), 1, n, f) != n) {
            error = path + ": read error or file shrank while packing";
            ok = false;
        } else if (!sink(chunk.data(), n)) {
            error = "write error";
            ok = false;
        }
        left -= n;
    }
    std::fclose(f);
    return ok;
}

}  // namespace

bool WritePackage(const PackSink& sink, uint32_t dataStart, const std::vector<PackInput>& inputs,
                  const PackWriteOptions& options, PackWriteResult& result, std::string& error) {
    result = PackWriteResult{};
    std::vector<uint8_t> dir;
    PutLe32(dir, uint32_t(inputs.size()));
    uint64_t offset = dataStart;
    uint64_t unpacked = 0;

    for (size_t i = 0; i < inputs.size(); ++i) {
        const PackInput& in = inputs[i];
        if (in.Name.find('\0') != std::string::npos) {
            error = "entry name with a NUL byte";
            return false;
        }
        uint32_t size = 0, packed = 0;
        if (in.Kind == pck::kKindFile) {
            std::vector<uint8_t> loaded;
            const std::vector<uint8_t>* data = &in.Data;
            uint64_t length = in.Data.size();
            bool fromFile = !in.SourcePath.empty();
            if (fromFile) {
                HostStat st;
                if (!HostStatPath(in.SourcePath, st) || !st.IsFile) {
                    error = in.SourcePath + ": missing or not a plain file";
                    return false;
                }
                length = st.Size;
            }
            if (length > kMaxFileSize) {
                error = (fromFile ? in.SourcePath : in.Name) + ": file of 2 GiB or more";
                return false;
            }
            size = uint32_t(length);
            if (size > 0 && in.Store && fromFile) {
                if (!CopyFile(sink, in.SourcePath, size, error)) return false;
                packed = size;
            } else if (size > 0) {
                if (fromFile) {
                    if (!ReadWholeFile(in.SourcePath, loaded, error)) return false;
                    if (loaded.size() != size) {
                        error = in.SourcePath + ": file changed while packing";
                        return false;
                    }
                    data = &loaded;
                }
                if (in.Store) {
                    if (!sink(data->data(), size)) {
                        error = "write error";
                        return false;
                    }
                    packed = size;
                } else {
                    std::vector<uint8_t> block = PackBlock(data->data(), size, options.Level);
                    // Equal sizes would make the reader take the block for stored bytes.
                    if (block.size() == size || block.size() > kMaxFileSize) {
                        error = in.Name + ": the encoder produced a block of the file's own size";
                        return false;
                    }
                    if (!sink(block.data(), block.size())) {
                        error = "write error";
                        return false;
                    }
                    packed = uint32_t(block.size());
                }
            }
        } else if (in.Kind != pck::kKindFolder) {
            error = in.Name + ": unknown entry kind";
            return false;
        }

        dir.insert(dir.end(), in.Name.begin(), in.Name.end());
        dir.push_back(0);
        bool file = in.Kind == pck::kKindFile;
        PutLe32(dir, in.Kind);
        PutLe32(dir, size);
        PutLe32(dir, packed);
        PutLe32(dir, file ? uint32_t(offset) : 0);
        uint64_t created = file ? in.CreationTime : 0;
        uint64_t written = file ? in.LastWriteTime : 0;
        PutLe32(dir, uint32_t(created));
        PutLe32(dir, uint32_t(created >> 32));
        PutLe32(dir, uint32_t(written));
        PutLe32(dir, uint32_t(written >> 32));
        offset += packed;
        unpacked += size;
        if (offset > uint64_t(pck::kMaxPackageLength) || unpacked > uint64_t(INT32_MAX)) {
            error = "the Package would reach 2 GiB";
            return false;
        }
        if (options.Progress) options.Progress(i + 1, inputs.size());
    }

    if (dir.size() > pck::kMaxDirectorySize) {
        error = "the Package directory is too large";
        return false;
    }
    std::vector<uint8_t> block;
    if (options.StoreDirectory) {
        block = dir;
    } else {
        block = PackBlock(dir.data(), dir.size(), options.Level);
        if (block.size() == dir.size()) {
            error = "the encoder produced a directory block of the directory's own size";
            return false;
        }
    }
    std::vector<uint8_t> tail = block;
    PutLe32(tail, uint32_t(dir.size()));
    PutLe32(tail, uint32_t(block.size()));
    PutLe32(tail, dataStart);
    tail.insert(tail.end(), pck::kMagic, pck::kMagic + 4);
    if (offset + tail.size() > uint64_t(pck::kMaxPackageLength)) {
        error = "the Package would reach 2 GiB";
        return false;
    }
    if (!sink(tail.data(), tail.size())) {
        error = "write error";
        return false;
    }
    result.Length = offset + tail.size() - dataStart;
    result.DataBytes = offset - dataStart;
    result.UnpackedBytes = unpacked;
    return true;
}

bool BuildPackage(const std::vector<PackInput>& inputs, const PackWriteOptions& options,
                  std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    PackSink sink = [&out](const uint8_t* data, size_t size) {
        out.insert(out.end(), data, data + size);
        return true;
    };
    PackWriteResult result;
    if (!WritePackage(sink, 0, inputs, options, result, error)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace wb
