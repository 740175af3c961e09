// COM: initialisation and GUIDs.
#pragma once

#include <string>

namespace wb {

// Initialises COM for this thread; false on failure.
bool ComStart() noexcept;
void ComEnd() noexcept;
// A new GUID in registry form: 38 characters, braces included; empty on failure.
std::string NewGuidText();

}  // namespace wb
