// Parsing of the installer's switches.
#include "startup/command_line.h"

#include "platform/text.h"

#include <climits>

namespace wb {

namespace {

// Reads one token starting at `pos` (which is not a blank); advances `pos` past it.
std::string NextToken(const std::string& line, size_t& pos) {
    std::string token;
    if (line[pos] == '"') {
        size_t close = line.find('"', pos + 1);
        size_t end = close == std::string::npos ? line.size() : close;
        token = line.substr(pos + 1, end - pos - 1);
        pos = close == std::string::npos ? line.size() : close + 1;
    } else {
        size_t end = line.find(' ', pos);
        if (end == std::string::npos) end = line.size();
        token = line.substr(pos, end - pos);
        pos = end;
    }
    return token;
}

void SkipBlanks(const std::string& line, size_t& pos) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> params;
    size_t pos = 0;
    SkipBlanks(line, pos);
    if (pos < line.size()) NextToken(line, pos);  // the program's own name
    for (;;) {
        SkipBlanks(line, pos);
        if (pos >= line.size()) break;
        std::string token = NextToken(line, pos);
        if (token.empty()) break;
        params.push_back(std::move(token));
    }
    return params;
}

std::string CommandLineTail(const std::string& line) {
    size_t pos = 0;
    SkipBlanks(line, pos);
    if (pos < line.size()) NextToken(line, pos);
    SkipBlanks(line, pos);
    return line.substr(pos);
}

int ParseLeadingInt(const char* text) noexcept {
    // An absurdly long number wraps instead of overflowing; only the low byte is ever used
    // by callers of the switch value.
    return text ? ParseLeadingNumber(text) : 0;
}

void ParseCommandLine(const std::string& line, SetupState& state) {
    state.QuietMode = 0;
    state.CmdProgDir.clear();
    state.CmdStartMenu.clear();
    state.HookMode = 1;
    state.LogRequested = 0;
    state.CmdLogFile.clear();
    state.CmdScope = ScopeSwitch::None;
    for (const std::string& param : SplitCommandLine(line)) {
        if (param.size() < 2) continue;
        // Whole words, unlike the one-letter switches: "/A..." and "/C..." mean nothing else.
        if (SameTextNoCase(param, "/ALLUSERS")) {
            state.CmdScope = ScopeSwitch::AllUsers;
            continue;
        }
        if (SameTextNoCase(param, "/CURRENTUSER")) {
            state.CmdScope = ScopeSwitch::CurrentUser;
            continue;
        }
        char c0 = param[0];
        char c1 = param[1];
        c1 = AsciiUpper(c1);
        if (c0 != '/') continue;
        // The value starts at the fourth character; the third is skipped whatever it is.
        std::string value = param.size() > 3 ? param.substr(3) : std::string();
        switch (c1) {
            case 'Q': state.QuietMode = 1; break;
            case 'P': state.CmdProgDir = value; break;
            case 'S': state.CmdStartMenu = value; break;
            case 'L':
                state.LogRequested = 1;
                state.CmdLogFile = value;
                break;
            case 'R': state.HookMode = static_cast<uint8_t>(ParseLeadingInt(value.c_str())); break;
            default: break;
        }
    }
}

}  // namespace wb
