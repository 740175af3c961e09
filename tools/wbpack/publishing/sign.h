// Signing inside `wbpack build --sign "COMMAND"`: the uninstaller before it is packed and
// the finished setup, each by the author's own signing command.
#pragma once

#include <string>

#include "wbpack/host_files.h"

namespace wb {

// The command for one file: "{in}" becomes the quoted file to sign, "{out}" the quoted
// path the signed file must be written to. Without "{out}" the command signs "{in}" in
// place, so `out` is empty.
std::string SigningCommandLine(const std::string& command, const std::string& in,
                               const std::string& out);

// Signs a copy of `source` into `signedPath` (the source itself is never changed). False
// with the command, its exit code and its output in `error` when it fails or leaves no
// signed file, or when what it wrote is no longer a program of the same architecture.
bool SignCopy(const std::string& command, const std::string& source,
              const std::string& signedPath, std::string& error);

// Signs the finished setup that `out` holds (written and flushed, not yet committed) and
// checks that the signed file still carries the same Package in front of its certificate
// table. The output stays pending: CommitOutput puts it in place; on failure the caller
// abandons it, so no setup is left behind.
bool SignPendingSetup(const std::string& command, PendingOutput& out, std::string& error);

}  // namespace wb
