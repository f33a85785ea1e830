#include "billing/clients/ClientModels.h"

namespace billing::clients {

namespace {

// Class names of address, bank, bank account, person and payee in most copies.
constexpr std::array<std::string_view, 5> kCopyParts = {"TEndereco", "TBanco", "TContaBancaria", "TPessoa",
                                                        "TCedente"};
constexpr std::array<std::string_view, 5> kNoParts = {"", "", "", "", ""};

constexpr std::string_view kPagavelBradesco = "Pagavel preferencialmente na rede Bradesco ou Bradesco Expresso";

constexpr unsigned M10 = kHelperModulo10;
constexpr unsigned M11 = kHelperModulo11;
constexpr unsigned FMT = kHelperFormatar;
constexpr unsigned DNN = kHelperDigitoNossoNumero;

constexpr Modulo11Rule kEngineRule = Modulo11Rule::Engine;

// A full copy: the whole model under its own class names.
constexpr ModelProfile full(std::string_view unit, unsigned helpers, std::string_view title,
                            std::array<std::string_view, 5> parts, std::string_view prefix,
                            std::string_view name_suffix = "", std::string_view digit_suffix = "",
                            std::string_view local_pagamento = kPagavelQualquerBanco,
                            Modulo11Rule rule = kEngineRule) {
    return {unit, true, helpers, title, parts, prefix, name_suffix, digit_suffix, local_pagamento, rule};
}

// A partial copy: helpers only; a prefix only when it holds DigitoNossoNumero.
constexpr ModelProfile partial(std::string_view unit, unsigned helpers, std::string_view prefix = "") {
    return {unit, false, helpers, "", kNoParts, prefix, "", "", kPagavelQualquerBanco, kEngineRule};
}

// Unit, kind, helpers, title class, part classes, lookup prefix and suffixes,
// default place of payment, modulo-11 rule.
constexpr ModelProfile kModels[] = {
    // Full copies.
    full("DorvessaCobranca", M11 | FMT | DNN, "TDorvessaTitulo", kCopyParts, "TBanco"),
    full("MovrentaCobranca", M10 | M11 | FMT | DNN, "TMovrentaTitulo", kCopyParts, "TMovrentaBanco", "", "",
         kPagavelQualquerBanco, Modulo11Rule::OneForSmall),
    full("BrevantaCobranca", M10 | M11 | FMT | DNN, "TBrevantaTitulo", kCopyParts, "TBrevantaBanco"),
    full("XandreloCobranca", M11 | FMT | DNN, "TXandreloTitulo", kCopyParts, "TXandreloBanco"),
    full("PrentalvaCobranca", M10 | M11 | FMT | DNN, "TPrentalvaTitulo", kCopyParts, "TPrentalvaBanco"),
    full("LirvantoCobranca", M10 | M11 | FMT | DNN, "TLirvantoTitulo", kCopyParts, "TLirvantoBanco"),
    full("QuistralSaudeCobranca", M10 | M11 | FMT | DNN, "TQuistralSaudeTitulo", kCopyParts, "TQuistralSaudeBanco"),
    full("TrelvaniCobranca", M10 | M11 | FMT | DNN, "TTrelvaniTitulo", kCopyParts, "TTrelvaniBanco"),
    full("TrelvaniCobrancaItauUnicred", M10 | M11 | FMT, "TTrelvaniTituloItauUnicred", kCopyParts, "TTrelvaniBanco",
         "Unicred"),
    full("TrelvaniCobrancaBradescoUnicred", M11 | FMT | DNN, "TTrelvaniTituloBradescoUnicred", kEnginePartClasses,
         "TTrelvaniBanco", "", "", kPagavelBradesco),
    full("CrestalvoCobrancaItau", M10 | M11 | FMT | DNN, "TCrestalvoTitulo", kCopyParts, "TCrestalvoBanco"),
    full("KavrinoCobrancaSAFRA", M10 | M11 | FMT | DNN, "TKavrinoTituloSAFRA", kCopyParts, "TKavrinoBanco"),
    full("KavrinoCobrancaSAFRA_Bradesco", M10 | M11 | FMT | DNN, "TKavrinoTituloSAFRA_Bradesco", kCopyParts,
         "TKavrinoBanco"),
    full("KavrinoCobranca", M10 | M11 | FMT | DNN, "TKavrinoTituloItau", kCopyParts, "TKavrinoBanco"),
    full("KavrinoCobrancaItauSafra", M10 | M11 | FMT | DNN, "TKavrinoTituloItauSafra", kCopyParts, "TKavrinoBanco",
         "Safra", "Safra"),
    full("QuembraCobrancaBradescoUnicred", M11 | FMT | DNN, "TQuembraTituloBradescoUnicred", kEnginePartClasses,
         "TQuembraBanco", "", "", kPagavelBradesco),
    // Partial copies.
    partial("HalvekCobranca", M11 | FMT | DNN, "THalvekBanco"),
    partial("SeltravoCobranca", FMT),
    partial("BenthavorCobranca", FMT),
    partial("QuistralCobrancaSantander", M11 | FMT),
    partial("FalmorenCobranca", M11 | FMT | DNN, "TFalmorenBanco"),
    partial("CalderunaCobranca", M11 | FMT),
    partial("VantorimCobranca", M11 | FMT | DNN, "TVantorimBanco"),
    partial("FendrasilCobrancaSantander", M11 | FMT),
    partial("FendrasilCobranca", FMT | DNN, "TFendrasilBanco"),
    partial("NobrellaCobranca", M11 | FMT),
    partial("EsquilorCobranca", M11 | FMT),
    partial("UlveraneCobranca", M11 | FMT),
    partial("CrestalvoCobrancaCaixa", M11 | FMT),
    partial("WendoricCobrancaSantander", M11 | FMT),
    partial("PilvastroCobranca", M11 | FMT),
    partial("KavrinoCobrancaSantander", M11 | FMT),
    partial("YorlandeCobrancaSantander", M11 | FMT),
    partial("BrevantaCobrancaSantander", M11 | FMT),
    partial("SarlentaCobrancaSICOOB", FMT | DNN, "TSarlentaBanco"),
    partial("ZelvoriaCobranca", M11 | FMT),
    partial("VorqCobranca", M11 | FMT),
};

}  // namespace

std::span<const ModelProfile> client_models() { return kModels; }

}  // namespace billing::clients
