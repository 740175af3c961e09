// The rules that the winget manifest schema (1.6.0) sets for its fields (identifier,
// version, locale, web addresses, text lengths), and the YAML scalars that carry them.
// Every text is UTF-8; lengths count Unicode characters, as the schema does.
#pragma once

#include <string>

namespace wb {

struct TextRule {
    const char* Field;
    long Min, Max;
};
inline constexpr TextRule kPublisherRule{"Publisher", 2, 256};
inline constexpr TextRule kPackageNameRule{"PackageName", 2, 256};
inline constexpr TextRule kLicenseRule{"License", 3, 512};
inline constexpr TextRule kShortDescriptionRule{"ShortDescription", 3, 256};

// Length in Unicode characters; -1 for malformed UTF-8.
long Utf8Length(const std::string& text);
// True when a byte below 0x20, or 0x7F, is in the text.
bool HasControl(const std::string& text);

// PackageIdentifier: 2 to 8 parts separated by ".", each of 1 to 32 characters without
// white space or \ / : * ? " < > |, at most 128 in all.
bool ValidPackageIdentifier(const std::string& id);
// PackageVersion: 1 to 128 characters, none of \ / : * ? " < > | or control characters.
bool ValidPackageVersion(const std::string& version);
// A language tag as the schema's pattern takes it: "en", "de-CH", "i-klingon", "x-private".
bool ValidLocale(const std::string& locale);
// An http:// or https:// address of at most 2048 characters.
bool ValidUrl(const std::string& url);

// A text within `rule`'s length limits and free of control characters; false with a reason
// naming `source` (where the text came from).
bool CheckText(const TextRule& rule, const std::string& text, const std::string& source,
               std::string& error);

// The first `max` characters of UTF-8 `text`.
std::string FirstCharacters(const std::string& text, long max);

// `text` as a YAML scalar that every reader takes for that very string: plain when
// nothing in it could be read as another type or as syntax, else quoted.
std::string YamlScalar(const std::string& text);

}  // namespace wb
