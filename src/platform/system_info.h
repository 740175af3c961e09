// System information: the user's language and the system's version number.
#pragma once

#include <cstdint>

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

// Converts a file time (100 ns steps since 1601, UTC) to the user's local time; false
// when the system cannot convert it.
bool FileTimeToLocalCalendar(uint64_t fileTime, CalendarTime& out) noexcept;

}  // namespace wb
