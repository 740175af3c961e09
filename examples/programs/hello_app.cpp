// The example program of the demo setup: holds its mutex while it runs, so that a second
// setup sees it, and says hello.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "HelloWendleboxRunning");
    // "/hold" keeps it running for ten seconds without a window, for scripted checks.
    if (commandLine && std::strstr(commandLine, "/hold")) {
        Sleep(10000);
    } else {
        MessageBoxA(nullptr, "Hello from the Wendlebox example program.", " Hello Wendlebox",
                    MB_OK | MB_ICONINFORMATION);
    }
    if (mutex) CloseHandle(mutex);
    return 0;
}
