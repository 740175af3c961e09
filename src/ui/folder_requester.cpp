// The folder requester: trimming the start folder, the browser, and completing the answer.
#include "ui/folder_requester.h"

#include "platform/folder_dialog.h"

namespace wb {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string FolderRequesterStart(const std::string& start) {
    std::string folder = start.substr(0, 259);
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string ChooseFolder(const std::string& start, const std::string& instruction) {
    std::string from = FolderRequesterStart(start);
    std::string path = BrowseForFolder(instruction.c_str(), from.c_str());
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

std::string CompleteProgramFolderChoice(const std::string& chosen, const std::string& leaf) {
    if (chosen.empty() || leaf.empty()) return chosen;
    if (EndsWith(chosen, leaf) || EndsWith(chosen, leaf + "\\")) return chosen;
    return chosen.back() == '\\' ? chosen + leaf : chosen + "\\" + leaf;
}

}  // namespace wb
