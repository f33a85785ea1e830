#include "billing/tool/ModelCommands.h"

#include "billing/DigitSchemes.h"
#include "billing/PluginClasses.h"
#include "billing/Startup.h"
#include "billing/TitleJson.h"
#include "billing/cbCobranca.h"
#include "billing/clients/Startup.h"
#include "billing/tool/BankCode.h"
#include "platform/os/InputFile.h"

#include <cerrno>
#include <iostream>

using nlohmann::json;

namespace billing::tool {

namespace {

const ModelProfile* g_model = nullptr;

int parse_base(const std::string& s) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(s, &used);
        if (used == s.size()) return v;
    } catch (const std::exception&) {
    }
    throw Exception("base inválida: " + s);
}

// A title of the title model, filled from a JSON file when one is given.
std::unique_ptr<TcbTitulo> title_from(const std::string& file) {
    auto t = std::make_unique<TcbTitulo>(title_model());
    if (file.empty()) return t;
    os::InputFile in(file);
    titulo_from_json(parse_json(in.stream()), *t);
    return t;
}

// lookup UNIT nome|digito CODE [TITLE.json]
int lookup(const std::vector<std::string>& a) {
    if (a.size() < 3 || a.size() > 4 || (a[1] != "nome" && a[1] != "digito")) {
        std::cerr << "uso: billing-tool lookup UNIDADE nome|digito CÓDIGO [TÍTULO.json]\n";
        return 2;
    }
    take_model_option({"--model", a[0]});
    const ModelProfile& model = current_model();
    const std::string code = bank_code(a[2]);
    if (a[1] == "nome") {
        std::cout << NomeBanco(bank_model(), code) << "\n";
        return 0;
    }
    require_helper(kHelperDigitoNossoNumero, "DigitoNossoNumero");
    std::unique_ptr<TcbTitulo> t = title_from(a.size() == 4 ? a[3] : "");
    t->Cedente().ContaBancaria().Banco().SetCodigo(code);
    std::cout << DigitoNossoNumero(model, *t) << "\n";
    return 0;
}

// new-title UNIT: a new title of the unit as JSON, with its class.
int new_title(const std::vector<std::string>& a) {
    if (a.size() != 1) {
        std::cerr << "uso: billing-tool new-title UNIDADE\n";
        return 2;
    }
    take_model_option({"--model", a[0]});
    if (!current_model().full) {
        throw Exception(std::string(current_model().unit) + " não tem classe de título (cópia parcial)");
    }
    TcbTitulo t(current_model());
    json j = {{"Classe", t.ClassName()}, {"Modelo", std::string(current_model().unit)}};
    j.update(titulo_to_json(t));
    std::cout << j.dump(2) << "\n";
    return 0;
}

std::string rule_text(const ModelProfile& p, Lookup which) {
    std::string name = plugin_class_name(p, which, "0");
    return name.empty() ? "-" : name.replace(p.prefix.size(), 3, "<ccc>");
}

// classes: each model unit once, then each registered bank class with its unit.
int classes(const std::vector<std::string>& a) {
    if (!a.empty()) {
        std::cerr << "uso: billing-tool classes\n";
        return 2;
    }
    for (const ModelProfile* p : model_profiles()) {
        std::cout << "model\t" << p->unit << "\t" << (p->full ? "full" : "partial") << "\t"
                  << (p->full ? std::string(p->title_class) : "-") << "\t" << rule_text(*p, Lookup::Nome) << "\t"
                  << rule_text(*p, Lookup::Digito) << "\n";
    }
    for (const PluginClass& c : plugin_classes()) std::cout << "class\t" << c.cls->Name << "\t" << c.unit << "\n";
    return 0;
}

// schemes: the digit-scheme table.
int schemes() {
    for (const DigitScheme& s : digit_schemes()) std::cout << s.name << "\t" << s.about << "\n";
    return 0;
}

}  // namespace

void start_units() {
    billing::unit_startup();
    billing::clients::unit_startup();
}

std::vector<std::string> take_model_option(std::vector<std::string> args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--model") continue;
        if (i + 1 >= args.size()) throw Exception("--model pede o nome de uma unidade");
        // The file commands write and read with the engine's model only: a
        // model they would not use is refused rather than ignored.
        const std::string& cmd = args.front();
        if (i > 0 && cmd != "digit" && cmd != "bank" && cmd != "boleto" && cmd != "format") {
            throw Exception("--model não se aplica a " + cmd);
        }
        const ModelProfile* p = find_model_profile(args[i + 1]);
        if (p == nullptr) throw Exception("Modelo desconhecido: \"" + args[i + 1] + "\"");
        g_model = p;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        --i;
    }
    return args;
}

const ModelProfile& current_model() { return g_model != nullptr ? *g_model : engine_profile(); }

const ModelProfile& title_model() { return current_model().full ? current_model() : engine_profile(); }

void require_helper(ProfileHelper helper, std::string_view name) {
    if (!current_model().holds(helper)) {
        throw Exception(std::string(current_model().unit) + " não tem " + std::string(name));
    }
}

const ModelProfile& bank_model() {
    if (!current_model().full) throw Exception(std::string(current_model().unit) + " não tem classe de banco (cópia parcial)");
    return current_model();
}

std::string boleto_class_name(const std::string& ccc) {
    const ModelProfile& m = current_model();
    std::string name = plugin_class_name(m, Lookup::Digito, ccc);
    if (name.empty()) name = plugin_class_name(m, Lookup::Nome, ccc);
    if (name.empty()) throw Exception(std::string(m.unit) + " não procura classes de banco");
    return name;
}

std::string digito_nosso_numero(const TcbTitulo& title) {
    if (current_model().holds(kHelperDigitoNossoNumero)) return DigitoNossoNumero(current_model(), title);
    return title.DigitoNossoNumero();
}

std::string scheme_digit(const std::vector<std::string>& a) {
    if (a.size() != 3 && a.size() != 4) throw Exception("uso: billing-tool digit scheme NOME DÍGITOS [BASE]");
    const DigitScheme* s = find_digit_scheme(a[1]);
    if (s == nullptr) throw Exception("esquema de dígito desconhecido: " + a[1]);
    const int base = a.size() == 4 ? parse_base(a[3]) : s->base;
    const bool cyclic = s->weights == Weights::RisingCyclic || s->weights == Weights::FallingCyclic;
    if (cyclic && base == 0) throw Exception("o esquema " + a[1] + " pede uma BASE");
    return digit_of(*s, a[2] == "-" ? std::string() : a[2], base);  // "-" stands for the empty text
}

std::optional<int> model_command(const std::string& cmd, const std::vector<std::string>& args) {
    if (cmd == "lookup") return lookup(args);
    if (cmd == "new-title") return new_title(args);
    if (cmd == "classes") return classes(args);
    if (cmd == "schemes" && args.empty()) return schemes();
    return std::nullopt;
}

}  // namespace billing::tool
