// Reading SOURCE_DATE_EPOCH strictly: a mistyped value fails the build rather than being
// taken for some other time.
#include "wbpack/source_date.h"

#include <cstdlib>

#include "wbpack/host_files.h"

namespace wb {

namespace {

// The last second a Windows file time can hold in 63 bits, counted from 1970.
constexpr uint64_t kMaxSeconds = 910692730085ull;

}  // namespace

bool ParseSourceDateEpoch(const std::string& text, uint64_t& latest, std::string& error) {
    latest = 0;
    if (text.empty()) return true;
    uint64_t seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || seconds > kMaxSeconds) {
            error = "SOURCE_DATE_EPOCH '" + text +
                    "' is not a number of seconds since 1970 (such as the commit's time: "
                    "git log -1 --format=%ct)";
            return false;
        }
        seconds = seconds * 10 + uint64_t(c - '0');
    }
    if (seconds > kMaxSeconds) {
        error = "SOURCE_DATE_EPOCH '" + text + "' lies beyond the times a file can carry";
        return false;
    }
    latest = UnixToFileTime(int64_t(seconds), 0);
    return true;
}

bool LatestTimeFromEnvironment(uint64_t& latest, std::string& error) {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    return ParseSourceDateEpoch(value ? value : "", latest, error);
}

}  // namespace wb
