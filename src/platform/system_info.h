// System information: the user's language and the system's version number.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

uint16_t UserDefaultLanguage() noexcept;  // GetUserDefaultLangID
uint32_t SystemVersion() noexcept;        // GetVersion

}  // namespace wb

namespace wb {

// A point in time broken down as a calendar shows it.
struct CalendarTime {
    int Year = 0;
    int Month = 0;  // 1 to 12
    int Day = 0;    // 1 to 31
    int Hour = 0;   // 0 to 23
    int Minute = 0;
    int Second = 0;
};

// The user's local time now (GetLocalTime); false when the system cannot tell it.
bool LocalTimeNow(CalendarTime& out) noexcept;

// Converts a file time (100 ns steps since 1601, UTC) to the user's local time; false
// when the system cannot convert it.
bool FileTimeToLocalCalendar(uint64_t fileTime, CalendarTime& out) noexcept;

}  // namespace wb

namespace wb {

// The system's own words for an error code, without the trailing line break and full stop;
// "system error N" when the system has no text for it.
std::string SystemErrorText(uint32_t code);
// True when Windows itself is 64-bit, whatever this program's own bitness.
bool SystemIs64Bit() noexcept;
// 1 when the process runs with administrator rights (an elevated token), 0 when not,
// -1 when the system cannot tell (before Vista there is no elevation).
int ProcessElevation() noexcept;

}  // namespace wb
