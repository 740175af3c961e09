// wbpack, the authoring tool that builds Wendlebox setups and Packages.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "wbpack/commands.h"

namespace {

bool ErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(2) != 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // On Windows the arguments arrive in the ANSI code page, the spelling the tool's host
    // names use there.
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    int code = wb::RunWbpack(args, out, err, ErrorIsTerminal());
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
