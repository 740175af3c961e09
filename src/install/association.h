// File-extension associations made by Install tasks.
#pragma once

#include <string>

namespace wb {

// Associates "." + `extension` with `programPath`; `iconSpec` is "file,index" or empty.
void AssociateExtension(const std::string& extension, const std::string& description,
                        const std::string& programPath, const std::string& iconSpec);

}  // namespace wb
