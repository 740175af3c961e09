// The installer's entry point: starts the runtime, runs the setup, and ends the process.
#include <windows.h>
#include <commctrl.h>

#include "install/script_host.h"
#include "platform/com.h"
#include "startup/startup.h"
#ifdef WB_PROBE
#include "startup/probe.h"
#endif

namespace wb {
void PrivateHeapEnd() noexcept;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    wb::ComStart();
    wb::ScriptHostStart();
    unsigned code = wb::RunSetup();
#ifdef WB_PROBE
    wb::WriteProbe(code);
#endif
    wb::ScriptHostEnd();
    wb::ComEnd();
    wb::PrivateHeapEnd();
    ExitProcess(code);
}
