#include "try/diff.h"

#include <algorithm>

namespace quorin::pack {
namespace {

bool UnderKey(const std::string& path, const std::string& key) {
    return path.size() >= key.size() && path.compare(0, key.size(), key) == 0 &&
           (path.size() == key.size() || path[key.size()] == '\\');
}

bool Ignored(const std::string& path, const std::vector<IgnoredKey>& ignored) {
    return std::any_of(ignored.begin(), ignored.end(),
                       [&](const IgnoredKey& k) { return UnderKey(path, k.key); });
}

} // namespace

FolderChanges DiffFolders(const FolderSnapshot& before, const FolderSnapshot& after) {
    FolderChanges c;
    for (const auto& [path, facts] : after) {
        const auto was = before.find(path);
        if (was == before.end())
            c.added.push_back(path);
        else if (was->second != facts)
            c.changed.push_back(path);
    }
    for (const auto& [path, facts] : before)
        if (!after.count(path))
            c.removed.push_back(path);
    return c;
}

const std::vector<IgnoredKey>& WineOwnKeys() {
    static const std::vector<IgnoredKey> keys = {
        {"HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters",
         "Wine keeps the system parameters a program changes for the session here (volatile)"},
    };
    return keys;
}

RegistryChanges DiffRegistry(const RegistrySnapshot& before, const RegistrySnapshot& after,
                             const std::vector<IgnoredKey>& ignored) {
    RegistryChanges c;
    static const RegistryKey kNoValues;
    // Walk both sorted maps together, so each key is visited once in order.
    auto a = before.begin(), b = after.begin();
    while (a != before.end() || b != after.end()) {
        const bool onlyBefore = b == after.end() || (a != before.end() && a->first < b->first);
        const bool onlyAfter = a == before.end() || (b != after.end() && b->first < a->first);
        const std::string& key = onlyBefore ? a->first : b->first;
        const RegistryKey& was = onlyAfter ? kNoValues : a->second;
        const RegistryKey& is = onlyBefore ? kNoValues : b->second;
        if (!Ignored(key, ignored)) {
            if (onlyBefore)
                c.keysRemoved.push_back(key);
            if (onlyAfter)
                c.keysAdded.push_back(key);
            for (const auto& [name, value] : is) {
                const auto old = was.find(name);
                if (old == was.end())
                    c.values.push_back({key, name, std::nullopt, value});
                else if (old->second != value)
                    c.values.push_back({key, name, old->second, value});
            }
            for (const auto& [name, value] : was)
                if (!is.count(name))
                    c.values.push_back({key, name, value, std::nullopt});
        }
        if (!onlyAfter)
            ++a;
        if (!onlyBefore)
            ++b;
    }
    std::stable_sort(c.values.begin(), c.values.end(), [](const ValueChange& x, const ValueChange& y) {
        return x.key != y.key ? x.key < y.key : x.name < y.name;
    });
    return c;
}

} // namespace quorin::pack
