// Paths the ANSI code page cannot carry. The installer works through the ANSI interfaces;
// a folder whose name holds other characters (a Chinese user name on an English Windows)
// comes out of them with each such character turned into "?", a path that names nothing.
// Such a folder is reached by its short (8.3) name, which the system makes of plain
// characters, and a path that cannot be carried at all is never used.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wb {

// True when `path` lost characters in a conversion to the ANSI code page: "?" can be no
// part of a Windows file name, so there it stands for a character the code page lacks.
// A leading "\\?\" (the long-path prefix) is no loss.
constexpr bool PathLostCharacters(std::string_view path) noexcept {
    if (path.substr(0, 4) == "\\\\?\\") path.remove_prefix(4);
    return path.find('?') != std::string_view::npos;
}

// The conversions the choice below is made over (the system's on Windows), so that the
// choice can be tried with answers a test makes up.
struct AnsiPathCalls {
    // `wide` in the ANSI code page; false when a character has no equivalent there (a
    // best-fit look-alike counts as none: it could name another file) or the call fails.
    bool (*ToAnsi)(const std::wstring& wide, std::string& ansi) = nullptr;
    // The short form of the existing `wide`; false when it does not exist or the system
    // gives none. A part without a short name (switched off on its volume) stays long.
    bool (*ShortForm)(const std::wstring& wide, std::wstring& shortPath) = nullptr;
};

// How the path that ReachableAnsiPath gives was found.
enum class AnsiPathWay : unsigned char {
    AsIs,       // the code page carries the name itself
    ShortName,  // the short form carries it
    None,       // neither: the path cannot be used through the ANSI interfaces
};

namespace ansi_path_detail {

inline std::vector<std::wstring> Parts(const std::wstring& path) {
    std::vector<std::wstring> parts(1);
    for (wchar_t c : path) {
        if (c == L'\\') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

}  // namespace ansi_path_detail

// The ANSI path by which the existing file or folder `wide` is reached: the path itself
// where the code page carries it, else the path with each part the code page cannot carry
// replaced by that part's short name (the other parts keep the names the user knows), else
// empty. Every answer is the same for the same folder, whichever form `wide` came in.
inline std::string ReachableAnsiPath(const std::wstring& wide, const AnsiPathCalls& calls,
                                     AnsiPathWay* way = nullptr) {
    std::string ansi;
    if (way) *way = AnsiPathWay::None;
    if (wide.empty() || !calls.ToAnsi) return ansi;
    if (calls.ToAnsi(wide, ansi) && !PathLostCharacters(ansi)) {
        if (way) *way = AnsiPathWay::AsIs;
        return ansi;
    }
    std::wstring shortPath;
    if (!calls.ShortForm || !calls.ShortForm(wide, shortPath) || shortPath.empty()) {
        return std::string();
    }
    const std::vector<std::wstring> longParts = ansi_path_detail::Parts(wide);
    const std::vector<std::wstring> shortParts = ansi_path_detail::Parts(shortPath);
    std::string mixed;
    bool whole = longParts.size() == shortParts.size();
    for (size_t i = 0; whole && i < longParts.size(); ++i) {
        std::string part;
        if (!calls.ToAnsi(longParts[i], part) || PathLostCharacters(part)) {
            if (!calls.ToAnsi(shortParts[i], part) || PathLostCharacters(part)) return std::string();
        }
        mixed += (i ? "\\" : "") + part;
    }
    if (!whole) {
        // The parts do not pair up (a form the system rewrote): the whole short form.
        if (!calls.ToAnsi(shortPath, mixed) || PathLostCharacters(mixed)) return std::string();
    }
    if (way) *way = AnsiPathWay::ShortName;
    return mixed;
}

}  // namespace wb
