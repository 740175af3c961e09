// The folder tree control (a Tree control of the window layer): items appended in order
// with a level, each nested under the nearest earlier item of a lower level, and
// addressed by the position in which they were appended (from 0).
#pragma once

namespace wb {

// Makes the system's tree control class available; false when it cannot be.
bool PrepareTreeControls() noexcept;
// Appends an item to the tree of control `number`; the first item of a new control
// starts its list.
void TreeAppendItem(int number, const char* text, int level) noexcept;
// Selects item `index` and shows it; -1 selects nothing.
void TreeSelectItem(int number, int index) noexcept;
// The selected item's position; -1 when nothing is selected.
int TreeSelectedItem(int number) noexcept;
// Gives the tree the keyboard focus.
void TreeFocus(int number) noexcept;

}  // namespace wb
