// Measures JC blocks on a fixed payload of 32-bit Windows libraries: sizes per file and solid
// against gzip, bzip2 and xz, and packing and unpacking speed against zlib.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "blocks/decompress/unpack_block.h"
#include "setup_shapes.h"
#include "blocks/compress/jc_encoder.h"
#include "blocks/compress/ordered_jobs.h"
#include "wbpack/package_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kPayloadDir = "/usr/lib/i386-linux-gnu/wine/i386-windows";

struct Options {
    double megabytes = 50;
    bool solid = true;
    bool tools = true;  // run gzip, bzip2 and xz
    int defaultLevel = 6;
};

struct PayloadFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

std::vector<PayloadFile> LoadPayload(const Options& opt, size_t& total) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(kPayloadDir, ec)) {
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<PayloadFile> files;
    total = 0;
    const size_t limit = size_t(opt.megabytes * 1e6);
    for (const std::string& n : names) {
        if (total >= limit) break;
        std::ifstream in(std::string(kPayloadDir) + "/" + n, std::ios::binary);
        PayloadFile f{n, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})};
        total += f.bytes.size();
        files.push_back(std::move(f));
    }
    return files;
}

// gzip -9 equivalent in-process (same deflate, gzip wrapper).
std::vector<uint8_t> Deflate9(const std::vector<uint8_t>& in) {
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&zs, uLong(in.size())) + 64);
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = uInt(in.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

bool Inflate(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    z_stream zs{};
    inflateInit2(&zs, 15 + 16);
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = uInt(in.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const int rc = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return rc == Z_STREAM_END;
}

// Runs a shell command and returns the number it prints (the byte count of `wc -c`).
long long CommandBytes(const std::string& cmd) {
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    long long n = -1;
    if (std::fscanf(p, "%lld", &n) != 1) n = -1;
    pclose(p);
    return n;
}

struct LevelRun {
    size_t bytes = 0;
    double seconds = 0;
};

LevelRun PackEach(const std::vector<PayloadFile>& files, int level) {
    LevelRun r;
    const auto t0 = Clock::now();
    for (const PayloadFile& f : files) r.bytes += wb::PackBlock(f.bytes.data(), f.bytes.size(), level).size();
    r.seconds = Seconds(t0, Clock::now());
    return r;
}

// The per-file shape as wbpack writes it: one Package, its entries compressed side by side
// on `threads` threads (0: the machine's cores).
LevelRun PackPackage(const std::vector<PayloadFile>& files, int level, unsigned threads) {
    std::vector<wb::PackInput> inputs;
    for (const PayloadFile& f : files) {
        wb::PackInput in;
        in.Name = f.name;
        in.Data = f.bytes;
        inputs.push_back(std::move(in));
    }
    wb::PackWriteOptions options;
    options.Level = level;
    options.Threads = threads;
    std::vector<uint8_t> package;
    std::string error;
    LevelRun r;
    const auto t0 = Clock::now();
    if (wb::BuildPackage(inputs, options, package, error)) r.bytes = package.size();
    r.seconds = Seconds(t0, Clock::now());
    return r;
}

void Verdict(const char* what, bool pass, const std::string& detail) {
    std::printf("  %-4s  %-52s %s\n", pass ? "PASS" : "MISS", what, detail.c_str());
}

std::string Fmt(const char* f, double a, double b = 0) {
    char buf[128];
    std::snprintf(buf, sizeof buf, f, a, b);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mb" && i + 1 < argc) {
            opt.megabytes = std::atof(argv[++i]);
        } else if (a == "--no-solid") {
            opt.solid = false;
        } else if (a == "--no-tools") {
            opt.tools = false;
        } else {
            std::fprintf(stderr, "usage: wb_bench [--mb N] [--no-solid] [--no-tools]\n");
            return 2;
        }
    }

    size_t total = 0;
    const std::vector<PayloadFile> files = LoadPayload(opt, total);
    if (files.empty()) {
        std::fprintf(stderr, "wb_bench: no payload in %s\n", kPayloadDir);
        return 1;
    }
    std::printf("Payload: %zu files, %zu bytes (%.1f MB) from %s, %s .. %s\n", files.size(),
                total, total / 1e6, kPayloadDir, files.front().name.c_str(), files.back().name.c_str());

    // Per file.
    size_t gzipEach = 0;
    for (const PayloadFile& f : files) gzipEach += Deflate9(f.bytes).size();
    const LevelRun each6 = PackEach(files, opt.defaultLevel);
    const LevelRun each9 = PackEach(files, 9);
    std::printf("\nPer file (sizes summed)           bytes      ratio   vs gzip-9   MB/s\n");
    std::printf("  gzip -9 (zlib)            %12zu   %6.3f     1.000\n", gzipEach, double(gzipEach) / total);
    std::printf("  JC level %d                %12zu   %6.3f     %5.3f   %6.2f\n", opt.defaultLevel,
                each6.bytes, double(each6.bytes) / total, double(each6.bytes) / gzipEach,
                total / 1e6 / each6.seconds);
    std::printf("  JC level 9                %12zu   %6.3f     %5.3f   %6.2f\n", each9.bytes,
                double(each9.bytes) / total, double(each9.bytes) / gzipEach, total / 1e6 / each9.seconds);
    const unsigned threads = wb::DefaultJobThreads();
    const LevelRun package6 = PackPackage(files, opt.defaultLevel, 0);
    std::printf("  JC level %d, one Package,  %12zu   %6.3f     %5.3f   %6.2f  (%u threads)\n",
                opt.defaultLevel, package6.bytes, double(package6.bytes) / total,
                double(package6.bytes) / gzipEach, total / 1e6 / package6.seconds, threads);

    // Solid.
    std::vector<uint8_t> all;
    all.reserve(total);
    for (const PayloadFile& f : files) all.insert(all.end(), f.bytes.begin(), f.bytes.end());
    long long gz = -1, bz = -1, xz = -1;
    LevelRun solid6, solid9;
    std::vector<uint8_t> block9;
    if (opt.solid) {
        if (opt.tools) {
            const std::string list = "/tmp/wb_bench_list_" + std::to_string(getpid());
            const std::string tar = "/tmp/wb_bench_" + std::to_string(getpid()) + ".tar";
            {
                std::ofstream l(list);
                for (const PayloadFile& f : files) l << f.name << "\n";
            }
            if (std::system(("tar -cf " + tar + " -C " + kPayloadDir + " -T " + list).c_str()) == 0) {
                gz = CommandBytes("gzip -9 -c " + tar + " | wc -c");
                bz = CommandBytes("bzip2 -9 -c " + tar + " | wc -c");
                xz = CommandBytes("xz -9e -T1 -c " + tar + " | wc -c");
            }
            std::remove(tar.c_str());
            std::remove(list.c_str());
        }
        if (gz < 0) gz = (long long)Deflate9(all).size();
        auto t0 = Clock::now();
        solid6.bytes = wb::PackBlock(all.data(), all.size(), opt.defaultLevel).size();
        solid6.seconds = Seconds(t0, Clock::now());
        t0 = Clock::now();
        LevelRun solid6Threads;
        solid6Threads.bytes = wb::PackBlock(all.data(), all.size(), opt.defaultLevel, threads).size();
        solid6Threads.seconds = Seconds(t0, Clock::now());
        t0 = Clock::now();
        block9 = wb::PackBlock(all.data(), all.size(), 9);
        solid9.bytes = block9.size();
        solid9.seconds = Seconds(t0, Clock::now());
        std::printf("\nSolid (one block / one tar)       bytes      ratio   vs gzip-9   MB/s\n");
        auto row = [&](const char* name, long long n) {
            if (n >= 0)
                std::printf("  %-24s  %12lld   %6.3f     %5.3f\n", name, n, double(n) / total, double(n) / gz);
            else
                std::printf("  %-24s  %12s\n", name, "n/a");
        };
        row("gzip -9 (tar)", gz);
        row("bzip2 -9 (tar)", bz);
        row("xz -9e (tar)", xz);
        std::printf("  JC level %d                %12zu   %6.3f     %5.3f   %6.2f\n", opt.defaultLevel,
                    solid6.bytes, double(solid6.bytes) / total, double(solid6.bytes) / gz,
                    total / 1e6 / solid6.seconds);
        std::printf("  JC level %d, %u threads     %12zu   %6.3f     %5.3f   %6.2f\n", opt.defaultLevel,
                    threads, solid6Threads.bytes, double(solid6Threads.bytes) / total,
                    double(solid6Threads.bytes) / gz, total / 1e6 / solid6Threads.seconds);
        std::printf("  JC level 9                %12zu   %6.3f     %5.3f   %6.2f\n", solid9.bytes,
                    double(solid9.bytes) / total, double(solid9.bytes) / gz, total / 1e6 / solid9.seconds);
    } else {
        block9 = wb::PackBlock(all.data(), all.size(), 9);
    }

    // Unpacking speed on the same data: the solid level-9 block against zlib inflate.
    std::vector<uint8_t> out(all.size() + 8);
    const std::vector<uint8_t> gzAll = Deflate9(all);
    double jcBest = 1e9, zBest = 1e9;
    bool jcOk = true, zOk = true;
    for (int rep = 0; rep < 3; ++rep) {
        auto t0 = Clock::now();
        jcOk &= wb::UnpackBlock(block9.data(), block9.size(), out.data(), out.size()) == all.size();
        jcBest = std::min(jcBest, Seconds(t0, Clock::now()));
        t0 = Clock::now();
        zOk &= Inflate(gzAll, out);
        zBest = std::min(zBest, Seconds(t0, Clock::now()));
    }
    const double jcSpeed = total / 1e6 / jcBest, zSpeed = total / 1e6 / zBest;
    std::printf("\nUnpacking (output MB/s)  UnpackBlock %.1f%s   zlib inflate %.1f%s\n", jcSpeed,
                jcOk ? "" : " (FAILED)", zSpeed, zOk ? "" : " (FAILED)");

    std::printf("\nTargets\n");
    Verdict("per file, level 9 <= 0.92 x gzip -9", each9.bytes <= 0.92 * gzipEach,
            Fmt("%.3f", double(each9.bytes) / gzipEach));
    Verdict("per file, default level <= 0.98 x gzip -9", each6.bytes <= 0.98 * gzipEach,
            Fmt("%.3f", double(each6.bytes) / gzipEach));
    if (opt.solid) {
        Verdict("solid, level 9 <= 0.65 x gzip -9", solid9.bytes <= 0.65 * gz,
                Fmt("%.3f", double(solid9.bytes) / gz));
        if (bz >= 0)
            Verdict("solid, level 9 below bzip2 -9", (long long)solid9.bytes < bz,
                    Fmt("%.3f x bzip2", double(solid9.bytes) / bz));
    }
    Verdict("UnpackBlock speed >= 0.6 x zlib inflate", jcOk && jcSpeed >= 0.6 * zSpeed,
            Fmt("%.2f x", jcSpeed / zSpeed));
    Verdict("packing per file at default level >= 10 MB/s",
            package6.bytes > 0 && total / 1e6 / package6.seconds >= 10,
            Fmt("%.2f MB/s on %.0f threads", total / 1e6 / package6.seconds, threads));
    Verdict("packing at level 9 >= 1 MB/s", total / 1e6 / each9.seconds >= 1,
            Fmt("%.2f MB/s", total / 1e6 / each9.seconds));

    wb::ReportSetupShapes();

    // The stub travels in every setup, so its size is part of every setup's size.
    std::printf("\n");
    for (const char* path : {WB_STUB_PATH, WB_STUB64_PATH}) {
        std::error_code ec;
        const auto stub = std::filesystem::file_size(path, ec);
        if (!ec) std::printf("Installer stub: %s, %llu bytes\n", path, (unsigned long long)stub);
    }
    return 0;
}
