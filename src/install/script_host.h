// The setup script: VBScript or JScript run by the system's script engine of that language.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// How long a setup script may run before its engine is asked to stop it.
constexpr uint32_t kScriptTimeLimitMs = 20000;

void ScriptHostStart();
// Runs the script file `path` with its generated constants. 1 when the text was handed
// to the engine (whether or not it ran clean), 0 when the file cannot be read, is too
// large, is neither .vbs nor .js, or the engine of its language is missing. An error the
// engine reports goes to Setup.ScriptError and Setup.ScriptErrorLine (the line in the
// script file); when 0 is returned, Setup.ScriptError says why nothing ran.
int RunScript(const std::string& path);
void ScriptHostEnd();

}  // namespace wb
