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

// Why writing stopped: an input could not be packed (`error` says why), or the sink failed.
enum class WriteStep : uint8_t { Ok, InputFailed, SinkFailed };

// Copies a host file of `size` bytes to the sink unchanged.
WriteStep CopyFile(const PackSink& sink, const std::string& path, uint64_t size,
                   std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": cannot open: " + std::strerror(errno);
        return WriteStep::InputFailed;
    }
    std::vector<uint8_t> chunk(kCopyChunk);
    uint64_t left = size;
    WriteStep step = WriteStep::Ok;
    while (step == WriteStep::Ok && left > 0) {
        size_t n = left < kCopyChunk ? size_t(left) : kCopyChunk;
        if (std::fread(chunk.data(), 1, n, f) != n) {
            error = path + ": read error or file shrank while packing";
            step = WriteStep::InputFailed;
        } else if (!sink(chunk.data(), n)) {
            step = WriteStep::SinkFailed;
        }
        left -= n;
    }
    std::fclose(f);
    return step;
}

// The data of one file entry: its bytes as they are or as one JC block. Sets the entry's
// size and packed size.
WriteStep WriteFileData(const PackSink& sink, const PackInput& in, int level, uint32_t& size,
                        uint32_t& packed, std::string& error) {
    size = packed = 0;
    std::vector<uint8_t> loaded;
    const std::vector<uint8_t>* data = &in.Data;
    uint64_t length = in.Data.size();
    const bool fromFile = !in.SourcePath.empty();
    if (fromFile) {
        HostStat st;
        if (!HostStatPath(in.SourcePath, st) || !st.IsFile) {
            error = in.SourcePath + ": missing or not a plain file";
            return WriteStep::InputFailed;
        }
        length = st.Size;
    }
    if (length > kMaxFileSize) {
        error = (fromFile ? in.SourcePath : in.Name) + ": file of 2 GiB or more";
        return WriteStep::InputFailed;
    }
    size = uint32_t(length);
    if (size == 0) return WriteStep::Ok;
    if (in.Store && fromFile) {
        packed = size;
        return CopyFile(sink, in.SourcePath, size, error);
    }
    if (fromFile) {
        if (!ReadWholeFile(in.SourcePath, loaded, error)) return WriteStep::InputFailed;
        if (loaded.size() != size) {
            error = in.SourcePath + ": file changed while packing";
            return WriteStep::InputFailed;
        }
        data = &loaded;
    }
    if (in.Store) {
        packed = size;
        return sink(data->data(), size) ? WriteStep::Ok : WriteStep::SinkFailed;
    }
    std::vector<uint8_t> block = PackBlock(data->data(), size, level);
    // Equal sizes would make the reader take the block for stored bytes.
    if (block.size() == size || block.size() > kMaxFileSize) {
        error = in.Name + ": the encoder produced a block of the file's own size";
        return WriteStep::InputFailed;
    }
    packed = uint32_t(block.size());
    return sink(block.data(), block.size()) ? WriteStep::Ok : WriteStep::SinkFailed;
}

// One directory record: name, NUL, then kind, size, packed size, offset and the two times.
void AppendRecord(std::vector<uint8_t>& dir, const PackInput& in, uint32_t size, uint32_t packed,
                  uint64_t offset) {
    dir.insert(dir.end(), in.Name.begin(), in.Name.end());
    dir.push_back(0);
    const bool file = in.Kind == pck::kKindFile;
    PutLe32(dir, in.Kind);
    PutLe32(dir, size);
    PutLe32(dir, packed);
    PutLe32(dir, file ? uint32_t(offset) : 0);
    const uint64_t created = file ? in.CreationTime : 0;
    const uint64_t written = file ? in.LastWriteTime : 0;
    PutLe32(dir, uint32_t(created));
    PutLe32(dir, uint32_t(created >> 32));
    PutLe32(dir, uint32_t(written));
    PutLe32(dir, uint32_t(written >> 32));
}

// The directory block and the trailer behind a data area that ends at `offset`.
WriteStep WriteDirectoryAndTrailer(const PackSink& sink, const std::vector<uint8_t>& dir,
                                   uint32_t dataStart, uint64_t offset,
                                   const PackWriteOptions& options, uint64_t& tailSize,
                                   std::string& error) {
    if (dir.size() > pck::kMaxDirectorySize) {
        error = "the Package directory is too large";
        return WriteStep::InputFailed;
    }
    std::vector<uint8_t> block;
    if (options.StoreDirectory) {
        block = dir;
    } else {
        block = PackBlock(dir.data(), dir.size(), options.Level);
        if (block.size() == dir.size()) {
            error = "the encoder produced a directory block of the directory's own size";
            return WriteStep::InputFailed;
        }
    }
    std::vector<uint8_t> tail = std::move(block);
    const size_t blockSize = tail.size();
    PutLe32(tail, uint32_t(dir.size()));
    PutLe32(tail, uint32_t(blockSize));
    PutLe32(tail, dataStart);
    tail.insert(tail.end(), pck::kMagic, pck::kMagic + 4);
    if (offset + tail.size() > uint64_t(pck::kMaxPackageLength)) {
        error = "the Package would reach 2 GiB";
        return WriteStep::InputFailed;
    }
    tailSize = tail.size();
    return sink(tail.data(), tail.size()) ? WriteStep::Ok : WriteStep::SinkFailed;
}

bool Stop(WriteStep step, PackWriteResult& result) {
    result.SinkFailed = step == WriteStep::SinkFailed;
    return false;
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
            WriteStep step = WriteFileData(sink, in, options.Level, size, packed, error);
            if (step != WriteStep::Ok) return Stop(step, result);
        } else if (in.Kind != pck::kKindFolder) {
            error = in.Name + ": unknown entry kind";
            return false;
        }
        AppendRecord(dir, in, size, packed, offset);
        offset += packed;
        unpacked += size;
        if (offset > uint64_t(pck::kMaxPackageLength) || unpacked > uint64_t(INT32_MAX)) {
            error = "the Package would reach 2 GiB";
            return false;
        }
        if (options.Progress) options.Progress(i + 1, inputs.size());
    }

    uint64_t tailSize = 0;
    WriteStep step = WriteDirectoryAndTrailer(sink, dir, dataStart, offset, options, tailSize, error);
    if (step != WriteStep::Ok) return Stop(step, result);
    result.Length = offset + tailSize - dataStart;
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
