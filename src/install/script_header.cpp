// Building the text of a setup script: language, constants header, normalised lines.
#include "install/script_header.h"

namespace wb {

namespace {

// A VBScript string literal: a double quote inside is written twice.
std::string VBScriptLiteral(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

// A JScript string literal: the backslash is the escape character, so it is doubled,
// and a double quote is escaped; without this a folder's final "\" would swallow the
// closing quote.
std::string JScriptLiteral(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

ScriptLanguage ScriptLanguageOfPath(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return ScriptLanguage::None;
    }
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (ext == "vbs") return ScriptLanguage::VBScript;
    if (ext == "js") return ScriptLanguage::JScript;
    return ScriptLanguage::None;
}

const char* ScriptLanguageName(ScriptLanguage language) noexcept {
    switch (language) {
        case ScriptLanguage::VBScript: return "VBScript";
        case ScriptLanguage::JScript: return "JScript";
        case ScriptLanguage::None: break;
    }
    return "";
}

std::string BuildScriptHeader(ScriptLanguage language, const ScriptConstants& values) {
    if (language == ScriptLanguage::None) return {};
    // The system's JScript engine knows no "const"; "var" declares the same names for the
    // script's use.
    static const char* const kVBScript[kScriptHeaderLines] = {
        "Const wbProgDir = ", "Const wbSetupDir = ", "Const wbStartMenuDir = ", "Const wbGUID = "};
    static const char* const kJScript[kScriptHeaderLines] = {
        "var wbProgDir  = ", "var wbSetupDir = ", "var wbStartMenuDir = ", "var wbGUID = "};
    const std::string* fields[kScriptHeaderLines] = {&values.ProgDir, &values.SetupDir,
                                                     &values.StartMenuDir, &values.Guid};
    bool js = language == ScriptLanguage::JScript;
    std::string header;
    for (int i = 0; i < kScriptHeaderLines; ++i) {
        header += js ? kJScript[i] : kVBScript[i];
        header += js ? JScriptLiteral(*fields[i]) + ";" : VBScriptLiteral(*fields[i]);
        header += "\r\n";
    }
    return header;
}

void AppendScriptLines(const std::string& text, std::string& out) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        out.append(text, start, stop - start);
        out += "\r\n";
        start = next;
    }
}

}  // namespace wb
