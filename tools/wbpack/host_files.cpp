// Host file helpers that read the same on every host: file times, whole-file reads, writes.
#include "wbpack/host_files.h"

#include <cstdio>

namespace wb {

namespace {

constexpr uint64_t kEpochDelta = 116444736000000000ULL;  // 1601 to 1970 in 100 ns

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

uint64_t UnixToFileTime(int64_t seconds, int64_t nanoseconds) noexcept {
    // Times before 1601 do not exist on Windows; clamp to the epoch.
    int64_t ticks = seconds * 10000000LL + nanoseconds / 100;
    if (ticks < -int64_t(kEpochDelta)) return 0;
    return uint64_t(ticks + int64_t(kEpochDelta));
}

std::string FileTimeText(uint64_t fileTime) {
    if (fileTime == 0) return "-";
    // Computed here rather than by the C library so that every host prints the same text.
    int64_t seconds = int64_t(fileTime / 10000000ULL) - int64_t(kEpochDelta / 10000000ULL);
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t rest = seconds - days * 86400;
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                  int(rest / 3600), int(rest / 60 % 60), int(rest % 60));
    return text;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    HostStat st;
    if (!HostStatPath(path, st)) {
        error = path + ": " + HostErrorText();
        return false;
    }
    if (!st.IsFile) {
        error = path + ": not a plain file";
        return false;
    }
    if (st.Size > kMaxFileSize) {
        error = path + ": file of 2 GiB or more";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + HostErrorText();
        return false;
    }
    out.resize(size_t(st.Size));
    size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
    bool more = std::fgetc(f) != EOF;
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || got != out.size() || more) {
        error = path + ": read error or file changed while reading";
        out.clear();
        return false;
    }
    return true;
}

PendingOutput::~PendingOutput() { AbandonOutput(*this); }

bool WriteAll(std::FILE* file, const void* data, size_t size) noexcept {
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

bool CloseOutputFile(PendingOutput& out, std::string& error) {
    if (!out.File) {
        error = out.FinalPath + ": output not open";
        return false;
    }
    bool ok = std::fflush(out.File) == 0 && std::ferror(out.File) == 0;
    ok = std::fclose(out.File) == 0 && ok;
    out.File = nullptr;
    if (!ok) error = out.FinalPath + ": write error: " + HostErrorText();
    return ok;
}

bool CommitOutput(PendingOutput& out, std::string& error) {
    if ((out.File && !CloseOutputFile(out, error)) || out.TempPath.empty()) {
        if (out.TempPath.empty()) error = out.FinalPath + ": output not open";
        AbandonOutput(out);
        return false;
    }
    if (!HostReplaceFile(out.TempPath, out.FinalPath)) {
        error = out.FinalPath + ": " + HostErrorText();
        AbandonOutput(out);
        return false;
    }
    out.TempPath.clear();
    return true;
}

void AbandonOutput(PendingOutput& out) noexcept {
    if (out.File) {
        std::fclose(out.File);
        out.File = nullptr;
    }
    if (!out.TempPath.empty()) {
        HostRemoveFile(out.TempPath);
        out.TempPath.clear();
    }
}

}  // namespace wb
