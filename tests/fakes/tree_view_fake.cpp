// The tree fake: the items appended to each tree control, its selection and focus.
#include <map>

#include "fakes/fakes.h"
#include "platform/tree_view.h"
#include "platform/window.h"

namespace wb {
namespace {

struct TreeFake {
    std::map<int, fake::FakeTree> Trees;
    bool Unavailable = false;
};
TreeFake g_trees;

fake::FakeTree* TreeOf(int number) {
    if (!ControlSystemHandle(number)) return nullptr;
    return &g_trees.Trees[number];
}

}  // namespace

bool PrepareTreeControls() noexcept { return !g_trees.Unavailable; }

void TreeAppendItem(int number, const char* text, int level) noexcept {
    if (fake::FakeTree* t = TreeOf(number)) t->Items.push_back({text ? text : "", level});
}

void TreeSelectItem(int number, int index) noexcept {
    if (fake::FakeTree* t = TreeOf(number)) {
        t->Selected = index >= 0 && size_t(index) < t->Items.size() ? index : -1;
    }
}

int TreeSelectedItem(int number) noexcept {
    fake::FakeTree* t = TreeOf(number);
    return t ? t->Selected : -1;
}

void TreeFocus(int number) noexcept {
    if (fake::FakeTree* t = TreeOf(number)) t->Focused = true;
}

namespace fake {

void TreeReset() { g_trees = TreeFake{}; }
void TreeSetUnavailable(bool unavailable) { g_trees.Unavailable = unavailable; }
const FakeTree* TreeControl(int number) {
    auto it = g_trees.Trees.find(number);
    return it == g_trees.Trees.end() ? nullptr : &it->second;
}
void TreeSetSelected(int number, int index) {
    if (FakeTree* t = TreeOf(number)) t->Selected = index;
}

}  // namespace fake
}  // namespace wb
