#include "billing/cbRegras.h"

#include "billing/Installation.h"

#include "platform/core/CodePages.h"

#include <cmath>

namespace billing::rules {

std::string first_chars(std::string_view text, std::size_t n) { return std::string(core::utf8_prefix(text, n)); }

std::string_view after_chars(std::string_view text, std::size_t n) {
    return text.substr(core::utf8_prefix(text, n).size());
}

std::string last_chars(std::string_view text, std::size_t n) {
    const std::size_t length = core::utf8_length(text);
    return std::string(length > n ? after_chars(text, length - n) : text);
}

std::string chars(std::string_view text, std::size_t from, std::size_t count) {
    return first_chars(after_chars(text, from > 0 ? from - 1 : 0), count);
}

std::int64_t to_int64(std::string_view text) {
    bool ok = !text.empty() && text.size() <= 18;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            ok = false;
            break;
        }
        v = v * 10 + (c - '0');
    }
    if (!ok) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

std::string digito_quatorze(const TcbTitulo& t) { return Mod11(F(t.NossoNumero(), 14), 9); }

std::string campo_livre_quinze(const TcbTitulo& t) {
    return "5" + F(CodigoCedente(t) + DigitoCodigoCedente(t), 7) + "00" + F(t.NossoNumero(), 15);
}

void boleto_quinze(const TcbTitulo& t, std::string& agencia, std::string& nosso, std::string& carteira,
                   std::string& especie) {
    boleto_agencia_barra(t, [&] { return F(t.NossoNumero(), 15) + "-" + DV(t); }, agencia, nosso, carteira, especie);
}

void boleto_agencia_barra(const TcbTitulo& t, const TextOf& nosso_texto, std::string& agencia, std::string& nosso,
                          std::string& carteira, std::string& especie) {
    agencia = Agencia(t) + "/" + CodigoCedente(t);
    nosso = nosso_texto();
    carteira = L(t.Carteira(), 3);
    especie = "";
}

void boleto_237(const TcbTitulo& t, const std::string& nosso11, const TextOf& digito, std::string& agencia,
                std::string& nosso, std::string& carteira, std::string& especie) {
    agencia = F(Agencia(t), 4) + "-" + DigitoAgencia(t) + "/" + F(CodigoCedente(t), 7) + "-" + DigitoCodigoCedente(t);
    nosso = F(t.Carteira(), 3) + "/" + nosso11 + "-" + digito();
    carteira = F(t.Carteira(), 3);
    especie = "";
}

void boleto_748(const TcbTitulo& t, const TextOf& digito, std::string_view kind, std::string& agencia,
                std::string& nosso, std::string& carteira, std::string& especie) {
    agencia = F(Agencia(t), 4) + "." + F(DigitoAgencia(t), 2) + "/" + F(CodigoCedente(t), 5);
    nosso = ano_corrente() + "/" + "2" + U(t.NossoNumero(), 5) + "-" + digito();
    carteira = RB(t.Carteira(), 3);
    especie = kind;
}

std::string digito_decrescente_x(const TcbTitulo& t) {
    std::string r = Modulo11Decrescente(F(t.NossoNumero(), 11), 9, true);
    return r == "10" ? "X" : r;
}

std::string campo_livre_onze(const TcbTitulo& t) {
    return F(t.NossoNumero(), 11) + F(Agencia(t), 4) + F(CodigoCedente(t), 7) + F(DigitoCodigoCedente(t), 1) +
           F(t.Carteira(), 2);
}

void boleto_onze(const TcbTitulo& t, std::string& agencia, std::string& nosso, std::string& carteira,
                 std::string& especie) {
    agencia = F(Agencia(t), 4) + " " + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
    nosso = F(t.NossoNumero(), 11) + DV(t);
    carteira = L(t.Carteira(), 2);
    especie = "";
}

bool nosso_numero_17(const TcbTitulo& t, std::string& n17) {
    std::string n = t.NossoNumero();
    if (auto hyphen = n.find('-'); hyphen != std::string::npos) n.erase(hyphen, 1);
    n = Trim(n);
    if (core::utf8_length(n) != 17) return false;
    n17 = n;
    return true;
}

CivilDate decode_date(TDateTime date) {
    Word y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    return {y, m, d};
}

int day_of_year(TDateTime date) {
    const CivilDate c = decode_date(date);
    return static_cast<int>(std::floor(date) - EncodeDate(c.year, 1, 1)) + 1;
}

std::string ano_corrente() { return F(std::to_string(decode_date(today()).year % 100), 2); }

std::string abreviatura(std::span<const Especie> table, TEspecieDocumento kind) {
    for (const Especie& e : table) {
        if (e.kind == kind) return std::string(e.text);
    }
    return {};
}

namespace {

constexpr Especie kTabelaA[] = {
    {edApoliceSeguro, "AP"}, {edCheque, "CH"}, {edDuplicataMercantil, "DM"},
    {edDuplicataMercantialIndicacao, "DMI"}, {edDuplicataRural, "DR"}, {edDuplicataServico, "DS"},
    {edDuplicataServicoIndicacao, "DSI"}, {edFatura, "FAT"}, {edLetraCambio, "LC"}, {edMensalidadeEscolar, "ME"},
    {edNotaCreditoComercial, "NCC"}, {edNotaCreditoExportacao, "NCE"}, {edNotaCreditoIndustrial, "NCI"},
    {edNotaCreditoRural, "NCR"}, {edNotaDebito, "ND"}, {edNotaPromissoria, "NP"}, {edNotaPromissoriaRural, "NPR"},
    {edNotaSeguro, "NS"}, {edParcelaConsorcio, "PC"}, {edRecibo, "RC"}, {edTriplicataMercantil, "TM"},
    {edTriplicataServico, "TS"},
};

constexpr Especie kTabelaB[] = {
    {edDuplicataMercantil, "01"}, {edDuplicataMercantialIndicacao, "01"}, {edDuplicataRural, "01"},
    {edDuplicataServico, "01"}, {edDuplicataServicoIndicacao, "01"}, {edNotaPromissoria, "02"},
    {edNotaPromissoriaRural, "02"}, {edNotaSeguro, "03"}, {edRecibo, "05"},
};

constexpr Especie kTabelaC[] = {
    {edDuplicataMercantil, "01"}, {edDuplicataMercantialIndicacao, "01"}, {edDuplicataServico, "08"},
    {edDuplicataServicoIndicacao, "08"}, {edNotaSeguro, "03"}, {edRecibo, "05"},
};

constexpr Especie kTabelaD[] = {
    {edAluguel, "AL"}, {edApoliceSeguro, "AP"}, {edContribuicaoConfederativa, "CC"}, {edDuplicataMercantil, "DM"},
    {edDuplicataRural, "DR"}, {edDuplicataServico, "DS"}, {edFatura, "FT"}, {edLetraCambio, "LC"},
    {edNotaDebito, "ND"}, {edNotaPromissoria, "NP"}, {edNotaPromissoriaRural, "NPR"}, {edNotaSeguro, "NS"},
    {edRecibo, "RC"}, {edTriplicataMercantil, "TM"}, {edTriplicataServico, "TS"},
};

constexpr Especie kTabelaE[] = {
    {edDuplicataMercantil, "DM"}, {edDuplicataRural, "DR"}, {edDuplicataServico, "DS"}, {edLetraCambio, "LC"},
    {edNotaDebito, "ND"}, {edNotaPromissoria, "NP"}, {edNotaPromissoriaRural, "NR"}, {edNotaSeguro, "NS"},
    {edOutros, "OS"}, {edRecibo, "RC"},
};

}  // namespace

std::span<const Especie> especies_104() { return kTabelaA; }
std::span<const Especie> especies_244() { return kTabelaB; }
std::span<const Especie> especies_347() { return kTabelaC; }
std::span<const Especie> especies_151() { return kTabelaD; }
std::span<const Especie> especies_748() { return kTabelaE; }

}  // namespace billing::rules
