#include "billing/ModelProfile.h"

namespace billing {

namespace {

constexpr std::string_view kPagavelQualquerBanco = "PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO";

constexpr std::array<std::string_view, 5> kEngineParts = {"TcbEndereco", "TcbBanco", "TcbContaBancaria",
                                                          "TcbPessoa", "TcbCedente"};
constexpr std::array<std::string_view, 5> kCopyParts = {"TEndereco", "TBanco", "TContaBancaria", "TPessoa",
                                                        "TCedente"};
constexpr std::array<std::string_view, 5> kNoParts = {"", "", "", "", ""};

constexpr unsigned kEngineHelpers = kHelperModulo10 | kHelperModulo11 | kHelperModulo11Decrescente |
                                    kHelperFormatar | kHelperDigitoNossoNumero;

// One row per model: the engine, then the client copies.
constexpr ModelProfile kProfiles[] = {
    {"cbCobranca", true, kEngineHelpers, "TcbTitulo", kEngineParts, "TcbBanco", "", "", kPagavelQualquerBanco,
     Modulo11Rule::Engine},
    {"HalvekCobranca", false, kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero, "", kNoParts,
     "THalvekBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine},
    {"DorvessaCobranca", true, kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero, "TDorvessaTitulo",
     kCopyParts, "TBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine},
    {"SeltravoCobranca", false, kHelperFormatar, "", kNoParts, "", "", "", kPagavelQualquerBanco,
     Modulo11Rule::Engine},
    {"MovrentaCobranca", true, kHelperModulo10 | kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero,
     "TMovrentaTitulo", kCopyParts, "TMovrentaBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::OneForSmall},
    {"BrevantaCobranca", true, kHelperModulo10 | kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero,
     "TBrevantaTitulo", kCopyParts, "TBrevantaBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine},
    {"XandreloCobranca", true, kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero, "TXandreloTitulo",
     kCopyParts, "TXandreloBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine},
    {"PrentalvaCobranca", true, kHelperModulo10 | kHelperModulo11 | kHelperFormatar | kHelperDigitoNossoNumero,
     "TPrentalvaTitulo", kCopyParts, "TPrentalvaBanco", "", "", kPagavelQualquerBanco, Modulo11Rule::Engine},
};

}  // namespace

const ModelProfile& engine_profile() { return kProfiles[0]; }

std::span<const ModelProfile> model_profiles() { return kProfiles; }

const ModelProfile* find_model_profile(std::string_view unit) {
    for (const ModelProfile& p : kProfiles) {
        if (p.unit == unit) return &p;
    }
    return nullptr;
}

}  // namespace billing
