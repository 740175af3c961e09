// The demo's Hook programs and its task program: one source built as BeforeWB.exe,
// AfterWB.exe and taskrun.exe. Each appends a line naming itself, its arguments and the
// "InstallDir" it inherited to wendlebox-demo.log in the temporary folder, and ends with 0.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    char temp[MAX_PATH] = {}, self[MAX_PATH] = {}, installDir[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    GetModuleFileNameA(nullptr, self, sizeof self);
    GetEnvironmentVariableA("InstallDir", installDir, sizeof installDir);
    const char* name = std::strrchr(self, '\\');
    char log[MAX_PATH + 32];
    std::snprintf(log, sizeof log, "%swendlebox-demo.log", temp);
    if (FILE* f = std::fopen(log, "a")) {
        std::fprintf(f, "%s ran", name ? name + 1 : self);
        for (int i = 1; i < argc; ++i) std::fprintf(f, " [%s]", argv[i]);
        std::fprintf(f, " InstallDir=%s\n", installDir);
        std::fclose(f);
    }
    return 0;
}
