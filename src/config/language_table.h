// The Language table: every user-visible text, by group and key, with built-in defaults.
#pragma once

#include <string>
#include <vector>

namespace wb {

// One text per row of the built-in table, in the table's order.
struct LanguageTable {
    std::vector<std::string> Texts;
};

}  // namespace wb
