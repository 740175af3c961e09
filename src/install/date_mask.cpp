// The date mask of the Copy File dialog's creation times.
#include "install/date_mask.h"

#include <string>

namespace wb {

namespace {

bool TokenAt(const std::string& mask, size_t at, const char* token) {
    for (size_t i = 0; token[i]; ++i) {
        if (at + i >= mask.size()) return false;
        char c = mask[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != token[i]) return false;
    }
    return true;
}

// At least `digits` digits, zeros in front; the stub carries no formatted printing.
void AppendNumber(std::string& out, int value, int digits) {
    if (value < 0) {
        out += '-';
        value = -value;
    }
    char text[16];
    int n = 0;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 15);
    while (n < digits && n < 15) text[n++] = '0';
    while (n > 0) out += text[--n];
}

}  // namespace

std::string FormatDateMask(const std::string& mask, const CalendarTime& time) {
    struct Token {
        const char* Letters;
        int Value;
        int Digits;
    };
    // The four-letter year comes before its two-letter form so that "%yyyy" wins.
    const Token tokens[] = {
        {"yyyy", time.Year, 4},   {"yy", time.Year % 100, 2}, {"mm", time.Month, 2},
        {"dd", time.Day, 2},      {"hh", time.Hour, 2},       {"ii", time.Minute, 2},
        {"ss", time.Second, 2},
    };
    std::string out;
    for (size_t i = 0; i < mask.size();) {
        bool matched = false;
        if (mask[i] == '%') {
            for (const Token& t : tokens) {
                if (TokenAt(mask, i + 1, t.Letters)) {
                    AppendNumber(out, t.Value, t.Digits);
                    i += 1 + std::char_traits<char>::length(t.Letters);
                    matched = true;
                    break;
                }
            }
        }
        if (!matched) out += mask[i++];
    }
    return out;
}

}  // namespace wb
