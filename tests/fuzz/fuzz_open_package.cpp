// Fuzz target: any bytes opened as a Package file, and extracted when they open, must
// neither crash nor touch memory outside a buffer, nor write outside the target folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "package/extract.h"
#include "package/package_reader.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code ec;
    std::filesystem::remove_all(g_scratch, ec);
}

// One scratch folder per process; the target inside it is emptied after every input.
const std::string& Scratch() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/wb-fuzz-pck-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) std::abort();
        g_scratch = made;
        std::atexit(RemoveScratch);
        return g_scratch;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const std::string path = Scratch() + "/input.pck";
    const std::string target = Scratch() + "/target/";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);

    if (wb::OpenPackage(path.c_str(), nullptr)) {
        // Sizes are capped so that a few bytes cannot ask for gigabytes of output.
        bool small = true;
        for (const wb::PackageEntry& e : wb::Package.Entries) small &= e.Size <= (1 << 24);
        if (small) {
            fs::create_directories(target);
            (void)wb::ExtractPackage(wb::Package, target, "txt|");
            // Nothing may land beside the target folder.
            for (const auto& entry : fs::directory_iterator(Scratch())) {
                std::string name = entry.path().filename().string();
                if (name != "input.pck" && name != "target") std::abort();
            }
            std::error_code ec;
            fs::remove_all(target, ec);
        }
    }
    wb::ClosePackage();
    return 0;
}
