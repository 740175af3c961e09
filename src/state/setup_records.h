// The plain kinds the Setup state holds and the configuration fills in: who an installation
// is for, and the storage of the Language table. They live here, below the configuration,
// so that the state needs nothing from the folders that read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

// Scope of [Settings]: what a setup offers.
enum class ScopeOffer : uint8_t { Machine, User, Both };
// /ALLUSERS or /CURRENTUSER on the command line.
enum class ScopeSwitch : uint8_t { None, AllUsers, CurrentUser };

// One text per row of the built-in table, in the table's order (LangId).
struct LanguageTable {
    std::vector<std::string> Texts;
};

}  // namespace wb
