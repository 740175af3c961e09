// Test program that stands for an installed program while it runs:
//   wbholder READYFILE STOPFILE [MUTEX]
// holds the named mutex MUTEX (when given), writes READYFILE, and runs until STOPFILE
// exists (at most two minutes). Copied under another name it runs as a process of that name.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HANDLE mutex = nullptr;
    if (argc > 3) {
        mutex = CreateMutexA(nullptr, TRUE, argv[3]);
        if (!mutex) return 3;
    }
    if (FILE* f = std::fopen(argv[1], "wb")) {
        std::fputs("ready", f);
        std::fclose(f);
    }
    for (int i = 0; i < 1200; ++i) {
        if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return 0;
}
