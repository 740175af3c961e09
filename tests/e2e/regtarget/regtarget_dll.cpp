// A library that an Install task registers: its registration entry points write
// "registered.txt" / "unregistered.txt" beside it, so a test sees that the system's
// regsvr32 reached it under its full path.
#include <windows.h>

#include <cstring>

namespace {

HINSTANCE g_self = nullptr;

HRESULT Mark(const char* name) {
    char path[MAX_PATH + 32];
    DWORD n = GetModuleFileNameA(g_self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return E_FAIL;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return E_FAIL;
    std::strcpy(slash + 1, name);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return E_FAIL;
    CloseHandle(f);
    return S_OK;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = self;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() { return Mark("registered.txt"); }
extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() { return Mark("unregistered.txt"); }
