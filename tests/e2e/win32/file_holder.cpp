// Test program that holds a file open the way a program using it would, without write or
// delete sharing, so that nothing can replace, rename or remove it:
//   file_holder READYFILE STOPFILE FILE
// opens FILE, writes READYFILE, and runs until STOPFILE exists (at most two minutes).
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HANDLE held = CreateFileA(argv[3], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 3;
    if (FILE* f = std::fopen(argv[1], "wb")) {
        std::fputs("ready", f);
        std::fclose(f);
    }
    for (int i = 0; i < 1200; ++i) {
        if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    CloseHandle(held);
    return 0;
}
