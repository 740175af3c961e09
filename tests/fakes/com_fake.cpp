// The COM fake: counted start and end, and GUIDs from a counter.
#include <cstdio>

#include "fakes/fakes.h"
#include "platform/com.h"

namespace wb {
namespace {

struct ComFake {
    bool StartResult = true;
    int Starts = 0;
    int Ends = 0;
    unsigned NextGuid = 1;
    bool FailGuid = false;
};

ComFake g_com;

}  // namespace

bool ComStart() noexcept {
    ++g_com.Starts;
    return g_com.StartResult;
}

void ComEnd() noexcept { ++g_com.Ends; }

std::string NewGuidText() {
    if (g_com.FailGuid) {
        g_com.FailGuid = false;
        return {};
    }
    char text[40];
    std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012X}", g_com.NextGuid++);
    return text;
}

namespace fake {

void ComReset() { g_com = ComFake{}; }
void ComSetStartResult(bool ok) { g_com.StartResult = ok; }
int ComStartCount() { return g_com.Starts; }
int ComEndCount() { return g_com.Ends; }
void ComFailNextGuid() { g_com.FailGuid = true; }

void ResetAll() {
    RegistryReset();
    ShellReset();
    SystemInfoReset();
    ProcessReset();
    ComReset();
    ShellLinkReset();
    VersionReset();
    ScriptReset();
    WindowReset();
    ImagesReset();
    TreeReset();
    FolderDialogReset();
    LaunchReset();
    ScopeReset();
    if (FilesReset) FilesReset();
}

}  // namespace fake
}  // namespace wb
