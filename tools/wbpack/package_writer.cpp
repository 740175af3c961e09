// The Package writer of the authoring tool.
#include "wbpack/package_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "package/package_format.h"
#include "blocks/compress/block_encoder.h"
#include "wbpack/host_files.h"
#include "blocks/compress/jc_encoder.h"
#include "blocks/compress/ordered_jobs.h"

namespace wb {

namespace {

constexpr size_t kCopyChunk = 1 << 20;
// The most file bytes the compressing threads hold ahead of the writer (one larger file
// is still taken alone).
constexpr uint64_t kBlockBudget = 256ull << 20;

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

// The data of one file entry: its bytes as they are or as one block of `method`. Sets the
// entry's size and packed size. A block is compressed with up to `threads` threads.
WriteStep WriteFileData(const PackSink& sink, const PackInput& in, int level, BlockMethod method,
                        unsigned threads, uint32_t& size, uint32_t& packed, std::string& error) {
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
    std::vector<uint8_t> block = PackEntryBlock(data->data(), size, level, method, threads);
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

// An entry's data as written: its sizes and, while a padded Package is assembled, its
// bytes (or, for a stored host file, nothing: it is copied when the gap is known).
struct EntryData {
    uint32_t Size = 0;
    uint32_t Packed = 0;
    std::vector<uint8_t> Bytes;
    bool CopyLater = false;
};

// The unpacked directory for a data area starting at `dataStart`.
std::vector<uint8_t> MakeDirectory(const std::vector<PackInput>& inputs,
                                   const std::vector<EntryData>& data, uint64_t dataStart) {
    std::vector<uint8_t> dir;
    PutLe32(dir, uint32_t(inputs.size()));
    uint64_t offset = dataStart;
    for (size_t i = 0; i < inputs.size(); ++i) {
        AppendRecord(dir, inputs[i], data[i].Size, data[i].Packed, offset);
        offset += data[i].Packed;
    }
    return dir;
}

// The directory block and the trailer behind a data area that ends at `offset`.
bool MakeTail(const std::vector<uint8_t>& dir, uint32_t dataStart, uint64_t offset, int level,
              bool storeDirectory, std::vector<uint8_t>& tail, std::string& error) {
    if (dir.size() > pck::kMaxDirectorySize) {
        error = "the Package directory is too large";
        return false;
    }
    if (storeDirectory) {
        tail = dir;
    } else {
        tail = PackBlock(dir.data(), dir.size(), level);
        if (tail.size() == dir.size()) {
            error = "the encoder produced a directory block of the directory's own size";
            return false;
        }
    }
    const size_t blockSize = tail.size();
    PutLe32(tail, uint32_t(dir.size()));
    PutLe32(tail, uint32_t(blockSize));
    PutLe32(tail, dataStart);
    tail.insert(tail.end(), pck::kMagic, pck::kMagic + 4);
    if (offset + tail.size() > uint64_t(pck::kMaxPackageLength)) {
        error = "the Package would reach 2 GiB";
        return false;
    }
    return true;
}

bool Stop(WriteStep step, PackWriteResult& result) {
    result.SinkFailed = step == WriteStep::SinkFailed;
    return false;
}

// A compressed entry's data as its job left it, until the writer takes it.
struct BlockResult {
    WriteStep Step = WriteStep::Ok;
    uint32_t Size = 0;
    uint32_t Packed = 0;
    std::vector<uint8_t> Bytes;
    std::string Error;
};

bool Compressed(const PackInput& in) { return in.Kind == pck::kKindFile && !in.Store; }

// Writes or collects every entry's data. With `collect`, nothing reaches `sink`: the bytes
// are kept in `data` (stored host files only measured). Compressed entries are packed by
// a few threads ahead of the writer, which takes them in entry order: the bytes are the
// same whatever the number of threads.
WriteStep EncodeEntries(const PackSink& sink, const std::vector<PackInput>& inputs,
                        const PackWriteOptions& options, bool collect, uint64_t dataStart,
                        std::vector<EntryData>& data, std::string& error) {
    data.assign(inputs.size(), EntryData{});
    std::vector<size_t> blockInputs;
    std::vector<uint64_t> sizes;  // a job holds the file and its block
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (!Compressed(inputs[i])) continue;
        blockInputs.push_back(i);
        HostStat st;
        const bool fromFile = !inputs[i].SourcePath.empty();
        sizes.push_back(!fromFile ? inputs[i].Data.size()
                        : HostStatPath(inputs[i].SourcePath, st) ? st.Size : 0);
    }
    std::vector<BlockResult> blocks(blockInputs.size());
    const unsigned threads = options.Threads > 0 ? options.Threads : DefaultJobThreads();
    // An entry holding half the bytes or more (the solid shape's one block) would leave the
    // other threads idle: it gets them for its own chunks instead.
    uint64_t total = 0;
    for (uint64_t s : sizes) total += s;
    std::vector<unsigned> blockThreads(sizes.size(), 1);
    for (size_t k = 0; k < sizes.size(); ++k) {
        if (sizes[k] > 0 && 2 * sizes[k] >= total) blockThreads[k] = threads;
    }
    OrderedJobs jobs;  // last, so that its threads end before what they use goes
    StartOrderedJobs(jobs, blocks.size(), threads, 2 * size_t(threads),
                     [&inputs, &blockInputs, &blocks, &blockThreads, &options](size_t k) {
                         BlockResult& b = blocks[k];
                         PackSink keep = [&b](const uint8_t* bytes, size_t size) {
                             b.Bytes.insert(b.Bytes.end(), bytes, bytes + size);
                             return true;
                         };
                         b.Step = WriteFileData(keep, inputs[blockInputs[k]], options.Level,
                                                options.Method, blockThreads[k], b.Size,
                                                b.Packed, b.Error);
                     },
                     std::move(sizes), kBlockBudget);
    size_t nextBlock = 0;
    uint64_t offset = dataStart;
    uint64_t unpacked = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const PackInput& in = inputs[i];
        EntryData& d = data[i];
        if (in.Name.find('\0') != std::string::npos) {
            error = "entry name with a NUL byte";
            return WriteStep::InputFailed;
        }
        if (Compressed(in)) {
            WaitForJob(jobs, nextBlock);
            BlockResult& b = blocks[nextBlock++];
            if (b.Step != WriteStep::Ok) {
                error = b.Error;
                return b.Step;
            }
            d.Size = b.Size;
            d.Packed = b.Packed;
            if (collect) {
                d.Bytes = std::move(b.Bytes);
            } else if (!b.Bytes.empty() && !sink(b.Bytes.data(), b.Bytes.size())) {
                return WriteStep::SinkFailed;
            }
            b.Bytes = std::vector<uint8_t>();
        } else if (in.Kind == pck::kKindFile) {
            HostStat st;
            if (collect && !in.SourcePath.empty() && HostStatPath(in.SourcePath, st) &&
                st.IsFile && st.Size <= kMaxFileSize) {
                d.Size = d.Packed = uint32_t(st.Size);
                d.CopyLater = true;
            } else {
                PackSink keep = [&d](const uint8_t* bytes, size_t size) {
                    d.Bytes.insert(d.Bytes.end(), bytes, bytes + size);
                    return true;
                };
                WriteStep step = WriteFileData(collect ? keep : sink, in, options.Level,
                                               options.Method, 1, d.Size, d.Packed, error);
                if (step != WriteStep::Ok) return step;
            }
        } else if (in.Kind != pck::kKindFolder) {
            error = in.Name + ": unknown entry kind";
            return WriteStep::InputFailed;
        }
        offset += d.Packed;
        unpacked += d.Size;
        if (offset > uint64_t(pck::kMaxPackageLength) || unpacked > uint64_t(INT32_MAX)) {
            error = "the Package would reach 2 GiB";
            return WriteStep::InputFailed;
        }
        if (options.Progress) options.Progress(i + 1, inputs.size());
    }
    return WriteStep::Ok;
}

// The gap in front of the data area that makes the whole output a multiple of `align`,
// and the tail that goes with it. The compressed directory's length may change with the
// data offsets, so gaps are tried in turn; a stored directory, whose length never changes,
// is the last resort.
bool ChooseGap(const std::vector<PackInput>& inputs, const std::vector<EntryData>& data,
               uint32_t dataStart, uint64_t dataBytes, const PackWriteOptions& options,
               uint32_t& gap, std::vector<uint8_t>& tail, std::string& error) {
    const uint32_t align = options.EndAlignment;
    for (gap = 0; gap < 8 * align; ++gap) {
        const uint64_t start = uint64_t(dataStart) + gap;
        if (!MakeTail(MakeDirectory(inputs, data, start), uint32_t(start), start + dataBytes,
                      options.Level, options.StoreDirectory, tail, error)) {
            return false;
        }
        if ((start + dataBytes + tail.size()) % align == 0) return true;
    }
    const uint64_t storedTail = MakeDirectory(inputs, data, 0).size() + pck::kTrailerSize;
    gap = uint32_t((align - (dataStart + dataBytes + storedTail) % align) % align);
    const uint64_t start = uint64_t(dataStart) + gap;
    return MakeTail(MakeDirectory(inputs, data, start), uint32_t(start), start + dataBytes,
                    options.Level, true, tail, error);
}

}  // namespace

bool WritePackage(const PackSink& sink, uint32_t dataStart, const std::vector<PackInput>& inputs,
                  const PackWriteOptions& options, PackWriteResult& result, std::string& error) {
    result = PackWriteResult{};
    const bool padded = options.EndAlignment > 1;
    std::vector<EntryData> data;
    WriteStep step = EncodeEntries(sink, inputs, options, padded, dataStart, data, error);
    if (step != WriteStep::Ok) return Stop(step, result);
    uint64_t dataBytes = 0, unpacked = 0;
    for (const EntryData& d : data) {
        dataBytes += d.Packed;
        unpacked += d.Size;
    }

    uint32_t gap = 0;
    std::vector<uint8_t> tail;
    if (padded) {
        if (!ChooseGap(inputs, data, dataStart, dataBytes, options, gap, tail, error)) return false;
        // The gap belongs to the executable part in front of the data start.
        const std::vector<uint8_t> zeros(gap, 0);
        if (gap > 0 && !sink(zeros.data(), zeros.size())) return Stop(WriteStep::SinkFailed, result);
        for (size_t i = 0; i < inputs.size(); ++i) {
            const EntryData& d = data[i];
            step = d.CopyLater ? CopyFile(sink, inputs[i].SourcePath, d.Size, error)
                   : d.Bytes.empty() || sink(d.Bytes.data(), d.Bytes.size()) ? WriteStep::Ok
                                                                              : WriteStep::SinkFailed;
            if (step != WriteStep::Ok) return Stop(step, result);
        }
    } else if (!MakeTail(MakeDirectory(inputs, data, dataStart), dataStart, dataStart + dataBytes,
                         options.Level, options.StoreDirectory, tail, error)) {
        return false;
    }
    if (!sink(tail.data(), tail.size())) return Stop(WriteStep::SinkFailed, result);
    result.Padding = gap;
    result.Length = gap + dataBytes + tail.size();
    result.DataBytes = dataBytes;
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
