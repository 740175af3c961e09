// The Script host: the running of the setup script by the system's script engine.
#include "install/script_host.h"

#include "install/script_header.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/script_engine.h"
#include "state/setup_state.h"

namespace wb {

namespace {

// Setup scripts are small; a larger file is not a script the installer runs.
constexpr int64_t kMaxScriptBytes = 16 * 1024 * 1024;

// Reads the script file; on failure `why` says why it is not run.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& why) {
    UniqueFile file(FileOpen(path.c_str(), FileAccess::Read));
    if (!file) {
        why = "the file cannot be opened";
        return false;
    }
    int64_t length = FileLength(file.get());
    if (length < 0 || length > kMaxScriptBytes) {
        why = length < 0 ? "the file's length cannot be read"
                         : "the file is larger than " + std::to_string(kMaxScriptBytes) + " bytes";
        return false;
    }
    text.assign(static_cast<size_t>(length), '\0');
    if (length == 0 || FileRead(file.get(), text.data(), static_cast<uint32_t>(length))) {
        return true;
    }
    why = "the file cannot be read";
    return false;
}

// The engine counts the generated constants too; the author thinks in lines of the file.
int32_t ScriptFileLine(int32_t textLine) {
    return textLine > kScriptHeaderLines ? textLine - kScriptHeaderLines : 0;
}

}  // namespace

void ScriptHostStart() {
    // The host's own COM start keeps it usable by itself; the start-up's is balanced by
    // its own end. The engine itself is made for each script, in its language.
    ComStart();
}

int RunScript(const std::string& path) {
    Setup.ScriptError.clear();
    Setup.ScriptErrorLine = 0;
    ScriptLanguage language = ScriptLanguageOfPath(path);
    if (language == ScriptLanguage::None) {
        Setup.ScriptError = "it is neither a .vbs nor a .js file";
        return 0;
    }
    std::string body;
    if (!ReadWholeFile(path, body, Setup.ScriptError)) return 0;
    std::string text = BuildScriptHeader(
        language, {Setup.InstallDir, Setup.TempDir, Setup.StartMenuDir, Setup.GUID});
    AppendScriptLines(body, text);
    ScriptFailure failure;
    // A quiet run shows no window, so a script's MsgBox takes its default answer there.
    switch (RunScriptText(language, text, kScriptTimeLimitMs, Setup.QuietMode == 0, failure)) {
        case ScriptOutcome::Ran:
            return 1;
        case ScriptOutcome::Failed:
            // A script error ends the script, never the installation; the log shows it.
            Setup.ScriptError = failure.Text;
            Setup.ScriptErrorLine = ScriptFileLine(failure.Line);
            return 1;
        case ScriptOutcome::NoEngine:
            break;
    }
    // VBScript is an optional feature of newer Windows: say why nothing ran.
    Setup.ScriptError = std::string("the ") + ScriptLanguageName(language) +
                        " engine is not available on this system";
    return 0;
}

void ScriptHostEnd() { ComEnd(); }

}  // namespace wb
