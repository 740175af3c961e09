// The installer's command line: "/Q", "/P", "/S", "/R", "/L" and the scope switches into
// the Setup state.
#pragma once

#include <string>
#include <vector>

#include "state/setup_state.h"

namespace wb {

// Splits a whole process command line into its parameters, the program's own name
// excluded. Blanks separate tokens; a token that begins with a double quote runs to the
// next double quote, neither quote belonging to it. The list ends at the first empty
// parameter (the end of the line, or "" with nothing between the quotes).
std::vector<std::string> SplitCommandLine(const std::string& line);

// The parameters of a whole command line exactly as written, the program's own name (as
// SplitCommandLine reads it) and the blanks after it left out.
std::string CommandLineTail(const std::string& line);

// Leading decimal integer: blanks and tabs skipped, optional sign, digits up to the first
// other character; 0 when there are none.
int ParseLeadingInt(const char* text) noexcept;

// Applies the parameters of `line` to the command-line fields of `state`, after setting
// their defaults (quiet mode 0, both folders empty, hook mode 1, no scope switch).
// "/ALLUSERS" and "/CURRENTUSER" (any letter case) are whole words.
void ParseCommandLine(const std::string& line, SetupState& state);

}  // namespace wb
