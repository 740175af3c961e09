// The script engine fake: records what would have been run and answers as told.
#include "fakes/fakes.h"
#include "platform/script_engine.h"

namespace wb {
namespace {

struct ScriptFake {
    bool VBScriptAvailable = true;
    bool JScriptAvailable = true;
    bool Fails = false;
    ScriptFailure Failure;
    std::vector<fake::ScriptRun> Runs;
};

ScriptFake g_script;

const char* Name(ScriptLanguage language) {
    switch (language) {
        case ScriptLanguage::VBScript: return "VBScript";
        case ScriptLanguage::JScript: return "JScript";
        case ScriptLanguage::None: break;
    }
    return "";
}

}  // namespace

bool ScriptEngineAvailable(ScriptLanguage language) noexcept {
    return (language == ScriptLanguage::VBScript && g_script.VBScriptAvailable) ||
           (language == ScriptLanguage::JScript && g_script.JScriptAvailable);
}

ScriptOutcome RunScriptText(ScriptLanguage language, const std::string& text, uint32_t limitMs,
                            bool allowWindows, ScriptFailure& failure) noexcept {
    failure = ScriptFailure{};
    if (!ScriptEngineAvailable(language)) return ScriptOutcome::NoEngine;
    g_script.Runs.push_back({Name(language), static_cast<long>(limitMs), text, allowWindows});
    if (!g_script.Fails) return ScriptOutcome::Ran;
    failure = g_script.Failure;
    return ScriptOutcome::Failed;
}

namespace fake {

void ScriptReset() { g_script = ScriptFake{}; }
void ScriptSetAvailable(bool available) {
    g_script.VBScriptAvailable = g_script.JScriptAvailable = available;
}
void ScriptSetVBScriptAvailable(bool available) { g_script.VBScriptAvailable = available; }
void ScriptSetFailure(const std::string& text, int32_t line, bool timedOut) {
    g_script.Fails = true;
    g_script.Failure.Text = text;
    g_script.Failure.Line = line;
    g_script.Failure.TimedOut = timedOut ? 1 : 0;
}
const std::vector<ScriptRun>& ScriptRuns() { return g_script.Runs; }

}  // namespace fake
}  // namespace wb
