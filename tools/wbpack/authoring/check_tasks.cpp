// wbpack check: the Install tasks of [UserTask], field by field against their kind.
#include "config/install_scope.h"
#include "config/setup_keys.h"
#include "contract/contract.h"
#include "platform/text.h"
#include "wbpack/authoring/check_run.h"

namespace wb {

using namespace check_parts;
namespace {

std::string FieldText(size_t n, const TaskFieldSpec& spec) {
    return "field " + std::to_string(n) + " (" + spec.Name + ")";
}

template <typename Field>
void CheckTaskField(CheckRun& r, uint32_t line, int kind, size_t n, const TaskFieldSpec& f,
                    const std::string& v, const Field& field) {
    const std::string what = FieldText(n, f);
    switch (f.Use) {
        case TaskFieldUse::IconIndex:
            if (v.empty()) break;
            if (!IsDecimal(v)) {
                Error(r, line, what + " takes a number, not '" + v + "'");
            } else if (WideNumber(v) < -128 || WideNumber(v) > 127) {
                Error(r, line,
                      what + " " + v + " is out of range (-128 to 127; -1 the target's icon)");
            }
            break;
        case TaskFieldUse::Flag:
            if (!v.empty() && !IsDecimal(v))
                Error(r, line, what + " takes 0 or 1, not '" + v + "'");
            break;
        case TaskFieldUse::RootKey: {
            uint32_t root = uint32_t(ParseLeadingNumber(v));
            if (!IsDecimal(v)) {
                Error(r, line, what + " takes a number, not '" + v + "'");
            } else if (!IsTaskRegRoot(root)) {
                Error(r, line,
                      what + " " + v +
                          " is no registry root the installer writes to (HKEY_CLASSES_ROOT is "
                          "2147483648, HKEY_CURRENT_USER 2147483649, HKEY_LOCAL_MACHINE "
                          "2147483650)");
            }
            break;
        }
        case TaskFieldUse::ProgramPath:
            if (kind != int(TaskKind::Association) && CountChar(v, '%') == 2) {
                CheckMacros(r, line, what, v, StageOne());
            } else if (!InProgram(r, v)) {
                Error(r, line, what + " '" + v + "' is not in program/");
            }
            break;
        case TaskFieldUse::IconFile:
            if (v.empty() || ParseLeadingNumber(field(n - 1)) == -1) break;
            if (CountChar(v, '%') == 2) {
                CheckMacros(r, line, what, v, StageOne());
            } else if (!InProgram(r, v)) {
                Warn(r, line,
                     what + " '" + v +
                         "' is not in program/; the shortcut takes its "
                         "target's icon");
            }
            break;
        case TaskFieldUse::SetupFile:
            if (!InOuter(r, v)) Error(r, line, what + " '" + v + "' is not in the project");
            break;
        case TaskFieldUse::TargetFolder: {
            std::vector<std::string> allowed = StageOne();
            allowed.insert(allowed.end(), {"%InstallDir%", "%ProgDir%"});
            CheckMacros(r, line, what, v, allowed);
            break;
        }
        case TaskFieldUse::SystemFolder: {
            std::vector<std::string> allowed = StageOne();
            allowed.push_back("%ProgDir%");
            CheckMacros(r, line, what, v, allowed);
            break;
        }
        case TaskFieldUse::FileName: {
            const std::string folder = field(2);
            if (folder.rfind("%ProgDir%", 0) == 0) {
                std::string rel = folder.substr(9) + v;
                if (!InProgram(r, rel)) {
                    Error(r, line,
                          what + " '" + rel +
                              "' is not in program/ (the task registers "
                              "or runs the installed file)");
                }
            } else if (folder.find("%ProgDir%") == std::string::npos) {
                size_t slash = v.find_last_of('\\');
                std::string name = slash == std::string::npos ? v : v.substr(slash + 1);
                if (!InOuter(r, name)) {
                    Error(r, line,
                          what + " '" + name +
                              "' is not in the project (the task "
                              "copies it from the setup)");
                }
            }
            break;
        }
        case TaskFieldUse::Extension:
            if (v[0] == '.') Error(r, line, what + " '" + v + "' is written without its dot");
            break;
        default:
            break;
    }
}

void CheckTaskValue(CheckRun& r, const KeyLine& kl, bool perUser) {
    if (kl.Value.empty()) return;  // an empty task is skipped
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t bar = kl.Value.find('|', start);
        fields.push_back(kl.Value.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    const uint32_t line = kl.Line;
    if (!IsDecimal(fields[0])) {
        Error(r, line, "task kind '" + fields[0] + "' is not a number");
        return;
    }
    int64_t kind = WideNumber(fields[0]);
    if (kind == int(TaskKind::Nothing)) return;
    const TaskKindSpec* spec = FindTaskKind(int(kind));
    const int last = int(kLastTaskKind);
    if (!spec || kind < 0 || kind > last) {
        int runs = int(int8_t(uint8_t(ParseLeadingNumber(fields[0]))));
        std::string as =
            runs >= 0 && runs <= last && runs != int(TaskKind::Nothing)
                ? "; only its low 8 bits count, so it runs as kind " + std::to_string(runs)
                : "; it does nothing";
        Error(r, line, "task kind " + fields[0] + " is unknown (kinds are 0 to " +
                           std::to_string(last) + ")" + as);
        return;
    }
    const size_t needed = spec->MinFields;
    if (fields.size() < needed) {
        std::string form = std::to_string(kind);
        for (size_t i = 0; i + 2 <= needed; ++i) form += std::string("|") + spec->Fields[i].Name;
        Error(r, line,
              "task kind " + std::to_string(kind) + " (" + spec->Title + ") needs " +
                  std::to_string(needed) + " fields, " + form + "; this task has " +
                  std::to_string(fields.size()));
        return;
    }
    auto field = [&](size_t n) { return n <= fields.size() ? fields[n - 1] : std::string(); };
    for (size_t i = 0; i < spec->Fields.size(); ++i) {
        const TaskFieldSpec& f = spec->Fields[i];
        const size_t n = i + 2;
        const std::string v = field(n);
        if (f.Required && v.empty()) {
            Error(r, line, FieldText(n, f) + " is empty");
            continue;
        }
        CheckTaskField(r, line, int(kind), n, f, v, field);
    }
    if (perUser) {
        const std::string reason = MachineOnlyTaskReason(fields);
        if (!reason.empty()) {
            Warn(r, line,
                 kl.Key + " cannot work in a per-user installation (" + reason +
                     "): such a run logs it as not done");
        }
    }
}

}  // namespace

void check_parts::CheckTasks(CheckRun& r) {
    const KeyLine* number = Key(r, kUserTaskGroup, kTaskCountKey);
    int64_t count = 0;
    // Text in place of the number is reported with the other number keys.
    if (number && IsDecimal(number->Value)) {
        count = WideNumber(number->Value);
        if (count < 0 || count > kMostTasks) {
            Error(r, number->Line,
                  "Number = " + number->Value + " is out of range (0 to " +
                      std::to_string(kMostTasks) + ")");
            count = 0;
        }
    } else if (number) {
        count = ParseLeadingNumber(number->Value);
    }
    // Scope user or both: a task that needs machine rights is worth a warning.
    ScopeOffer offer = ScopeOffer::Machine;
    if (const KeyLine* scope = Key(r, "Settings", "Scope")) ParseScopeOffer(scope->Value, offer);
    const bool perUser = offer != ScopeOffer::Machine;
    for (const auto& [n, kl] : r.Tasks) {
        if (n > count) {
            Error(r, kl.Line,
                  kl.Key + " is past Number = " + std::to_string(count) + " and never runs");
            continue;
        }
        CheckTaskValue(r, kl, perUser);
    }
}

}  // namespace wb
