// wbpack, the authoring tool that builds Wendlebox setups and Packages.
#include <cstdio>
#include <string>
#include <vector>

#include "wbpack/commands.h"
#include "wbpack/host_files.h"

int main(int argc, char** argv) {
    // On Windows the arguments arrive in the ANSI code page, the spelling the tool's host
    // names use there.
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    int code = wb::RunWbpack(args, out, err, wb::HostErrorIsTerminal());
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
