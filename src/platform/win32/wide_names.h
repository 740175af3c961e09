// Wide-character names turned into paths the ANSI interfaces can use: the system's side of
// platform/ansi_path.h.
#pragma once

#include <string>

#include "platform/ansi_path.h"

namespace wb {

// The system's conversions for ReachableAnsiPath.
const AnsiPathCalls& SystemAnsiPathCalls() noexcept;
// ReachableAnsiPath over the system's conversions; a trailing "\" of `wide` is kept.
std::string ReachableSystemPath(const std::wstring& wide);

// UTF-8 and UTF-16; empty on failure.
std::string WideToUtf8(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& utf8);

}  // namespace wb
