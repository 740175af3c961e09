// Start and end of the Windows programs: the DLL search rule and the common controls.
#include "platform/runtime.h"

#include "platform/win32/handles.h"

#include <commctrl.h>

#include <string>

namespace wb {

void PrivateHeapEnd() noexcept;

namespace {

// Not in the headers of every SDK that targets the oldest systems the stub starts on.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using InitCommonControlsFn = void(WINAPI*)();

bool g_searchSystemOnly = false;

FARPROC KernelFunction(const char* name) noexcept {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : nullptr;
}

// Libraries that system DLLs load on their own (themes, input methods, the rich edit's
// helpers...) then come from the system folder too, never from the setup's folder.
void RestrictDllSearch() noexcept {
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        KernelFunction("SetDefaultDllDirectories"));
    if (setDefault && setDefault(kSearchSystem32)) {
        g_searchSystemOnly = true;
        return;
    }
    // Older systems: at least take the current folder out of the search.
    if (auto setDir = reinterpret_cast<SetDllDirectoryFn>(KernelFunction("SetDllDirectoryA"))) {
        setDir("");
    }
}

void StartCommonControls() noexcept {
    // Kept loaded for the whole run: the wizard's controls live in it.
    HMODULE dll = LoadSystemLibrary("comctl32.dll");
    if (!dll) return;
    if (auto initEx = reinterpret_cast<InitCommonControlsExFn>(
            GetProcAddress(dll, "InitCommonControlsEx"))) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        if (initEx(&controls)) return;
    }
    if (auto init = reinterpret_cast<InitCommonControlsFn>(
            GetProcAddress(dll, "InitCommonControls"))) {
        init();
    }
}

}  // namespace

HMODULE LoadSystemLibrary(const char* name) noexcept {
    if (!name || !*name) return nullptr;
    // By name, restricted to the system folder: the manifest's side-by-side choice (the
    // version 6 common controls) still applies, the setup's folder never does.
    if (g_searchSystemOnly) return LoadLibraryExA(name, nullptr, kSearchSystem32);
    char path[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string full(path, n);
    if (full.back() != '\\') full += '\\';
    full += name;
    // The library's own imports are then looked for in the system folder first as well.
    return LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RuntimeStart() noexcept {
    RestrictDllSearch();
    StartCommonControls();
}

void RuntimeEnd(unsigned code) noexcept {
    PrivateHeapEnd();
    ExitProcess(code);
}

}  // namespace wb
