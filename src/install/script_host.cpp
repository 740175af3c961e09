// The Script host: one script control for the run, and the running of the setup script.
#include "install/script_host.h"

#include "install/script_header.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/script_control.h"
#include "startup/setup_state.h"

namespace wb {

namespace {

// Setup scripts are small; a larger file is not a script the installer runs.
constexpr int64_t kMaxScriptBytes = 16 * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::string& text) {
    UniqueFile file(FileOpen(path.c_str(), FileAccess::Read));
    if (!file) return false;
    int64_t length = FileLength(file.get());
    if (length < 0 || length > kMaxScriptBytes) return false;
    text.assign(static_cast<size_t>(length), '\0');
    return length == 0 || FileRead(file.get(), text.data(), static_cast<uint32_t>(length));
}

}  // namespace

void ScriptHostStart() {
    // The host's own COM start keeps it usable by itself; the start-up's is balanced by
    // its own end.
    ComStart();
    ScriptControlOpen();
}

int RunScript(const std::string& path) {
    std::string body;
    if (!ReadWholeFile(path, body)) return 0;
    ScriptLanguage language = ScriptLanguageOfPath(path);
    if (language == ScriptLanguage::None) return 0;
    std::string text = BuildScriptHeader(
        language, {Setup.InstallDir, Setup.TempDir, Setup.StartMenuDir, Setup.GUID});
    AppendScriptLines(body, text);
    if (!ScriptControlSetLanguage(ScriptLanguageName(language))) return 0;
    ScriptControlSetTimeout(20000);
    // A script error is the script's own business: the installation goes on.
    ScriptControlAddCode(text.c_str());
    return 1;
}

void ScriptHostEnd() {
    ScriptControlClose();
    ComEnd();
}

}  // namespace wb
