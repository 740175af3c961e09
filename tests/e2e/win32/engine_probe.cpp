// Test program for the installation engine's script host and version check under Wine:
// sets the Setup state from its arguments and calls the operation.
//   engine_probe script PATH PROGDIR SETUPDIR STARTMENUDIR GUID
//                                    prints "ready=0|1" (both engines can be made),
//                                    "result=N" of RunScript, "error=" and "line=" of the
//                                    error it kept
//   engine_probe limit PATH LANGUAGE MILLISECONDS
//                                    runs the file's text with that time limit; prints
//                                    "outcome=ran|failed|none", "timedout=0|1", "error="
//   engine_probe copy SOURCE DESTINATION QUIET
//                                    prints "result=N" of CopyWithVersionCheck (QUIET 0|1)
//   engine_probe version PATH        prints the version summary in brackets
//   engine_probe fixed PATH          prints the fixed file version or "none"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/language_table.h"
#include "install/script_host.h"
#include "install/version_check.h"
#include "platform/script_engine.h"
#include "platform/version_info.h"
#include "state/setup_state.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: engine_probe script PATH PROGDIR SETUPDIR STARTMENUDIR GUID"
                         " | limit PATH vbs|js MILLISECONDS | copy SOURCE DESTINATION QUIET | version PATH | fixed PATH\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string command = argv[1];
    wb::CreateLanguageTable();
    if (command == "script" && argc == 7) {
        wb::Setup.InstallDir = argv[3];
        wb::Setup.TempDir = argv[4];
        wb::Setup.StartMenuDir = argv[5];
        wb::Setup.GUID = argv[6];
        wb::ScriptHostStart();
        std::printf("ready=%d\n", wb::ScriptEngineAvailable(wb::ScriptLanguage::VBScript) &&
                                         wb::ScriptEngineAvailable(wb::ScriptLanguage::JScript)
                                     ? 1
                                     : 0);
        std::printf("result=%d\n", wb::RunScript(argv[2]));
        std::printf("error=%s\n", wb::Setup.ScriptError.c_str());
        std::printf("line=%d\n", static_cast<int>(wb::Setup.ScriptErrorLine));
        std::fflush(stdout);
        wb::ScriptHostEnd();
        return 0;
    }
    if (command == "limit" && argc == 5) {
        std::string text;
        if (FILE* f = std::fopen(argv[2], "rb")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
            std::fclose(f);
        }
        wb::ScriptLanguage language = std::strcmp(argv[3], "js") == 0
                                          ? wb::ScriptLanguage::JScript
                                          : wb::ScriptLanguage::VBScript;
        wb::ScriptHostStart();
        wb::ScriptFailure failure;
        const auto limit = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
        wb::ScriptOutcome outcome = wb::RunScriptText(language, text, limit, false, failure);
        std::printf("outcome=%s\n", outcome == wb::ScriptOutcome::Ran      ? "ran"
                                     : outcome == wb::ScriptOutcome::Failed ? "failed"
                                                                            : "none");
        std::printf("timedout=%d\nerror=%s\n", failure.TimedOut, failure.Text.c_str());
        std::fflush(stdout);
        wb::ScriptHostEnd();
        return 0;
    }
    if (command == "copy" && argc == 5) {
        wb::Setup.QuietMode = static_cast<uint8_t>(std::atoi(argv[4]) != 0);
        std::printf("result=%d\n", wb::CopyWithVersionCheck(argv[2], argv[3]));
        return 0;
    }
    if (command == "version" && argc == 3) {
        std::printf("[%s]\n", wb::ReadVersionInfo(argv[2]).c_str());
        return 0;
    }
    if (command == "fixed" && argc == 3) {
        wb::FileVersionInfo info;
        bool ok = wb::ReadFileVersion(argv[2], info);
        std::printf("%s\n", ok && info.HasFixedVersion ? info.Version.c_str() : "none");
        return 0;
    }
    return Usage();
}
