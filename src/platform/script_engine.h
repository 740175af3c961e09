// The system's script engines (VBScript and JScript), driven through their own scripting
// interfaces rather than through a wrapper control: the engines exist in both bitnesses,
// the wrappers do not. One engine is made for one script and released when it ends.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

enum class ScriptLanguage : uint8_t { None, VBScript, JScript };

enum class ScriptOutcome : uint8_t {
    Ran,       // parsed and ran to its end
    Failed,    // did not parse, failed while running, or was stopped at the time limit
    NoEngine,  // the engine of the language cannot be created here (not installed)
};

// What the engine said about a script that failed.
struct ScriptFailure {
    std::string Text;   // the engine's description, in the ANSI code page; never empty
    int32_t Line = 0;   // 1-based line in the text handed over; 0 when the engine gave none
    uint8_t TimedOut = 0;
};

// True when the engine of `language` can be created in this process.
bool ScriptEngineAvailable(ScriptLanguage language) noexcept;

// Parses the whole ANSI `text` and runs its top-level statements on the calling thread,
// which must have started COM. A script still running after `limitMs` milliseconds is
// asked to stop. Without `allowWindows` the engine's own message and input boxes answer
// with their default at once instead of showing. `failure` is filled when the result is
// Failed.
ScriptOutcome RunScriptText(ScriptLanguage language, const std::string& text, uint32_t limitMs,
                            bool allowWindows, ScriptFailure& failure) noexcept;

}  // namespace wb
