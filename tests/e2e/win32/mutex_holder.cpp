// Test program that stands in for a running installed program: holds a named mutex.
//   mutex_holder NAME READYFILE SECONDS
// Creates and owns mutex NAME, then writes READYFILE (so a test knows the mutex is held)
// and keeps it for SECONDS or until READYFILE is deleted.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, argv[1]);
    if (!mutex) return 1;
    HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    int tenths = std::atoi(argv[3]) * 10;
    for (int i = 0; i < tenths && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(100);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
