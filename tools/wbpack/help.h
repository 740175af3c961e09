// The usage of every wbpack command, kept in one table: the help texts and the options each
// command accepts both come from it.
#pragma once

#include <span>
#include <string>

namespace wb {

struct OptionHelp {
    const char* Name;   // "--level"
    const char* Alias;  // another spelling ("-q"), or nullptr
    const char* Value;  // what follows the option ("N"), or nullptr for a switch
    const char* Text;   // one line
};

struct CommandHelp {
    const char* Name;
    const char* Operands;  // "PROJECT_DIR -o SETUP.exe"
    const char* Summary;   // one line
    std::span<const OptionHelp> Options;
};

std::span<const CommandHelp> CommandHelps();
// The command named `name`, or nullptr.
const CommandHelp* FindCommandHelp(const std::string& name);
// The option `arg` ("--level", "-q") of `command`, or nullptr when the command has none such.
const OptionHelp* FindOption(const CommandHelp& command, const std::string& arg);

// Every command in one line each, and how to get more.
std::string OverviewText();
// The command's usage line, what it does, and each option in one line.
std::string CommandUsageText(const CommandHelp& command);

}  // namespace wb
