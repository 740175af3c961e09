// Host file helpers of the authoring tool over Win32 calls; host names are in the ANSI
// code page, as the command line and the installer's own file calls have them.
#ifdef _WIN32

// rand_s is declared only when this is set before the C library's headers.
#define _CRT_RAND_S
#include <stdlib.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/system_info.h"
#include "wbpack/codepage.h"
#include "wbpack/host_files.h"

namespace wb {

namespace {

uint64_t FileTimeValue(const FILETIME& t) {
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithSeparator(const std::string& folder) {
    if (folder.empty() || IsSeparator(folder.back()) || folder.back() == ':') return folder;
    return folder + '\\';
}

// Opens the item itself (links followed) to read what the handle knows about it.
bool QueryPath(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    DWORD code = GetLastError();
    CloseHandle(h);
    SetLastError(code);
    return ok;
}

std::wstring Widen(const std::string& text, UINT codepage) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codepage, 0, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(codepage, 0, text.data(), int(text.size()), &out[0], n);
    return out;
}

// Characters the code page lacks become "_" (never a look-alike).
std::string Narrow(const std::wstring& text, UINT codepage) {
    if (text.empty()) return std::string();
    const bool utf8 = codepage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "_";
    int n = WideCharToMultiByte(codepage, flags, text.data(), int(text.size()), nullptr, 0,
                                fallback, nullptr);
    if (n <= 0) return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codepage, flags, text.data(), int(text.size()), &out[0], n, fallback,
                        nullptr);
    return out;
}

std::string AnsiToUtf8(const std::string& text) { return Narrow(Widen(text, CP_ACP), CP_UTF8); }
std::string Utf8ToAnsi(const std::string& text) { return Narrow(Widen(text, CP_UTF8), CP_ACP); }

unsigned UniqueNumber() {
    static unsigned counter = 0;
    return unsigned(GetTickCount()) * 31u + ++counter;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

}  // namespace

std::string HostTextToUtf8(const std::string& text) { return AnsiToUtf8(text); }

std::string HostErrorText() { return SystemErrorText(GetLastError()); }

bool HostStatPath(const std::string& path, HostStat& out) {
    out = HostStat{};
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    out.IsLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    BY_HANDLE_FILE_INFORMATION info {};
    if (!QueryPath(path, info)) return false;
    out.Exists = true;
    out.IsFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.IsFile = !out.IsFolder && (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    out.Size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    out.WriteTime = FileTimeValue(info.ftLastWriteTime);
    out.CreationTime = FileTimeValue(info.ftCreationTime);
    return true;
}

bool HostListFolder(const std::string& folder, std::vector<std::string>& names,
                    std::string& error) {
    names.clear();
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((WithSeparator(folder) + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) {
        error = folder + ": cannot read the folder: " + HostErrorText();
        return false;
    }
    do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &fd));
    bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    if (!complete) error = folder + ": cannot read the folder: " + HostErrorText();
    FindClose(find);
    return complete;
}

bool HostSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION x {}, y {};
    if (!QueryPath(a, x) || !QueryPath(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool HostNamesEqual(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(),
                          int(b.size())) == CSTR_EQUAL;
}

bool HostCanRead(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool HostNameToCodePage(const std::string& name, int codepage, std::string& out,
                        std::string& bad) {
    // Through Unicode, so that a host whose ANSI code page is not the target's still
    // stores the right bytes (and refuses what the target cannot spell).
    if (!Utf8ToCodePage(AnsiToUtf8(name), codepage, out, bad)) {
        bad = Utf8ToAnsi(bad);
        return false;
    }
    return true;
}

std::string CodePageToHostName(const std::string& name, int codepage) {
    return Utf8ToAnsi(CodePageToUtf8(name, codepage));
}

bool BeginOutput(const std::string& finalPath, PendingOutput& out, std::string& error) {
    AbandonOutput(out);
    size_t cut = finalPath.find_last_of("\\/:");
    std::string folder = cut == std::string::npos ? std::string() : finalPath.substr(0, cut + 1);
    std::string name = cut == std::string::npos ? finalPath : finalPath.substr(cut + 1);
    std::string temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = folder + "." + name + ".wbpack-" + Hex(GetCurrentProcessId()) + "-" +
               Hex(UniqueNumber());
        // Readable while open: the per-file shape copies its inner Package from here.
        h = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
        error = finalPath + ": cannot write in " + (folder.empty() ? "." : folder) + ": " +
                HostErrorText();
        return false;
    }
    int fd = _open_osfhandle(intptr_t(h), _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        DeleteFileA(temp.c_str());
        error = finalPath + ": cannot open the output";
        return false;
    }
    out.File = _fdopen(fd, "wb");
    if (!out.File) {
        _close(fd);
        DeleteFileA(temp.c_str());
        error = finalPath + ": cannot open the output";
        return false;
    }
    out.FinalPath = finalPath;
    out.TempPath = temp;
    return true;
}


bool HostReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void HostRemoveFile(const std::string& path) noexcept { DeleteFileA(path.c_str()); }


std::string MakeTempFolder() {
    char base[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) return std::string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = WithSeparator(base) + "wbpack-" + Hex(GetCurrentProcessId()) + "-" +
                           Hex(UniqueNumber());
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return std::string();
}

void RemoveTree(const std::string& path) noexcept {
    std::vector<std::string> names;
    std::string error;
    if (HostListFolder(path, names, error)) {
        for (const std::string& name : names) {
            std::string item = WithSeparator(path) + name;
            DWORD attributes = GetFileAttributesA(item.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) continue;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A linked folder is removed as a name, never emptied.
                if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    RemoveDirectoryA(item.c_str());
                } else {
                    RemoveTree(item);
                }
            } else {
                SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(item.c_str());
            }
        }
    }
    RemoveDirectoryA(path.c_str());
}

int RunHostCommand(const std::string& command, std::string& output) {
    output.clear();
    char system[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return -1;
    const std::string shell = WithSeparator(system) + "cmd.exe";
    // /s with the whole command in one pair of quotes: cmd.exe keeps the quotes inside it.
    std::string line = "\"" + shell + "\" /d /s /c \"" + command + "\"";

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi = {};
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    BOOL started = CreateProcessA(shell.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
}

std::string HostShellQuote(const std::string& path) {
    // Windows paths cannot hold a double quote, so plain quoting is enough.
    return "\"" + path + "\"";
}
bool HostErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

std::string SelfFolder() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, &path[0], DWORD(path.size()));
        if (n == 0) return std::string();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string CompanionProgram(const std::string& name, bool win64) {
#ifdef _WIN64
    constexpr bool self64 = true;
#else
    constexpr bool self64 = false;
#endif
    if (win64 == self64) return SelfFolder() + name;
    return SelfFolder() + (win64 ? "..\\win64\\" : "..\\win32\\") + name;
}

bool HostRandomBytes(uint8_t* out, size_t size) {
    for (size_t i = 0; i < size; i += 4) {
        unsigned int r = 0;
        if (rand_s(&r) != 0) return false;
        for (size_t k = 0; k < 4 && i + k < size; ++k) out[i + k] = uint8_t(r >> (8 * k));
    }
    return true;
}

}  // namespace wb

#endif  // _WIN32
