#include "billing/clients/ItauSafraFamily.h"

#include "billing/DigitSchemes.h"
#include "billing/cbRegras.h"
#include "billing/clients/ClientConstants.h"
#include "platform/core/DateUtils.h"

namespace billing::clients::itau_safra {

namespace {

using rules::U;
using rules::LU;
using rules::L;
using rules::Mod10;

using rules::first_chars;
using rules::last_chars;

std::string nn8(const TcbTitulo& t) { return U(t.NossoNumero(), 8); }
std::string ag4(const TcbTitulo& t) { return U(rules::Agencia(t), 4); }
std::string conta5(const TcbTitulo& t) { return U(rules::Conta(t), 5); }

// The free field's Itaú frame: carteira as stored + NN8 + digit + agency and account part + "000".
std::string itau(const TcbTitulo& t, const std::string& digit, const std::string& agency_account) {
    return t.Carteira() + nn8(t) + digit + agency_account + "000";
}

}  // namespace

std::string check_digit(DigitRule rule, const ModelProfile& model, const TcbTitulo& t) {
    switch (rule) {
        case DigitRule::MovrentaAccount:
            return Mod10(std::string(clients::client_constant("MovrentaK12")) + nn8(t));
        case DigitRule::ItauStored:
            return Mod10(rules::Agencia(t) + rules::Conta(t) + t.Carteira() + nn8(t));
        case DigitRule::ItauPadded:
            return Mod10(ag4(t) + conta5(t) + t.Carteira() + nn8(t));
        case DigitRule::ItauStoredAgency:
            return Mod10(rules::Agencia(t) + conta5(t) + t.Carteira() + nn8(t));
        case DigitRule::Safra:
            return Modulo11(model, nn8(t), 9, false);
    }
    return "0";
}

std::string free_field(FreeFieldRule rule, const ModelProfile& model, const TcbTitulo& t) {
    switch (rule) {
        case FreeFieldRule::MovrentaAccount: {
            const std::string body = std::string(clients::client_constant("MovrentaK3")) + nn8(t) +
                                     std::string(clients::client_constant("MovrentaK7")) +
                                     std::string(clients::client_constant("MovrentaK5"));
            return body + Mod10(body) + "0";
        }
        case FreeFieldRule::ItauTitleDigit: {
            const std::string digit = DigitoNossoNumero(model, t);
            return itau(t, digit, ag4(t) + conta5(t) + Mod10(ag4(t) + conta5(t)));
        }
        case FreeFieldRule::ItauCarteiraDigit:
            return itau(t, Mod10(t.Carteira() + nn8(t)), ag4(t) + conta5(t) + Mod10(ag4(t) + conta5(t)));
        case FreeFieldRule::ItauAccountDigit:
        case FreeFieldRule::ItauAccountDigitSix: {
            const std::string acc =
                rule == FreeFieldRule::ItauAccountDigit ? rules::Conta(t) : U(first_chars(rules::Conta(t), 6), 6);
            return itau(t, Mod10(ag4(t) + acc + t.Carteira() + nn8(t)), ag4(t) + acc);
        }
        case FreeFieldRule::ItauStandard: {
            const std::string acc5 = U(first_chars(rules::Conta(t), 5), 5);
            return itau(t, Mod10(ag4(t) + acc5 + t.Carteira() + nn8(t)), ag4(t) + acc5 + Mod10(ag4(t) + acc5));
        }
        case FreeFieldRule::Carteira198: {
            const std::string doc8 = last_chars("00000000" + t.NumeroDocumento(), 8);
            const std::string seu7 = last_chars("00000000" + std::string(clients::client_constant("UnicredNumeroCliente")) +
                                              first_chars(t.NumeroDocumento(), 3),
                                          7);
            const std::string body = "198" + doc8 + seu7 + std::string(clients::client_constant("UnicredCodigoCliente"));
            return body + Mod10(body) + "0";
        }
        case FreeFieldRule::Safra:
            return "7" + std::string(clients::client_constant("SafraAgencia")) + U(rules::Conta(t), 9) + nn8(t) +
                   DigitoNossoNumero(model, t) + "2";
        case FreeFieldRule::SafraBradesco: {
            const std::string year = FormatDateTime("dd/mm/yyyy", t.DataDocumento()).substr(8, 2);
            return std::string(clients::client_constant("SafraBradescoAgencia")) + "09" + year +
                   AcrescentarDVModulo11Safra(nn8(t)) + U(clients::client_constant("SafraBradescoConta"), 7) + "0";
        }
    }
    return {};
}

void boleto_texts(BoletoRule rule, const ModelProfile& model, const TcbTitulo& t, std::string& agencia,
                  std::string& nosso, std::string& carteira, std::string& especie) {
    rules::boleto_agencia_barra(
        t,
        [&]() -> std::string {
            switch (rule) {
                case BoletoRule::Fourteen:
                    return U(t.NossoNumero(), 14) + "-" + DigitoNossoNumero(model, t);
                case BoletoRule::TitleDigit:
                    return nn8(t) + "-" + DigitoNossoNumero(model, t);
                case BoletoRule::NoDigit:
                    return nn8(t);
                case BoletoRule::EngineDigit:
                    carteira = LU(t.Carteira(), 3);
                    return nn8(t) + "-" + DigitoNossoNumero(model, t);
            }
            return {};
        },
        agencia, nosso, carteira, especie);
}

}  // namespace billing::clients::itau_safra
