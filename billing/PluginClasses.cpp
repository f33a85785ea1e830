#include "billing/PluginClasses.h"

#include <algorithm>
#include <mutex>

namespace billing {

namespace {

struct Registered {
    std::mutex mutex;
    std::vector<PluginClass> classes;
};

Registered& registered() {
    static Registered* r = new Registered;  // never destroyed: nothing is unregistered
    return *r;
}

}  // namespace

void register_plugin_class(TClass cls, std::string_view unit) {
    Registered& r = registered();
    std::lock_guard lock(r.mutex);
    if (std::any_of(r.classes.begin(), r.classes.end(), [&](const PluginClass& p) { return p.cls == cls; })) return;
    RegisterClass(cls);
    r.classes.push_back({cls, unit});
}

std::vector<PluginClass> plugin_classes() {
    Registered& r = registered();
    std::lock_guard lock(r.mutex);
    return r.classes;
}

}  // namespace billing
