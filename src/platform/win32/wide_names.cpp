// Wide-character names and the ANSI code page: the lossy conversion detected, the short
// name taken where the code page cannot carry a name.
#include "platform/win32/wide_names.h"

#include "platform/win32/handles.h"

namespace wb {
namespace {

bool ToAnsi(const std::wstring& wide, std::string& ansi) {
    ansi.clear();
    if (wide.empty()) return true;
    // With UTF-8 as the ANSI code page (a Windows 10 option) every name converts, and the
    // system refuses the used-default flag for that code page.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    BOOL* lostFlag = utf8 ? nullptr : &lost;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, lostFlag);
    if (n <= 0) return false;
    ansi.resize(size_t(n));
    if (WideCharToMultiByte(CP_ACP, flags, wide.data(), int(wide.size()), &ansi[0], n, nullptr,
                            lostFlag) != n) {
        ansi.clear();
        return false;
    }
    return !lost;
}

bool ShortForm(const std::wstring& wide, std::wstring& shortPath) {
    shortPath.clear();
    DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (n == 0) return false;
    shortPath.resize(n);
    DWORD got = GetShortPathNameW(wide.c_str(), &shortPath[0], n);
    if (got == 0 || got >= n) return false;
    shortPath.resize(got);
    return true;
}

constexpr AnsiPathCalls kSystemCalls{ToAnsi, ShortForm};

}  // namespace

const AnsiPathCalls& SystemAnsiPathCalls() noexcept { return kSystemCalls; }

std::string ReachableSystemPath(const std::wstring& wide) {
    std::string path = ReachableAnsiPath(wide, kSystemCalls);
    if (!path.empty() && !wide.empty() && wide.back() == L'\\' && path.back() != '\\') {
        path += '\\';
    }
    return path;
}

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

std::wstring Utf8ToWide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()),
                                      nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), &wide[0], n);
    return wide;
}

}  // namespace wb
