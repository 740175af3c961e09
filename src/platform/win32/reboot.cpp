// The restart question of setupapi, which is not a known DLL and so is loaded by its
// full system-folder path at the moment it is needed.
#include "platform/reboot.h"

#include "platform/win32/handles.h"

namespace wb {

void PromptSystemRestart() noexcept {
    using PromptFn = INT(WINAPI*)(void* fileQueue, HWND owner, BOOL scanOnly);
    UniqueModule setupapi(LoadSystemLibrary("setupapi.dll"));
    if (!setupapi) return;
    auto prompt = reinterpret_cast<PromptFn>(GetProcAddress(setupapi.get(), "SetupPromptReboot"));
    if (prompt) prompt(nullptr, nullptr, FALSE);
}

}  // namespace wb
