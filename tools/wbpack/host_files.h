// Host file helpers of the authoring tool: folder listings, whole-file reads, Windows file
// times, host names in the target code page, and outputs that appear only when complete.
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
    uint64_t WriteTime = 0;     // Windows file time of the modification time
    uint64_t CreationTime = 0;  // the creation time on Windows; the modification time elsewhere
};

// Separator of host paths.
#ifdef _WIN32
inline constexpr char kHostSeparator = '\\';
#else
inline constexpr char kHostSeparator = '/';
#endif

// Follows symbolic links for the type, size and time; false when the path does not exist.
bool HostStatPath(const std::string& path, HostStat& out);

// The names directly in `folder` (not "." or ".."), unsorted. False with a one-line reason.
bool HostListFolder(const std::string& folder, std::vector<std::string>& names,
                    std::string& error);
// True when both paths name the same existing file.
bool HostSameFile(const std::string& a, const std::string& b);
// True when two names of one folder name the same item (Windows ignores letter case).
bool HostNamesEqual(const std::string& a, const std::string& b);
// True when the file can be opened for reading.
bool HostCanRead(const std::string& path);

// Converts one host name component to `codepage`: UTF-8 names on POSIX hosts, names of the
// ANSI code page on Windows. False when a character has no place in the code page; `bad`
// then names it as the host spells it.
bool HostNameToCodePage(const std::string& name, int codepage, std::string& out,
                        std::string& bad);
// Converts a stored name back to the host's spelling; characters the host cannot spell
// become "_".
std::string CodePageToHostName(const std::string& name, int codepage);

// Text given on the command line, as UTF-8: POSIX hosts pass UTF-8 already, Windows passes
// the ANSI code page.
std::string HostTextToUtf8(const std::string& text);

// The reason the host gave for the last failed call, as one line.
std::string HostErrorText();

// Moves `from` over `to`, replacing it; false on failure (HostErrorText tells why).
bool HostReplaceFile(const std::string& from, const std::string& to);
// Deletes a file, ignoring failure.
void HostRemoveFile(const std::string& path) noexcept;

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
// Flushes and closes the output's file early (for a signing tool to read it); the output
// stays pending, and CommitOutput still puts it in place. False with a reason on an error.
bool CloseOutputFile(PendingOutput& out, std::string& error);
void AbandonOutput(PendingOutput& out) noexcept;

// Writes all bytes; false on error.
bool WriteAll(std::FILE* file, const void* data, size_t size) noexcept;

// A fresh empty folder under the system's temporary folder; empty on failure.
std::string MakeTempFolder();
// Removes a folder tree (best effort).
void RemoveTree(const std::string& path) noexcept;

// Runs `command` through the host's shell (/bin/sh, or cmd.exe of the system folder) with
// standard output and error gathered in `output`. Returns the command's exit code, or -1
// when the shell could not be started.
int RunHostCommand(const std::string& command, std::string& output);
// `path` quoted as one word for that shell.
std::string HostShellQuote(const std::string& path);
// True when the standard error stream goes to a terminal (progress lines are shown then).
bool HostErrorIsTerminal();

// The folder that holds the running wbpack binary, ending in a separator; empty if unknown.
std::string SelfFolder();
// Fills `size` bytes from the system's random source (the kernel's on POSIX, the one behind
// rand_s on Windows); false when it cannot be read.
bool HostRandomBytes(uint8_t* out, size_t size);

// A Windows program that comes with wbpack (wbsetup.exe, uninstall.exe) in its 32-bit
// (`win64` false) or 64-bit build: out/win32/ and out/win64/ beside out/bin/ where the
// native tool lives; on Windows the build of wbpack.exe's own architecture lies beside it,
// the other one in ../win32/ or ../win64/.
std::string CompanionProgram(const std::string& name, bool win64);

}  // namespace wb
