// The system information fake: a settable language and version.
#include "fakes/fakes.h"
#include "platform/system_info.h"

namespace wb {
namespace {

uint16_t g_language = 0x0409;
uint32_t g_version = 0x0A280105;
int g_offsetMinutes = 0;
CalendarTime g_now{2026, 12, 8, 9, 30, 15};
int g_elevation = 1;

}  // namespace

uint16_t UserDefaultLanguage() noexcept { return g_language; }
uint32_t SystemVersion() noexcept { return g_version; }

bool LocalTimeNow(CalendarTime& out) noexcept {
    out = g_now;
    return true;
}
std::string SystemErrorText(uint32_t code) {
    if (code == 5) return "Access is denied";
    return "system error " + std::to_string(code);
}
bool SystemIs64Bit() noexcept { return true; }
int ProcessElevation() noexcept { return g_elevation; }

bool FileTimeToLocalCalendar(uint64_t fileTime, CalendarTime& out) noexcept {
    int64_t seconds = static_cast<int64_t>(fileTime / 10000000ULL) + int64_t{g_offsetMinutes} * 60;
    if (seconds < 0) return false;
    int64_t days = seconds / 86400, rest = seconds % 86400;
    // Days since 1601-01-01 to a civil date; 1601 starts a 400-year cycle.
    int64_t cycles = days / 146097, dayOfCycle = days % 146097;
    int64_t yearOfCycle = (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 -
                           (dayOfCycle == 146096 ? 1 : 0)) / 365;
    int64_t dayOfYear = dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
    int year = static_cast<int>(1601 + 400 * cycles + yearOfCycle);
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (month < 11 && dayOfYear >= lengths[month]) dayOfYear -= lengths[month++];
    out = CalendarTime{year, month + 1, static_cast<int>(dayOfYear) + 1, static_cast<int>(rest / 3600),
                       static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
    return true;
}

namespace fake {

void SystemInfoReset() {
    g_language = 0x0409;
    g_version = 0x0A280105;
    g_offsetMinutes = 0;
    g_now = CalendarTime{2026, 12, 8, 9, 30, 15};
    g_elevation = 1;
}
void SystemSetElevation(int elevation) { g_elevation = elevation; }
void SystemSetNow(const CalendarTime& now) { g_now = now; }

void SystemSetLanguage(uint16_t languageId) { g_language = languageId; }
void SystemSetVersion(uint32_t version) { g_version = version; }
void SystemSetTimeZoneOffset(int minutes) { g_offsetMinutes = minutes; }

}  // namespace fake
}  // namespace wb
