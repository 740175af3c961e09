// The Uninstall log reader, over a parsed Preference document.
#include "handover/log_reader.h"

#include "platform/files.h"
#include "platform/text.h"

namespace wb {
namespace {

// Larger files are not Preference files (the same limit as PrefOpen's).
constexpr int64_t kLargestLog = 64 * 1024 * 1024;

std::string Folded(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

using Group = std::unordered_map<std::string, std::string>;

bool Find(const Group& group, const char* key, std::string& value) {
    const auto found = group.find(Folded(key));
    if (found == group.end()) return false;
    value = found->second;
    return true;
}

std::string Get(const Group& group, const char* key) {
    std::string value;
    Find(group, key, value);
    return value;
}

// Numbered keys F001, D001, ... until the first one that is missing; an empty value counts.
std::vector<std::string> Numbered(const Group& group, std::string (*keyOf)(uint32_t)) {
    std::vector<std::string> values;
    for (uint32_t n = 1; n <= kMostLogNumbered; ++n) {
        const auto found = group.find(Folded(keyOf(n)));
        if (found == group.end()) break;
        values.push_back(found->second);
    }
    return values;
}

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The records of group UserTask. Its count comes first: a count that is no number, or
// promises more records than a log may hold or than are there, means records were lost,
// and removing by what is left would be a guess.
LogRead ReadTasks(const Group& group, std::vector<std::string>& tasks) {
    std::string number;
    if (!Find(group, kTaskCountKey, number)) {
        // No count and no records: a log without tasks. Records without their count are
        // damage.
        return group.count(Folded(LogTaskKey(1))) ? LogRead::BadTaskCount : LogRead::Ok;
    }
    if (!AllDigits(number)) return LogRead::BadTaskCount;
    const int32_t count = ParseLeadingNumber(number);
    if (count > kMostTasks) return LogRead::BadTaskCount;
    for (int32_t i = 1; i <= count; ++i) {
        const auto found = group.find(Folded(LogTaskKey(uint32_t(i))));
        if (found == group.end()) {
            tasks.clear();
            return LogRead::BadTaskCount;
        }
        tasks.push_back(found->second);
    }
    return LogRead::Ok;
}

}  // namespace

LogRead ReadLogContents(const PrefDocument& doc, LogContents& out) {
    out = LogContents{};
    const Group language = PrefGroupValues(doc, kLogLanguage);
    for (size_t i = 0; i < size_t(LogText::Count); ++i) {
        out.HasText[i] = Find(language, kLogTextKeys[i], out.Texts[i]);
    }
    out.Files = Numbered(PrefGroupValues(doc, kLogFiles), LogFileKey);
    out.Dirs = Numbered(PrefGroupValues(doc, kLogDirs), LogDirKey);
    if (PrefHasGroup(doc, kLogStartMenu)) {
        const Group links = PrefGroupValues(doc, kLogStartMenu);
        for (const char* key : kLogLinkKeys) out.Links.push_back(Get(links, key));
    }
    const LogRead tasks = ReadTasks(PrefGroupValues(doc, kUserTaskGroup), out.Tasks);

    if (!PrefHasGroup(doc, kLogSettings)) return LogRead::NoSettings;
    const Group settings = PrefGroupValues(doc, kLogSettings);
    struct Row {
        const char* Key;
        std::string LogContents::*Text;
    };
    static const Row rows[] = {
        {kLogProgName, &LogContents::ProgName},     {kLogVersion, &LogContents::Version},
        {kLogMutexString, &LogContents::MutexString}, {kLogProgDir, &LogContents::ProgDir},
        {kLogProgExe, &LogContents::ProgExe},       {kLogGUID, &LogContents::GUID},
        {kLogProgLink, &LogContents::ProgLink},     {kLogStartMenuDir, &LogContents::StartMenu},
        {kLogDesktopIcon, &LogContents::DesktopIcon}};
    for (const Row& r : rows) out.*r.Text = Get(settings, r.Key);
    out.HasGuid = settings.count(Folded(kLogGUID)) != 0;
    std::string noDelAll;
    out.NoDelAll = Find(settings, kLogNoDelAll, noDelAll) && ParseLeadingNumber(noDelAll) == 1;
    out.PerUser = SameTextNoCase(Get(settings, kLogScope), kLogScopeUser);
    return tasks;
}

LogRead ReadLogContents(const char* data, size_t length, LogContents& out) {
    PrefDocument doc;
    PrefLoadText(data, length, doc);
    return ReadLogContents(doc, out);
}

LogRead ReadLogFile(const std::string& folder, LogContents& out) {
    out = LogContents{};
    const std::string path = folder + kUninstallLogName;
    const int64_t length = PathLength(path.c_str());
    if (length < 0) return LogRead::Missing;
    if (length > kLargestLog) return LogRead::Unreadable;
    std::string text(size_t(length), '\0');
    UniqueFile file(FileOpen(path.c_str(), FileAccess::Read));
    if (!file || (length > 0 && !FileRead(file.get(), text.data(), uint32_t(length)))) {
        return LogRead::Unreadable;
    }
    return ReadLogContents(text.data(), text.size(), out);
}

}  // namespace wb
