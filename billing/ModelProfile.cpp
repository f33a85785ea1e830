#include "billing/ModelProfile.h"

#include "billing/cbCobranca.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace billing {

namespace {

constexpr unsigned kEngineHelpers = kHelperModulo10 | kHelperModulo11 | kHelperModulo11Decrescente |
                                    kHelperFormatar | kHelperDigitoNossoNumero;

// The engine's own model: unit cbCobranca, lookups under TcbBanco<code>.
constexpr ModelProfile kEngine = {"cbCobranca", true, kEngineHelpers, "TcbTitulo", kEnginePartClasses,
                                  "TcbBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine};

struct Table {
    std::mutex mutex;
    std::vector<const ModelProfile*> rows{&kEngine};
};

Table& table() {
    static Table* t = new Table;  // never destroyed: profiles are read until the process ends
    return *t;
}

}  // namespace

const ModelProfile& engine_profile() { return kEngine; }

std::span<const ModelProfile* const> model_profiles() {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return t.rows;
}

const ModelProfile* find_model_profile(std::string_view unit) {
    for (const ModelProfile* p : model_profiles()) {
        if (p->unit == unit) return p;
    }
    return nullptr;
}

void register_model_profiles(std::span<const ModelProfile> rows) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    for (const ModelProfile& row : rows) {
        auto same_unit = std::find_if(t.rows.begin(), t.rows.end(), [&](const ModelProfile* p) { return p->unit == row.unit; });
        if (same_unit == t.rows.end()) {
            t.rows.push_back(&row);
        } else if (*same_unit != &row) {
            throw Exception("Modelo registrado duas vezes: " + std::string(row.unit));
        }
    }
}

std::string plugin_class_name(const ModelProfile& profile, Lookup which, std::string_view codigo) {
    if (profile.prefix.empty()) return {};
    if (which == Lookup::Digito && !profile.holds(kHelperDigitoNossoNumero)) return {};
    if (which == Lookup::Nome && !profile.full) return {};
    const std::string_view suffix = which == Lookup::Nome ? profile.name_suffix : profile.digit_suffix;
    return std::string(profile.prefix) + Formatar(codigo, 3, false, '0') + std::string(suffix);
}

}  // namespace billing
