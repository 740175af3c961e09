// The setup script: VBScript or JScript run by the system's script control.
#pragma once

#include <string>

namespace wb {

void ScriptHostStart();
// Runs the script file `path` with its generated constants. 1 when the text was handed
// to the script control, 0 when the file cannot be read or is neither .vbs nor .js.
int RunScript(const std::string& path);
void ScriptHostEnd();

}  // namespace wb
