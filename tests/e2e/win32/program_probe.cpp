// Test program: the program runner on a real system, one operation per call.
//   program_probe wait PROGRAM PARAMETERS   RunProgram with flag 5; prints "started=S exit=N"
//   program_probe kill PROGRAM PARAMETERS   flag 4, then KillProgram; prints "running=R
//                                           killed_exit=N known_after_close=K"
//   program_probe running NAME              prints "running=R" (IsProcessRunning)
#include <windows.h>

#include <cstdio>
#include <string>

#include "install/program_runner.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string verb = argv[1];
    std::string parameters = argc > 3 ? argv[3] : "";
    if (verb == "wait") {
        wb::ProgramRecord* r = wb::RunProgram(argv[2], parameters, "", wb::kRunWait | wb::kRunKeepRecord);
        std::printf("started=%d exit=%lu\n", r ? 1 : 0,
                    static_cast<unsigned long>(r ? wb::ProgramExitCode(r) : 0));
        wb::CloseProgram(r);
        return 0;
    }
    if (verb == "kill") {
        wb::ProgramRecord* r = wb::RunProgram(argv[2], parameters, "", wb::kRunKeepRecord);
        if (!r) return 3;
        int running = wb::IsProgramRunning(r);
        wb::KillProgram(r);
        for (int i = 0; i < 100 && wb::IsProgramRunning(r); ++i) Sleep(50);
        unsigned long code = wb::ProgramExitCode(r);
        wb::CloseProgram(r);
        std::printf("running=%d killed_exit=%lu known_after_close=%d\n", running, code,
                    wb::IsKnownProgram(r) ? 1 : 0);
        return 0;
    }
    if (verb == "running") {
        std::printf("running=%d\n", wb::IsProcessRunning(argv[2]));
        return 0;
    }
    return 2;
}
