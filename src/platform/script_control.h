// The system's script control: one in-process instance that parses and runs VBScript or
// JScript text. Absent when the control is not installed or cannot be created.
#pragma once

namespace wb {

// Creates the one instance, resets it and selects VBScript; false when it cannot be made.
// An instance that already exists is replaced.
bool ScriptControlOpen() noexcept;
// True while an instance exists.
bool ScriptControlReady() noexcept;
// "VBScript" or "JScript"; false when there is no instance or the engine refuses it.
bool ScriptControlSetLanguage(const char* language) noexcept;
// The run-time limit of one script in milliseconds; false when there is no instance.
bool ScriptControlSetTimeout(long milliseconds) noexcept;
// Parses the whole ANSI text and executes its top-level statements. False when there is
// no instance or the script failed to parse or run.
bool ScriptControlAddCode(const char* text) noexcept;
// Releases the instance; nothing happens when there is none.
void ScriptControlClose() noexcept;

}  // namespace wb
