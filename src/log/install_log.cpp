// The install log: kept open for the whole run, so each line reaches the file as it is
// written and a run that ends abruptly still leaves every line before.
#include "log/install_log.h"

#include "platform/files.h"
#include "platform/system_info.h"

namespace wb {

namespace {

PlatformFile* g_log = nullptr;

// Names tried for the logs of one day in the temporary folder before the log is given up.
constexpr int kMostLogsADay = 99999;

// `n` in decimal with leading zeros to `digits` places; no formatted-print library is
// needed in the uninstaller for this.
std::string Padded(int n, size_t digits) {
    std::string text = std::to_string(n < 0 ? 0 : n);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

std::string TwoDigits(int n) { return Padded(n, 2); }

std::string DateText(const CalendarTime& t) {
    return std::to_string(t.Year) + "-" + TwoDigits(t.Month) + "-" + TwoDigits(t.Day);
}

// Creates each missing folder above the file `path`.
void CreateFoldersAbove(const std::string& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '\\' && path[i] != '/') continue;
        // "C:\" and a share's "\\server\share\" exist or cannot be made.
        if (path[i - 1] == ':' || i < 2) continue;
        const std::string folder = path.substr(0, i);
        if (!FolderExists(folder.c_str())) FolderCreate(folder.c_str());
    }
}

}  // namespace

bool OpenInstallLog(const std::string& path) {
    CloseInstallLog();
    if (path.empty()) return false;
    CreateFoldersAbove(path);
    g_log = FileOpen(path.c_str(), FileAccess::CreateAlways);
    if (!g_log) g_log = FileOpen(path.c_str(), FileAccess::TruncateExisting);
    return g_log != nullptr;
}

void LogLine(const std::string& text) {
    if (!g_log) return;
    CalendarTime now;
    std::string line;
    if (LocalTimeNow(now)) {
        line = DateText(now) + " " + TwoDigits(now.Hour) + ":" + TwoDigits(now.Minute) + ":" +
               TwoDigits(now.Second) + "  ";
    }
    for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
    line += "\r\n";
    // A log that stops taking lines (a full disk) is given up; the run goes on.
    if (!FileWrite(g_log, line.data(), uint32_t(line.size()))) CloseInstallLog();
}

void CloseInstallLog() {
    if (g_log) FileClose(g_log);
    g_log = nullptr;
}

bool InstallLogIsOpen() { return g_log != nullptr; }

std::string OpenRequestedLog(const std::string& value, const std::string& tempFolder,
                             const std::string& prefix) {
    if (!value.empty()) return OpenInstallLog(value) ? value : std::string();
    CloseInstallLog();
    CalendarTime now;
    if (!LocalTimeNow(now)) now = CalendarTime{};
    const std::string stem = tempFolder + prefix + " " + DateText(now) + " #";
    for (int n = 1; n <= kMostLogsADay; ++n) {
        const std::string path = stem + Padded(n, 3) + ".txt";
        g_log = FileOpen(path.c_str(), FileAccess::CreateNew);
        if (g_log) return path;
        // Only a taken name moves on; a folder that takes no file at all ends the search.
        if (!PathExists(path.c_str())) return std::string();
    }
    return std::string();
}

}  // namespace wb
