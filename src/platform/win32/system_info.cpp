// The system information service over kernel32.
#include "platform/system_info.h"

#include <windows.h>

namespace wb {

uint16_t UserDefaultLanguage() noexcept { return GetUserDefaultLangID(); }

uint32_t SystemVersion() noexcept { return GetVersion(); }

bool FileTimeToLocalCalendar(uint64_t fileTime, CalendarTime& out) noexcept {
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    out = CalendarTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

}  // namespace wb
