// The wbpack command line: parses the arguments and runs one command.
#pragma once

#include <string>
#include <vector>

namespace wb {

// Exit codes of wbpack.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // bad input, damaged Package, output not written
inline constexpr int kExitUsage = 2;    // unknown command or option

// Runs `args` (without the program name). What the command prints goes to `out`, errors
// and warnings (one line each, "wbpack: ...") to `err`; a progress line goes straight to
// standard error when `terminal` is set and --quiet is absent.
int RunWbpack(const std::vector<std::string>& args, std::string& out, std::string& err,
              bool terminal);

}  // namespace wb
