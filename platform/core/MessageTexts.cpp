#include "platform/core/MessageTexts.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/core/SysUtils.h"

namespace core {
namespace {

struct Registry {
    std::mutex lock;
    std::vector<std::span<const NumberedText>> tables;  // in the order registered
    std::map<int, std::string_view> texts;
};

bool same_table(std::span<const NumberedText> a, std::span<const NumberedText> b) {
    return a.data() == b.data() && a.size() == b.size();
}

Registry& registry() {
    static Registry r;
    return r;
}

} // namespace

void register_texts(std::span<const NumberedText> table) {
    if (table.empty()) return;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    for (auto t : r.tables)
        if (same_table(t, table)) return;
    for (const NumberedText& row : table) {
        auto at = r.texts.find(row.Number);
        if (at != r.texts.end() && at->second != row.Text)
            throw Exception("Message " + std::to_string(row.Number) + " is registered twice");
    }
    for (const NumberedText& row : table) r.texts.try_emplace(row.Number, row.Text);
    r.tables.push_back(table);
}

void unregister_texts(std::span<const NumberedText> table) {
    if (table.empty()) return;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = std::find_if(r.tables.begin(), r.tables.end(), [&](auto t) { return same_table(t, table); });
    if (it == r.tables.end()) return;
    r.tables.erase(it);
    // A number that another table gives too stays.
    r.texts.clear();
    for (auto t : r.tables)
        for (const NumberedText& row : t) r.texts.try_emplace(row.Number, row.Text);
}

std::optional<std::string_view> find_text(int number) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto at = r.texts.find(number);
    if (at == r.texts.end()) return std::nullopt;
    return at->second;
}

std::string message_text(int number) { return std::string(find_text(number).value_or("")); }

} // namespace core
