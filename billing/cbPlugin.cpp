#include "billing/cbPlugin.h"

#include <algorithm>
#include <mutex>

namespace billing {

namespace {

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
               return low(x) == low(y);
           });
}

struct Registry {
    std::mutex mutex;
    std::vector<const PluginClass*> classes;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

const PublishedOperation* PluginClass::FindOperation(std::string_view op_name) const {
    for (const PublishedOperation& op : operations) {
        if (same_name(op.name, op_name)) return &op;
    }
    return nullptr;
}

void RegisterPluginClass(const PluginClass& cls) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const PluginClass* c : r.classes) {
        if (same_name(c->name, cls.name)) return;
    }
    r.classes.push_back(&cls);
}

const PluginClass* FindPluginClass(std::string_view name) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const PluginClass* c : r.classes) {
        if (same_name(c->name, name)) return c;
    }
    return nullptr;
}

}  // namespace billing
