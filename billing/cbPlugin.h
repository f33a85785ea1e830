#pragma once
// Bank plug-in classes: a class per bank, without fields or state, whose
// published operations are found by name at run time. The engine's model
// finds a class by the name "TcbBanco" + three-digit code; client copies by
// their own prefixes (billing/ModelProfile.h).

#include "billing/cbCobranca.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace billing {

// Signatures of the published operations.
using OpGetNomeBanco = std::string (*)();
using OpTituloTexto = std::string (*)(const TcbTitulo&);  // CalcularDigitoNossoNumero, GetCampoLivreCodigoBarra
using OpFormatarBoleto = void (*)(const TcbTitulo&, std::string& agencia_codigo_cedente,
                                  std::string& nosso_numero_digito, std::string& carteira_boleto,
                                  std::string& especie_boleto);
using OpGerarRemessa = bool (*)(TcbCobranca&, std::vector<std::string>&);
using OpLerRetorno = bool (*)(TcbCobranca&, const std::vector<std::string>&);
using OpCodigoTexto = std::string (*)(std::string_view);  // occurrence and motive texts
using OpGetImagem = std::uint8_t (*)();

using Operation = std::variant<OpGetNomeBanco, OpTituloTexto, OpFormatarBoleto, OpGerarRemessa, OpLerRetorno,
                               OpCodigoTexto, OpGetImagem>;

struct PublishedOperation {
    std::string_view name;
    Operation function;
};

// A plug-in class: its name, its unit and its published operations.
struct PluginClass {
    std::string_view name;
    std::string_view unit;
    std::span<const PublishedOperation> operations;

    // The operation published under name (ASCII case ignored), or nullptr.
    const PublishedOperation* FindOperation(std::string_view name) const;
    // The operation under name when it has the signature F, else nullptr.
    template <class F>
    F Find(std::string_view op_name) const {
        const PublishedOperation* op = FindOperation(op_name);
        if (op == nullptr) return nullptr;
        const F* f = std::get_if<F>(&op->function);
        return f != nullptr ? *f : nullptr;
    }
};

// Registers a plug-in class by its name (a second registration of the same
// class does nothing). The class must outlive the process.
void RegisterPluginClass(const PluginClass& cls);
// The class registered under name (ASCII case ignored), or nullptr.
const PluginClass* FindPluginClass(std::string_view name);

}  // namespace billing

// The operations every bank plug-in class publishes for boletos, as static
// members (a plug-in keeps no state), and the class as the registry knows it.
#define CB_BANK_PLUGIN_OPERATIONS                                                                           \
    /* The bank's name. */                                                                                  \
    static std::string GetNomeBanco();                                                                      \
    /* The check digit of the title's nosso número. */                                                      \
    static std::string CalcularDigitoNossoNumero(const TcbTitulo& titulo);                                  \
    /* The free field of the bar code (25 characters for values of the expected lengths). */                \
    static std::string GetCampoLivreCodigoBarra(const TcbTitulo& titulo);                                   \
    /* The four boleto texts; an output the bank's rule does not assign keeps its value. */                  \
    static void FormatarBoleto(const TcbTitulo& titulo, std::string& AgenciaCodigoCedente,                 \
                               std::string& NossoNumeroDigito, std::string& CarteiraBoleto,                 \
                               std::string& EspecieBoleto);                                                 \
    /* The class: its name, unit and published operations. */                                              \
    static const billing::PluginClass& Class();
