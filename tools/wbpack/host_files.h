// Host file helpers of the authoring tool: whole-file reads, Windows file times from the
// host's modification times, and outputs that appear only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wb {

// Largest file or Package the installer can handle: positions are signed 32-bit.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

struct HostStat {
    bool Exists = false;
    bool IsFolder = false;
    bool IsFile = false;
    bool IsLink = false;       // the name itself is a symbolic link
    uint64_t Size = 0;
    uint64_t WriteTime = 0;    // Windows file time of the modification time
};

// Follows symbolic links for the type, size and time; false when the path does not exist.
bool HostStatPath(const std::string& path, HostStat& out);

// Windows file time (100 ns since 1601) of a Unix time.
uint64_t UnixToFileTime(int64_t seconds, int64_t nanoseconds) noexcept;
// "YYYY-MM-DD hh:mm:ss" (UTC) of a Windows file time; "-" for 0.
std::string FileTimeText(uint64_t fileTime);

// Reads a whole file below 2 GiB. False with a one-line reason in `error`.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);

// An output written under a temporary name in its final folder and renamed into place by
// CommitOutput; AbandonOutput (also run by the destructor) removes the temporary file.
struct PendingOutput {
    std::string FinalPath;
    std::string TempPath;
    std::FILE* File = nullptr;
    ~PendingOutput();
};
bool BeginOutput(const std::string& finalPath, PendingOutput& out, std::string& error);
bool CommitOutput(PendingOutput& out, std::string& error);
void AbandonOutput(PendingOutput& out) noexcept;

// Writes all bytes; false on error.
bool WriteAll(std::FILE* file, const void* data, size_t size) noexcept;

// A fresh empty folder under the system's temporary folder; empty on failure.
std::string MakeTempFolder();
// Removes a folder tree (best effort).
void RemoveTree(const std::string& path) noexcept;

// The folder that holds the running wbpack binary, ending in "/"; empty if unknown.
std::string SelfFolder();

}  // namespace wb
