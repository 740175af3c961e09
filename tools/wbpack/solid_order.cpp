#include "wbpack/solid_order.h"

#include <algorithm>
#include <string>

#include "package/package_format.h"

namespace wb {

namespace {

// The last component's extension in lower case ASCII; empty when it has none.
std::string Extension(const std::string& name) {
    const size_t slash = name.rfind('\\');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return ext;
}

}  // namespace

void OrderForSolidLzma(std::vector<PackInput>& entries) {
    struct Keyed {
        bool File;
        std::string Ext;
        PackInput* Entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (PackInput& e : entries) {
        const bool file = e.Kind != pck::kKindFolder;
        keyed.push_back({file, file ? Extension(e.Name) : std::string(), &e});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.File != b.File) return b.File;
        if (a.Ext != b.Ext) return a.Ext < b.Ext;
        return a.Entry->Name < b.Entry->Name;
    });
    std::vector<PackInput> ordered;
    ordered.reserve(entries.size());
    for (Keyed& k : keyed) ordered.push_back(std::move(*k.Entry));
    entries = std::move(ordered);
}

}  // namespace wb
