// What the Package fuzz targets share: one scratch folder per process, and a setup or
// Package file written there, opened and extracted as the installer does. Extraction must
// neither crash nor touch memory outside a buffer, nor write anywhere beside its target.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "package/extract.h"
#include "package/package_reader.h"

namespace fuzz {

inline std::string g_scratch;

inline void RemoveScratch() {
    std::error_code ec;
    std::filesystem::remove_all(g_scratch, ec);
}

// The scratch folder; the target inside it is emptied after every input.
inline const std::string& Scratch() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/wb-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) std::abort();
        g_scratch = made;
        std::atexit(RemoveScratch);
        return g_scratch;
    }();
    return dir;
}

// Writes the input as `fileName` in the scratch folder, opens it and, when it opens,
// extracts it with `protectedExts` into the scratch folder's target.
inline void OpenAndExtract(const uint8_t* data, size_t size, const std::string& fileName,
                           const std::string& protectedExts) {
    namespace fs = std::filesystem;
    const std::string path = Scratch() + "/" + fileName;
    const std::string target = Scratch() + "/target/";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (wb::OpenPackage(path.c_str(), nullptr)) {
        // Sizes are capped so that a few bytes cannot ask for gigabytes of output.
        bool small = true;
        for (const wb::PackageEntry& e : wb::Package.Entries) small &= e.Size <= (1 << 24);
        if (small) {
            fs::create_directories(target);
            (void)wb::ExtractPackage(wb::Package, target, protectedExts);
            // Nothing may land beside the target folder.
            for (const auto& entry : fs::directory_iterator(Scratch())) {
                const std::string name = entry.path().filename().string();
                if (name != fileName && name != "target") std::abort();
            }
            std::error_code ec;
            fs::remove_all(target, ec);
        }
    }
    wb::ClosePackage();
}

}  // namespace fuzz
