// The Start-menu folder chooser: a tree of the folders that already exist in the Start
// menu's Programs folders (the user's and all users'), and the rule that completes its
// answer with the proposed folder's last part.
#pragma once

#include <string>
#include <vector>

namespace wb {

// One item of the folder tree: a folder name, and its depth below a Programs root (0 for a
// folder directly in it). An item nests under the nearest earlier item of a lower level.
struct FolderTreeItem {
    std::string Text;
    int Level = 0;
};
struct FolderTree {
    std::vector<FolderTreeItem> Items;
    int Selected = -1;  // -1: nothing selected
};

// Index of the item whose chain of names matches the longest leading part of
// `relativePath` (parts separated by "\", compared with letter case); -1 when none does.
int FindTreeItem(const FolderTree& tree, const std::string& relativePath);
// The selected item's path from its root, parts joined by "\"; empty when none is selected.
std::string GetTreePath(const FolderTree& tree);

// Adds to `list` the paths, relative to `root`, of the folders below `folder`, deeper ones
// before their parent; a path already listed (with letter case) is not added again.
void ScanFolders(const std::string& folder, std::vector<std::string>& list,
                 const std::string& root);
// The existing Start-menu folders of both Programs roots, sorted without regard to
// letter case.
void CollectStartMenuFolders(std::vector<std::string>& list);
// The tree items of a folder list: one per entry, its last part at its depth.
FolderTree TreeFromFolders(const std::vector<std::string>& list);

// Completes a chosen folder with `defaultFolder`'s last part (the leaf) unless it already
// ends with it; empty stays empty.
std::string CompleteStartMenuChoice(const std::string& chosen, const std::string& defaultFolder);

// Opens the chooser (window 2) over the wizard, preselecting the folder named by the
// Start-menu folder field (control 22), and returns the chosen relative path: the field's
// text when Apply is pressed with nothing selected, empty when the window is closed or
// cannot be opened.
std::string ChooseStartMenuFolder();

}  // namespace wb
