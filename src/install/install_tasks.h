// The Install tasks of group UserTask: parsing a task value and resolving its paths. The
// runner itself is RunInstallTasks (install_sequence.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

// One task value split at "|". Only the low 8 bits of the kind count, so 256 is kind 0.
struct InstallTask {
    int8_t Kind = 0;
    std::vector<std::string> Fields;  // Fields[0] is field 1, the kind's text
};

InstallTask ParseInstallTask(const std::string& value);
// Field `n`, counting from 1; empty beyond the last one.
std::string TaskField(const InstallTask& task, size_t n);

// The low 8 bits of a decimal text read with 32-bit wrap-around, as a signed value.
int8_t TaskByte(const std::string& text) noexcept;

// A task's file: with exactly two "%" its Path macros are expanded (a path without a
// folder lands under the program-files folder), otherwise it is taken relative to
// `installDir`.
std::string ResolveTaskPath(const std::string& path, const std::string& installDir);

// The icon file of a shortcut task: "|" (the target's own icon) unless an index other than
// -1 and a file that exists once resolved are given.
std::string ResolveTaskIcon(const std::string& iconFile, int8_t iconIndex,
                            const std::string& installDir);

// `name` with ".lnk" appended unless it already ends in exactly ".lnk".
std::string LinkFileName(const std::string& name);

// `path` in double quotes, for a command line.
std::string Quoted(const std::string& path);

}  // namespace wb
