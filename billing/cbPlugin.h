#pragma once
// Bank plug-in classes: a class per bank, derived from TPersistent, without
// fields or state, registered by name in the class registry; its published
// operations are found by name at run time and called without instance data.
// The engine's model finds a class by the name "TcbBanco" + three-digit code;
// client copies by their own prefixes (billing/ModelProfile.h).

#include "billing/cbCobranca.h"
#include "platform/core/ClassBuilder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace billing {

// Signatures of the published operations.
using SigGetNomeBanco = std::string();
using SigTitulo = std::string(const TcbTitulo&);  // CalcularDigitoNossoNumero, GetCampoLivreCodigoBarra
using SigFormatarBoleto = void(const TcbTitulo&, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                               std::string& CarteiraBoleto, std::string& EspecieBoleto);
using SigGetImagem = std::uint8_t();
using SigGerarRemessa = bool(TcbCobranca& batch, TStringList& remessa);  // GerarRemessa, GerarRemessaCNAB400

// The operation published by cls under name (ASCII case ignored) with the
// signature Sig; nullptr when the class publishes none, or one of another
// signature.
template <class Sig>
const std::function<Sig>* find_operation(TClass cls, std::string_view name) {
    const core::OperationInfo* op = cls == nullptr ? nullptr : cls->MethodAddress(name);
    if (op == nullptr || !op->Is<Sig>()) return nullptr;
    return &op->As<Sig>();
}

}  // namespace billing

// The operations every bank plug-in class publishes for boletos, as static
// members (a plug-in keeps no state), and its class description. The bank's
// name (GetNomeBanco) is the engine's bank table's for an engine class
// (billing/BankClass.h publishes it); a client class declares its own.
#define CB_BANK_PLUGIN_OPERATIONS                                                                           \
    static TClass StaticClass();                                                                            \
    TClass ClassType() const override { return StaticClass(); }                                             \
    /* The check digit of the title's nosso número. */                                                      \
    static std::string CalcularDigitoNossoNumero(const TcbTitulo& titulo);                                  \
    /* The free field of the bar code (25 characters for values of the expected lengths). */                \
    static std::string GetCampoLivreCodigoBarra(const TcbTitulo& titulo);                                   \
    /* The four boleto texts; an output the bank's rule does not assign keeps its value. */                  \
    static void FormatarBoleto(const TcbTitulo& titulo, std::string& AgenciaCodigoCedente,                 \
                               std::string& NossoNumeroDigito, std::string& CarteiraBoleto,                 \
                               std::string& EspecieBoleto);                                                \
    /* Fills the list with the remittance of the batch's titles in the batch's layout; true when written. */ \
    static bool GerarRemessa(TcbCobranca& batch, TStringList& remessa);
