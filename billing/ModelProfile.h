#pragma once
// Profiles of the title model. The engine's model (unit cbCobranca) is one
// row; each client copy of the model is another row of the same table, not
// another implementation: its unit name, its class names, the class-name
// rule of its plug-in lookups, its default place of payment, the helpers it
// holds and its modulo-11 rule. The engine's table holds its own row only;
// the client rows are added by their folder's unit start-up.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace billing {

// The not-raw result of Modulo11 for the remainders 0, 1 and 10.
enum class Modulo11Rule {
    Engine,        // remainders 0 and 1 give "0"
    OneForSmall,   // remainders 0, 1 and 10 give "1"
};

// Helpers a profile holds (a bit set).
enum ProfileHelper : unsigned {
    kHelperModulo10 = 1u << 0,
    kHelperModulo11 = 1u << 1,
    kHelperModulo11Decrescente = 1u << 2,
    kHelperFormatar = 1u << 3,
    kHelperDigitoNossoNumero = 1u << 4,
};

// A new title's place of payment, unless its model says otherwise.
inline constexpr std::string_view kPagavelQualquerBanco = "PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO";
// The engine's class names of address, bank, bank account, person and payee.
inline constexpr std::array<std::string_view, 5> kEnginePartClasses = {"TcbEndereco", "TcbBanco", "TcbContaBancaria",
                                                                       "TcbPessoa", "TcbCedente"};

struct ModelProfile {
    std::string_view unit;          // unit that qualifies the helpers and classes
    bool full;                      // holds the model classes (false: helpers only)
    unsigned helpers;               // ProfileHelper bits
    std::string_view title_class;   // class name of its titles (empty when partial)
    // Class names of address, bank, bank account, person and payee.
    std::array<std::string_view, 5> part_classes;
    std::string_view prefix;        // put before the three-digit bank code in lookups (empty: no lookups)
    std::string_view name_suffix;   // put after the code when looking up the bank name
    std::string_view digit_suffix;  // put after the code when looking up the check digit
                                    // (only with kHelperDigitoNossoNumero)
    std::string_view local_pagamento;  // a new title's place of payment
    Modulo11Rule modulo11;

    bool holds(ProfileHelper h) const { return (helpers & h) != 0; }
};

// The engine's own model: unit cbCobranca, classes TcbTitulo ..., lookups
// under TcbBanco<code>.
const ModelProfile& engine_profile();

// Every profile: the engine first, then the registered ones in their order.
std::span<const ModelProfile* const> model_profiles();

// The profile of a unit (names compared as written), or nullptr.
const ModelProfile* find_model_profile(std::string_view unit);

// Adds rows to the table (a unit start-up does this). A row already there is
// skipped; another row under a unit name already taken raises Exception. The
// rows must outlive the program's use of them (constant tables do).
void register_model_profiles(std::span<const ModelProfile> rows);

// What a model's lookups ask the class registry for.
enum class Lookup { Nome, Digito };
// The class name a model's lookup forms for a bank code (formatted to three
// digits with the model's Formatar); empty when the model makes no such lookup.
std::string plugin_class_name(const ModelProfile& profile, Lookup which, std::string_view codigo);

}  // namespace billing
