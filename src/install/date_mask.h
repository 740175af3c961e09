// Dates as text through a mask of "%" tokens.
#pragma once

#include <string>

#include "platform/system_info.h"

namespace wb {

// Formats `time` by `mask`: "%yyyy" four-digit year; "%yy" the year's last two digits;
// "%mm" month, "%dd" day, "%hh" hour (00 to 23), "%ii" minute, "%ss" second, each two
// digits with a leading zero. Token letters ignore case; every other character, a "%"
// that starts no token included, is copied.
std::string FormatDateMask(const std::string& mask, const CalendarTime& time);

}  // namespace wb
