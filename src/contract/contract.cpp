// The shared words of the hand-over from the installer to the uninstaller, and the one test
// of which names may be joined to the installation folder.
#include "contract/contract.h"

#include "platform/text.h"

namespace wb {

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

// Windows opens the device, not a file, for these names whatever extension follows.
bool IsDeviceName(std::string_view part) noexcept {
    std::string_view base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices) {
        if (SameTextNoCase(base, d)) return true;
    }
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
        std::string_view stem = base.substr(0, 3);
        if (SameTextNoCase(stem, "COM") || SameTextNoCase(stem, "LPT")) return true;
    }
    return false;
}

// Characters no file name may hold: they would be read as wildcards, quoting or a pipe,
// and a log value with "|" would not come back as written.
bool IsForbiddenInName(unsigned char c) noexcept {
    return c < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
           c == '|';
}

std::string Numbered(const char* prefix, uint32_t n, unsigned minDigits) {
    return prefix + DecimalText(n, minDigits);
}

}  // namespace

std::string DecimalText(uint32_t value, unsigned minDigits) {
    char digits[12];
    unsigned n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    std::string text(n < minDigits ? minDigits - n : 0, '0');
    while (n) text.push_back(digits[--n]);
    return text;
}

std::string LogFileKey(uint32_t n) { return Numbered("F", n, 3); }
std::string LogDirKey(uint32_t n) { return Numbered("D", n, 3); }
std::string LogTaskKey(uint32_t n) { return Numbered("Task", n, 1); }

std::string UninstallRecord(TaskKind kind, std::initializer_list<std::string> fields) {
    std::string record = DecimalText(uint32_t(uint8_t(kind)));
    for (const std::string& f : fields) record += "|" + f;
    return record;
}

ParsedRecord ParseUninstallRecord(const std::string& record) {
    ParsedRecord parsed;
    size_t bar = record.find('|');
    std::string_view kind(record.data(), bar == std::string::npos ? record.size() : bar);
    if (!kind.empty() && kind.size() <= 3) {
        int value = 0;
        for (char c : kind) {
            if (c < '0' || c > '9') {
                value = -1;
                break;
            }
            value = value * 10 + (c - '0');
        }
        parsed.Kind = value;
    }
    while (bar != std::string::npos) {
        size_t next = record.find('|', bar + 1);
        size_t end = next == std::string::npos ? record.size() : next;
        parsed.Fields.push_back(record.substr(bar + 1, end - bar - 1));
        bar = next;
    }
    return parsed;
}

std::string UninstallKeyFor(const std::string& guid, const std::string& progLink) {
    const std::string& name = guid.empty() ? progLink : guid;
    if (name.empty() || name.find_first_of("\\/") != std::string::npos) return {};
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
}

bool IsSafeRelativePath(const std::string& name) noexcept {
    if (name.empty() || IsSeparator(name[0])) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        // Only a folder's closing separator may leave an empty part.
        if (end == start) return end == name.size() && start > 0;
        bool onlyDots = true;
        for (size_t i = start; i < end; ++i) {
            if (IsForbiddenInName(static_cast<unsigned char>(name[i]))) return false;
            if (name[i] != '.' && name[i] != ' ') onlyDots = false;
        }
        // Windows drops trailing dots and blanks, so "..." and ".. " would climb too.
        if (onlyDots || IsDeviceName(std::string_view(name).substr(start, end - start))) {
            return false;
        }
        if (end == name.size()) return true;
        start = end + 1;
    }
}

}  // namespace wb
