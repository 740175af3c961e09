// wbpack, the authoring tool that builds Wendlebox setups and Packages.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "wbpack/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    int code = wb::RunWbpack(args, out, err, ::isatty(2) != 0);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
