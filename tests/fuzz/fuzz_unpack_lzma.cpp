// Fuzz target: the LZMA decode path. Input beginning with "LZ" is one LZMA block given to
// the block decoder; anything else is a setup file, opened and extracted as the installer
// does, so that LZMA entries inside (signed) setups reach the decoder through the
// extraction. Neither may crash, touch memory outside a buffer, pass a block whose output
// is not what it states, or write outside the target folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "package/block_method.h"
#include "package/extract.h"
#include "package/package_reader.h"
#include "package/unpack_lzma.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code ec;
    std::filesystem::remove_all(g_scratch, ec);
}

const std::string& Scratch() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/wb-fuzz-lzma-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) std::abort();
        g_scratch = made;
        std::atexit(RemoveScratch);
        return g_scratch;
    }();
    return dir;
}

void DecodeBlock(const uint8_t* data, size_t size) {
    // Capacity from the header, capped; the last byte varies it around the stated size.
    const uint32_t stated = wb::LzmaBlockStatedSize(data, size);
    size_t capacity = stated < (1u << 20) ? stated : (1u << 20);
    const int tweak = size > 0 ? int(data[size - 1] % 5) - 2 : 0;
    if (tweak < 0 && capacity >= size_t(-tweak)) capacity -= size_t(-tweak);
    if (tweak > 0) capacity += size_t(tweak) * 8;
    std::vector<uint8_t> block(data, data + size);
    std::vector<uint8_t> out(capacity ? capacity : 1);
    const wb::UnpackResult r = wb::UnpackLzmaBlockEx(block.data(), block.size(), out.data(), capacity);
    if (r.size > capacity) std::abort();
    if (r.status == wb::UnpackStatus::Ok) {
        if (r.size != stated) std::abort();
        // The dispatcher takes the same road.
        if (wb::UnpackAnyBlockEx(block.data(), block.size(), out.data(), capacity).status !=
            wb::UnpackStatus::Ok) {
            std::abort();
        }
    }
}

void ExtractSetup(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const std::string path = Scratch() + "/input.exe";
    const std::string target = Scratch() + "/target/";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (wb::OpenPackage(path.c_str(), nullptr)) {
        bool small = true;
        for (const wb::PackageEntry& e : wb::Package.Entries) small &= e.Size <= (1 << 24);
        if (small) {
            fs::create_directories(target);
            (void)wb::ExtractPackage(wb::Package, target, "");
            for (const auto& entry : fs::directory_iterator(Scratch())) {
                const std::string name = entry.path().filename().string();
                if (name != "input.exe" && name != "target") std::abort();
            }
            std::error_code ec;
            fs::remove_all(target, ec);
        }
    }
    wb::ClosePackage();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'L' && data[1] == 'Z') {
        DecodeBlock(data, size);
    } else {
        ExtractSetup(data, size);
    }
    return 0;
}
