// File-extension associations made by Install tasks.
#pragma once

#include <string>

namespace wb {

// Associates "." + `extension` with `programPath`; `iconSpec` is "file,index" or empty.
// With `perUser` the keys go to the user's own classes (HKEY_CURRENT_USER\Software\Classes),
// which the user may write and which only this user sees.
void AssociateExtension(const std::string& extension, const std::string& description,
                        const std::string& programPath, const std::string& iconSpec,
                        bool perUser = false);

}  // namespace wb
