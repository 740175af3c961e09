// The installer's entry point: starts the runtime, runs the setup, and ends the process.
#include "install/script_host.h"
#include "platform/com.h"
#include "platform/runtime.h"
#include "startup/startup.h"
#ifdef WB_PROBE
#include "startup/probe.h"
#endif

// A windowed program may start at main: the C runtime calls it for either subsystem.
int main() {
    wb::RuntimeStart();
    wb::ComStart();
    wb::ScriptHostStart();
    unsigned code = wb::RunSetup();
#ifdef WB_PROBE
    wb::WriteProbe(code);
#endif
    wb::ScriptHostEnd();
    wb::ComEnd();
    wb::RuntimeEnd(code);
}
