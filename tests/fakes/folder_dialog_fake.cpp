// The folder browser fake: answers with a set path and records what it was given.
#include "fakes/fakes.h"
#include "platform/folder_dialog.h"

namespace wb {
namespace {
struct FolderDialogFake {
    std::string Answer;
    std::string Instruction;
    std::string Start;
    int Calls = 0;
};
FolderDialogFake g_browse;
}  // namespace

std::string BrowseForFolder(const char* instruction, const char* start) noexcept {
    ++g_browse.Calls;
    g_browse.Instruction = instruction ? instruction : "";
    g_browse.Start = start ? start : "";
    return g_browse.Answer;
}

namespace fake {
void FolderDialogReset() { g_browse = FolderDialogFake{}; }
void FolderDialogAnswer(const std::string& path) { g_browse.Answer = path; }
std::string FolderDialogStart() { return g_browse.Start; }
std::string FolderDialogInstruction() { return g_browse.Instruction; }
int FolderDialogCalls() { return g_browse.Calls; }
}  // namespace fake
}  // namespace wb
