// The script control fake: records what would have been run.
#include "fakes/fakes.h"
#include "platform/script_control.h"

namespace wb {
namespace {

struct ScriptFake {
    bool Available = true;
    bool CodeFails = false;
    bool Open = false;
    std::string Language;
    long Timeout = 0;
    std::vector<fake::ScriptRun> Runs;
    int Opens = 0;
    int Closes = 0;
};

ScriptFake g_script;

}  // namespace

bool ScriptControlOpen() noexcept {
    ++g_script.Opens;
    g_script.Open = g_script.Available;
    g_script.Language = g_script.Open ? "VBScript" : "";
    return g_script.Open;
}

bool ScriptControlReady() noexcept { return g_script.Open; }

bool ScriptControlSetLanguage(const char* language) noexcept {
    if (!g_script.Open) return false;
    g_script.Language = language;
    return true;
}

bool ScriptControlSetTimeout(long milliseconds) noexcept {
    if (!g_script.Open) return false;
    g_script.Timeout = milliseconds;
    return true;
}

bool ScriptControlAddCode(const char* text) noexcept {
    if (!g_script.Open) return false;
    g_script.Runs.push_back({g_script.Language, g_script.Timeout, text});
    return !g_script.CodeFails;
}

void ScriptControlClose() noexcept {
    if (g_script.Open) ++g_script.Closes;
    g_script.Open = false;
}

namespace fake {

void ScriptReset() { g_script = ScriptFake{}; }
void ScriptSetAvailable(bool available) { g_script.Available = available; }
void ScriptSetCodeFails(bool fails) { g_script.CodeFails = fails; }
const std::vector<ScriptRun>& ScriptRuns() { return g_script.Runs; }
std::string ScriptLanguage() { return g_script.Language; }
int ScriptOpenCount() { return g_script.Opens; }
int ScriptCloseCount() { return g_script.Closes; }

}  // namespace fake
}  // namespace wb
