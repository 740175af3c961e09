// Web links: a shortcut whose target is a web address is an Internet Shortcut file
// (".url"), which every shell opens in the user's browser; a shell link (".lnk") would
// take the address for a file path.
#pragma once

#include <string>

#include "config/link_names.h"  // IsWebAddress, WebLinkPath

namespace wb {

// The file's text: the [InternetShortcut] group, the address, and the icon lines when an
// icon file is given; CR LF line ends.
std::string InternetShortcutText(const std::string& url, const std::string& iconFile,
                                 int iconIndex);

// Writes InternetShortcutText to `path` through the file service, replacing a file of
// that name. False when the file cannot be written (its folder must exist).
bool WriteInternetShortcut(const std::string& path, const std::string& url,
                           const std::string& iconFile, int iconIndex);

}  // namespace wb
