// SOURCE_DATE_EPOCH, the reproducible-builds convention: the time of the sources a build is
// made from. A fresh checkout gives every file the time of the checkout; with this set, no
// entry records a time later than the sources', so two builds of one commit are the same.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Reads SOURCE_DATE_EPOCH: `latest` becomes its Windows file time, or 0 when the variable
// is unset or empty. False with a one-line reason when it is not a plain decimal count of
// seconds since 1970 that a file time can hold.
bool LatestTimeFromEnvironment(uint64_t& latest, std::string& error);

// The same for a given value.
bool ParseSourceDateEpoch(const std::string& text, uint64_t& latest, std::string& error);

// A file time as recorded under `latest` (0: no limit).
constexpr uint64_t ClampFileTime(uint64_t fileTime, uint64_t latest) noexcept {
    return latest != 0 && fileTime > latest ? latest : fileTime;
}

}  // namespace wb
