// Test builds only: the Setup-state dump behind WriteProbe.
#ifdef WB_PROBE
#include "startup/probe.h"

#include <cstdio>
#include <string>

#include "config/language_table.h"
#include "platform/files.h"
#include "platform/script_engine.h"
#include "state/setup_state.h"

namespace wb {

namespace {

void Line(std::string& out, const char* name, const std::string& value) {
    out += name;
    out += '=';
    for (char c : value) out += c == '\n' ? '|' : c;
    out += "\r\n";
}

void Line(std::string& out, const char* name, long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    Line(out, name, std::string(text));
}

}  // namespace

void WriteProbe(unsigned exitCode) {
    std::string out;
    Line(out, "ExitCode", static_cast<long>(exitCode));
    Line(out, "QuietMode", Setup.QuietMode);
    Line(out, "CmdProgDir", Setup.CmdProgDir);
    Line(out, "CmdStartMenu", Setup.CmdStartMenu);
    Line(out, "HookMode", Setup.HookMode);
    Line(out, "SetupExe", Setup.SetupExe);
    Line(out, "TempDir", Setup.TempDir);
    Line(out, "SetupIni", Setup.SetupIni);
    Line(out, "Titel", Setup.Titel);
    Line(out, "Version", Setup.Version);
    Line(out, "GUID", Setup.GUID);
    Line(out, "ProgExe", Setup.ProgExe);
    Line(out, "MutexString", Setup.MutexString);
    Line(out, "LanguageList", Setup.LanguageList);
    Line(out, "LanguageFile", Setup.LanguageFile);
    Line(out, "ProgramRunning", Setup.ProgramRunning);
    Line(out, "PackageDamaged", Setup.PackageDamaged);
    Line(out, "WindowTitle", Setup.WindowTitle);
    Line(out, "ScriptEngines", ScriptEngineAvailable(ScriptLanguage::VBScript) &&
                                       ScriptEngineAvailable(ScriptLanguage::JScript)
                                   ? 1L
                                   : 0L);
    Line(out, "StartMenuDir", Setup.StartMenuDir);
    Line(out, "ScriptError", Setup.ScriptError);
    Line(out, "ScriptErrorLine", static_cast<long>(Setup.ScriptErrorLine));
    for (size_t i = 0; i < kLanguageRowCount; ++i) {
        auto id = static_cast<LangId>(i);
        std::string name = std::string("Lang.") + LanguageRowGroup(id) + "." + LanguageRowKey(id);
        Line(out, name.c_str(), LangText(id));
    }
    std::string path = Setup.SetupExe + ".probe";
    UniqueFile file(FileOpen(path.c_str(), FileAccess::CreateAlways));
    if (file) (void)FileWrite(file.get(), out.data(), static_cast<uint32_t>(out.size()));
}

}  // namespace wb
#endif
