#include "billing/BarCode.h"

#include <optional>

#include "billing/Installation.h"
#include "billing/cbRegras.h"

#include "platform/core/CodePages.h"

#include <cmath>

namespace billing {

namespace {

bool all_digits(std::string_view s) {
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The narrowest field that each bank's rules give the nosso número.
struct NossoNumeroWidth {
    std::string_view bank;
    std::size_t width;
};

constexpr NossoNumeroWidth kNossoNumeroWidths[] = {
    {"001", 11}, {"021", 8},  {"033", 8},  {"038", 11}, {"104", 10}, {"151", 9},  {"237", 11}, {"244", 6},
    {"275", 13}, {"291", 7},  {"320", 14}, {"341", 8},  {"347", 6},  {"353", 7},  {"356", 13}, {"389", 10},
    {"394", 14}, {"399", 13}, {"409", 14}, {"422", 8},  {"479", 8},  {"745", 14}, {"748", 5},  {"999", 11},
};

// Bank 033 with installation code 236 carries a 12-digit nosso número.
constexpr std::size_t kNossoNumero033Installation236 = 12;

std::string pad(std::int64_t v, std::size_t width) {
    std::string s = std::to_string(v);
    return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

}  // namespace

std::string fator_vencimento(TDateTime vencimento) {
    if (vencimento == 0) return "0000";
    std::int64_t days = static_cast<std::int64_t>(std::floor(vencimento) - EncodeDate(1997, 10, 7));
    if (days < 1000) {
        throw Exception("Data de vencimento anterior a 03/07/2000 não cabe no código de barras");
    }
    if (days > 9999) days = (days - 1000) % 9000 + 1000;
    return pad(days, 4);
}

char digito_geral(std::string_view digits43) {
    std::vector<int> d = digit_values(digits43);
    int sum = 0;
    int weight = 2;
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
        sum += *it * weight;
        if (++weight > 9) weight = 2;
    }
    int dv = 11 - sum % 11;
    if (dv == 0 || dv == 10 || dv == 11) dv = 1;
    return static_cast<char>('0' + dv);
}

std::string linha_digitavel(std::string_view cb) {
    const std::string campo1 = std::string(cb.substr(0, 4)) + std::string(cb.substr(19, 5));
    const std::string campo2(cb.substr(24, 10));
    const std::string campo3(cb.substr(34, 10));
    return campo1 + Modulo10(campo1) + campo2 + Modulo10(campo2) + campo3 + Modulo10(campo3) +
           std::string(1, cb[4]) + std::string(cb.substr(5, 14));
}

BoletoCodes montar_codigos(std::string_view banco, std::string_view campo_livre, TDateTime vencimento,
                           Currency valor) {
    const std::string code(banco);
    if (code.size() != 3 || !all_digits(code)) {
        throw Exception(Format("Código de banco inválido para o código de barras: \"%s\"", {code}));
    }
    if (campo_livre.size() != 25 || !all_digits(campo_livre)) {
        throw Exception(Format("O campo livre do banco %s não tem 25 dígitos (\"%s\"): código de barras não gerado",
            {code, campo_livre}));
    }
    const std::int64_t cents = valor.ToCents();  // rounded half to even
    if (cents < 0 || cents > 9999999999LL) {
        throw Exception("Valor do documento fora do intervalo do código de barras (0 a 99.999.999,99)");
    }
    const std::string sem_dv = code + "9" + fator_vencimento(vencimento) + pad(cents, 10) + std::string(campo_livre);
    BoletoCodes out;
    out.codigo_barras = sem_dv.substr(0, 4) + std::string(1, digito_geral(sem_dv)) + sem_dv.substr(4);
    out.linha_digitavel = linha_digitavel(out.codigo_barras);
    return out;
}

std::size_t nosso_numero_max(const TcbTitulo& titulo) {
    const std::string& bank = titulo.Cedente().ContaBancaria().Banco().Codigo();
    if (bank == "033" && current_installation().codigo_instalacao == 236) return kNossoNumero033Installation236;
    for (const NossoNumeroWidth& row : kNossoNumeroWidths) {
        if (row.bank == bank) return row.width;
    }
    return 0;
}

void verificar_nosso_numero(const TcbTitulo& titulo) {
    const std::string& bank = titulo.Cedente().ContaBancaria().Banco().Codigo();
    std::string n17;
    if (bank == "001" && titulo.Carteira() == "18" && rules::nosso_numero_17(titulo, n17)) return;
    const std::size_t max = nosso_numero_max(titulo);
    const std::string nosso = Trim(titulo.NossoNumero());
    if (max == 0 || core::utf8_length(nosso) <= max) return;
    throw Exception(Format("O nosso número \"%s\" não cabe no campo de %d caracteres do banco %s: boleto não gerado",
                           {nosso, max, bank}));
}

namespace {

// The text fields a free field may need, by name, with their setters on a copy.
struct CampoTexto {
    const char* nome;
    std::string (*ler)(const TcbTitulo&);
    void (*por)(TcbTitulo&, std::string);
};

constexpr CampoTexto kCamposBoleto[] = {
    {"Cedente.ContaBancaria.CodigoAgencia", [](const TcbTitulo& t) { return t.Cedente().ContaBancaria().CodigoAgencia(); },
     [](TcbTitulo& t, std::string v) { t.Cedente().ContaBancaria().SetCodigoAgencia(std::move(v)); }},
    {"Cedente.ContaBancaria.NumeroConta", [](const TcbTitulo& t) { return t.Cedente().ContaBancaria().NumeroConta(); },
     [](TcbTitulo& t, std::string v) { t.Cedente().ContaBancaria().SetNumeroConta(std::move(v)); }},
    {"Cedente.CodigoCedente", [](const TcbTitulo& t) { return t.Cedente().CodigoCedente(); },
     [](TcbTitulo& t, std::string v) { t.Cedente().SetCodigoCedente(std::move(v)); }},
    {"Carteira", [](const TcbTitulo& t) { return t.Carteira(); },
     [](TcbTitulo& t, std::string v) { t.SetCarteira(std::move(v)); }},
    {"NossoNumero", [](const TcbTitulo& t) { return t.NossoNumero(); },
     [](TcbTitulo& t, std::string v) { t.SetNossoNumero(std::move(v)); }},
};

}  // namespace

void verificar_campos_boleto(const TcbTitulo& titulo,
                             const std::function<std::string(const TcbTitulo&)>& campo_livre) {
    std::optional<std::string> base;
    TcbTitulo copia(titulo.Profile());
    copia.CopiarDe(titulo);
    for (const CampoTexto& campo : kCamposBoleto) {
        if (!Trim(campo.ler(titulo)).empty()) continue;
        if (!base) base = campo_livre(titulo);
        campo.por(copia, "1");
        std::string probe;
        try {
            probe = campo_livre(copia);
        } catch (const Exception&) {
            probe = *base;  // a rule that cannot read the probe tells nothing
        }
        campo.por(copia, campo.ler(titulo));
        if (probe != *base) {
            throw Exception(Format("Falta %s, que o código de barras do banco %s exige: boleto não gerado",
                                   {std::string(campo.nome), titulo.Cedente().ContaBancaria().Banco().Codigo()}));
        }
    }
}

std::string campo_nao_cabe(const TcbTitulo& titulo, const ECampoNaoCabe& e) {
    const std::string campo = campo_do_titulo(titulo, e.Valor());
    if (campo.empty()) return e.Message();
    return Format("O valor \"%s\" de %s não cabe no campo de %d caracteres", {e.Valor(), campo, e.Largura()});
}

void verificar_digito_conta_341(const TcbTitulo& titulo) {
    const TcbContaBancaria& conta = titulo.Cedente().ContaBancaria();
    const std::string dado = Trim(conta.DigitoConta());
    if (dado.empty()) return;
    const std::string agencia = Formatar(conta.CodigoAgencia(), 4, false, '0');
    const std::string numero = Formatar(conta.NumeroConta(), 5, false, '0');
    const std::string digito = Modulo10(agencia + numero);
    if (dado != digito) {
        throw Exception(Format("DigitoConta %s não confere com o dígito %s da agência %s e conta %s do banco 341",
                               {dado, digito, agencia, numero}));
    }
}

}  // namespace billing
