// `wbpack init`: a starter project that passes the check, builds and installs.
#pragma once

#include <string>

namespace wb {

// A GUID in registry form, {XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}, from the host's random
// source (a version 4 GUID); empty when that source cannot be read.
std::string NewGuid();

// The commented setup.ini of a starter project titled `title` with the product GUID `guid`:
// every group, every key with its effect and default, an example of each task kind.
std::string StarterDescription(const std::string& title, const std::string& guid);

// Writes the starter project into `dir` (created when missing): setup.ini, licence.txt,
// readme.txt and program/ with a placeholder file. `title` empty: the folder's name.
// Refuses a folder that already holds a setup.ini, so nothing of an author's is replaced.
bool InitProject(const std::string& dir, const std::string& title, std::string& error);

}  // namespace wb
