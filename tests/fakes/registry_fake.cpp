// The registry fake: a map of keys and values in memory.
#include <map>
#include <set>

#include "fakes/fakes.h"
#include "platform/registry.h"

namespace wb {
namespace {

struct RegistryFake {
    std::set<std::string> Keys;                     // "root|key", lower case
    std::map<std::string, std::string> Values;      // "root|key|name", lower case
    int FailCalls = 0;
    int FailAt = 0;  // calls to go until the one that fails; 0: none
    int FailSetResult = 0;
    int Queries = 0;
    int Sets = 0;
    RegAccess LastAccess = RegAccess::Read;
    std::set<std::string> Locked;  // keys whose values and subtrees resist removal
};

RegistryFake g_reg;

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return s;
}

std::string KeyId(RegRoot root, std::string key) {
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return std::to_string(int(root)) + "|" + Lower(key);
}

std::string ValueId(RegRoot root, const std::string& key, const std::string& name) {
    return KeyId(root, key) + "|" + Lower(name);
}

// The key and all its parents, as the system creates them.
void CreateKeyPath(RegRoot root, const std::string& key) {
    std::string path;
    size_t begin = 0;
    while (begin <= key.size()) {
        size_t end = key.find('\\', begin);
        if (end == std::string::npos) end = key.size();
        if (end > begin) {
            if (!path.empty()) path += '\\';
            path += key.substr(begin, end - begin);
            g_reg.Keys.insert(KeyId(root, path));
        }
        begin = end + 1;
    }
    g_reg.Keys.insert(KeyId(root, key));
}

bool ConsumeFailure() {
    if (g_reg.FailAt > 0 && --g_reg.FailAt == 0) return true;
    if (g_reg.FailCalls <= 0) return false;
    --g_reg.FailCalls;
    return true;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// True when `id` (a key or a value id) lies in or below a locked key.
bool IsLocked(const std::string& id) {
    for (const std::string& k : g_reg.Locked) {
        if (id == k || StartsWith(id, k + "|") || StartsWith(id, k + "\\")) return true;
    }
    return false;
}

}  // namespace

bool RegQuery(RegRoot root, const char* key, const char* name, RegAccess access, char* buffer,
              uint32_t capacity, uint32_t& length) noexcept {
    ++g_reg.Queries;
    g_reg.LastAccess = access;
    length = 0;
    if (ConsumeFailure()) return false;
    if (!g_reg.Keys.count(KeyId(root, key ? key : ""))) return false;
    auto it = g_reg.Values.find(ValueId(root, key ? key : "", name ? name : ""));
    if (it == g_reg.Values.end()) return false;
    length = uint32_t(it->second.size());
    if (length > capacity) return false;
    it->second.copy(buffer, length);
    return true;
}

int RegSetString(RegRoot root, const char* key, const char* name, const char* text) noexcept {
    ++g_reg.Sets;
    if (ConsumeFailure()) return g_reg.FailSetResult;
    std::string k = key ? key : "";
    CreateKeyPath(root, k);
    std::string data = text ? text : "";
    data.push_back('\0');
    g_reg.Values[ValueId(root, k, name ? name : "")] = data;
    return 2;
}

// Stored as the system stores a REG_DWORD: four bytes, low byte first.
int RegSetNumber(RegRoot root, const char* key, const char* name, uint32_t number) noexcept {
    ++g_reg.Sets;
    if (ConsumeFailure()) return g_reg.FailSetResult;
    std::string k = key ? key : "";
    CreateKeyPath(root, k);
    std::string data;
    for (int i = 0; i < 4; ++i) data.push_back(char((number >> (8 * i)) & 0xFF));
    g_reg.Values[ValueId(root, k, name ? name : "")] = data;
    return 2;
}

bool RegRemoveValue(RegRoot root, const char* key, const char* name) noexcept {
    std::string id = ValueId(root, key ? key : "", name ? name : "");
    if (!g_reg.Values.count(id)) return true;
    if (IsLocked(id)) return false;
    g_reg.Values.erase(id);
    return true;
}

bool RegRemoveKeyTree(RegRoot root, const char* key) noexcept {
    std::string k = key ? key : "";
    if (k.empty()) return false;
    std::string id = KeyId(root, k);
    if (!g_reg.Keys.count(id)) return true;
    bool removed = true;
    // Like the system: everything removable goes, a locked part and its parents stay.
    for (auto it = g_reg.Values.begin(); it != g_reg.Values.end();) {
        bool inside = StartsWith(it->first, id + "|") || StartsWith(it->first, id + "\\");
        if (inside && IsLocked(it->first)) removed = false;
        it = (inside && !IsLocked(it->first)) ? g_reg.Values.erase(it) : std::next(it);
    }
    for (auto it = g_reg.Keys.begin(); it != g_reg.Keys.end();) {
        bool inside = *it == id || StartsWith(*it, id + "\\");
        it = (inside && !IsLocked(*it) && removed) ? g_reg.Keys.erase(it) : std::next(it);
    }
    return removed;
}

bool RegRemoveEmptyKeys(RegRoot root, const char* key) noexcept {
    std::string path = key ? key : "";
    while (!path.empty() && path.back() == '\\') path.pop_back();
    const size_t keep = root == RegRoot::ClassesRoot ? 0 : 1;
    for (;;) {
        size_t levels = 1;
        for (char c : path) levels += c == '\\';
        if (path.empty() || levels <= keep) return true;
        const std::string id = KeyId(root, path);
        if (!g_reg.Keys.count(id)) return true;
        for (const auto& [v, data] : g_reg.Values) {
            if (StartsWith(v, id + "|")) return true;
        }
        for (const std::string& k : g_reg.Keys) {
            if (StartsWith(k, id + "\\")) return true;
        }
        if (IsLocked(id)) return false;
        g_reg.Keys.erase(id);
        const size_t cut = path.rfind('\\');
        if (cut == std::string::npos) return true;
        path.resize(cut);
    }
}

namespace fake {

void RegistryReset() { g_reg = RegistryFake{}; }

std::vector<std::string> RegistryDump() {
    std::vector<std::string> lines(g_reg.Keys.begin(), g_reg.Keys.end());
    for (const auto& [id, bytes] : g_reg.Values) lines.push_back(id + "=" + bytes);
    return lines;
}

void RegistrySetText(RegRoot root, const std::string& key, const std::string& name,
                     const std::string& text) {
    RegistrySetBytes(root, key, name, text + std::string(1, '\0'));
}

void RegistrySetBytes(RegRoot root, const std::string& key, const std::string& name,
                      const std::string& bytes) {
    CreateKeyPath(root, key);
    g_reg.Values[ValueId(root, key, name)] = bytes;
}

void RegistryDeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    g_reg.Values.erase(ValueId(root, key, name));
}

void RegistryCreateKey(RegRoot root, const std::string& key) { CreateKeyPath(root, key); }

bool RegistryKeyExists(RegRoot root, const std::string& key) {
    return g_reg.Keys.count(KeyId(root, key)) != 0;
}

bool RegistryGetBytes(RegRoot root, const std::string& key, const std::string& name,
                      std::string& bytes) {
    auto it = g_reg.Values.find(ValueId(root, key, name));
    if (it == g_reg.Values.end()) return false;
    bytes = it->second;
    return true;
}

void RegistryFailNext(int calls, int setResult) {
    g_reg.FailCalls = calls;
    g_reg.FailSetResult = setResult;
}

void RegistryFailCall(int nth, int setResult) {
    g_reg.FailAt = nth;
    g_reg.FailSetResult = setResult;
}

int RegistryQueryCount() { return g_reg.Queries; }
int RegistrySetCount() { return g_reg.Sets; }
RegAccess RegistryLastAccess() { return g_reg.LastAccess; }
void RegistryLockKey(RegRoot root, const std::string& key) { g_reg.Locked.insert(KeyId(root, key)); }
bool RegistryValueExists(RegRoot root, const std::string& key, const std::string& name) {
    return g_reg.Values.count(ValueId(root, key, name)) != 0;
}

}  // namespace fake
}  // namespace wb
