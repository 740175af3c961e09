// Loads each DLL named on the command line by its bare name, the way a careless program
// would: the control showing that a planted DLL beside a program is really taken then.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        HMODULE dll = LoadLibraryA(argv[i]);
        std::printf("%s %s\n", argv[i], dll ? "loaded" : "not loaded");
        if (!dll) ++failed;
    }
    return argc < 2 ? 2 : failed;
}
