// The system information service over kernel32.
#include "platform/system_info.h"

#include <windows.h>

#include <string>

namespace wb {

uint16_t UserDefaultLanguage() noexcept { return GetUserDefaultLangID(); }

uint32_t SystemVersion() noexcept { return GetVersion(); }

bool LocalTimeNow(CalendarTime& out) noexcept {
    SYSTEMTIME st;
    GetLocalTime(&st);
    out = CalendarTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

std::string SystemErrorText(uint32_t code) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) text = "system error " + std::to_string(code);
    return text;
}

bool SystemIs64Bit() noexcept {
    if (sizeof(void*) == 8) return true;
    // IsWow64Process came with XP SP2: looked up so that older systems still start.
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto isWow64 = kernel ? reinterpret_cast<IsWow64Fn>(
                                reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                          : nullptr;
    BOOL wow = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow) && wow;
}

int ProcessElevation() noexcept {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return -1;
    // TOKEN_ELEVATION (class 20) exists from Vista on; declared here for older headers.
    struct {
        DWORD TokenIsElevated;
    } elevation = {};
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TOKEN_INFORMATION_CLASS(20), &elevation,
                                  sizeof elevation, &size);
    CloseHandle(token);
    if (!ok) return -1;
    return elevation.TokenIsElevated ? 1 : 0;
}

bool FileTimeToLocalCalendar(uint64_t fileTime, CalendarTime& out) noexcept {
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    out = CalendarTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

}  // namespace wb
