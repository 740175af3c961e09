// The text a setup script runs with: the script language chosen by the file's extension
// and the four constants that tell the script where things are.
#pragma once

#include <cstdint>
#include <string>

#include "platform/script_engine.h"

namespace wb {

// "vbs" gives VBScript and "js" JScript, letter case ignored; the extension is the text
// after the last "." that follows the last "\" or "/". Anything else gives None.
ScriptLanguage ScriptLanguageOfPath(const std::string& path);
// The language's own name: "VBScript", "JScript", or "".
const char* ScriptLanguageName(ScriptLanguage language) noexcept;

struct ScriptConstants {
    std::string ProgDir;       // installation folder
    std::string SetupDir;      // temporary setup folder
    std::string StartMenuDir;  // Start-menu folder, empty when none was made
    std::string Guid;          // the setup's GUID
};

// The header's line count: line n + 4 of the text run is line n of the script file.
constexpr int32_t kScriptHeaderLines = 4;

// Four lines, each ending in CR LF, that declare wbProgDir, wbSetupDir, wbStartMenuDir
// and wbGUID as string literals of the language; empty for None. The values are quoted
// so that the literal holds them exactly (a folder's trailing "\" included).
std::string BuildScriptHeader(ScriptLanguage language, const ScriptConstants& values);

// Appends the lines of `text` to `out`, each followed by CR LF whatever its own line end
// was (LF or CR LF); a last line without a line end gets one too.
void AppendScriptLines(const std::string& text, std::string& out);

}  // namespace wb
