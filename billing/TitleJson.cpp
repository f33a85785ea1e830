#include "billing/TitleJson.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <type_traits>

using nlohmann::json;

namespace billing {

namespace {

[[noreturn]] void fail(const std::string& what) { throw Exception(what); }

std::string text_of(const json& v, std::string_view key) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number_integer()) return v.dump();  // the digits as written, signed or unsigned
    fail("Valor inválido em \"" + std::string(key) + "\": esperado texto");
}

int int_of(const json& v, std::string_view key, int lo = std::numeric_limits<int>::min(),
           int hi = std::numeric_limits<int>::max()) {
    const bool in_range = v.is_number_unsigned()  ? v.get<std::uint64_t>() <= static_cast<std::uint64_t>(hi)
                          : v.is_number_integer() ? v.get<std::int64_t>() >= lo && v.get<std::int64_t>() <= hi
                                                  : false;
    if (!in_range) {
        fail("Valor inválido em \"" + std::string(key) + "\": esperado inteiro de " + std::to_string(lo) + " a " +
             std::to_string(hi));
    }
    return static_cast<int>(v.get<std::int64_t>());
}

template <class E>
E enum_of(const json& v, std::span<const std::string_view> names, std::string_view key) {
    if (!v.is_string()) fail("Valor inválido em \"" + std::string(key) + "\": esperado nome");
    int e = enum_value(names, v.get<std::string>());
    if (e < 0) {
        std::string accepted;
        for (std::string_view n : names) accepted += (accepted.empty() ? "" : ", ") + std::string(n);
        fail("Valor desconhecido em \"" + std::string(key) + "\": " + v.get<std::string>() + " (aceitos: " + accepted +
             ")");
    }
    return static_cast<E>(e);
}

TDateTime date_of(const json& v, std::string_view key) {
    if (v.is_null()) return 0;
    if (!v.is_string()) fail("Data inválida em \"" + std::string(key) + "\"");
    try {
        return parse_date(v.get<std::string>());
    } catch (const Exception& e) {
        fail("Data inválida em \"" + std::string(key) + "\": " + v.get<std::string>());
    }
}

Currency money_of(const json& v, std::string_view key) {
    try {
        if (v.is_string()) return parse_currency(v.get<std::string>());
        if (v.is_number_integer()) return parse_currency(v.dump());
        if (v.is_number_float()) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.4f", v.get<double>());
            return parse_currency(buf);
        }
    } catch (const Exception&) {
    }
    fail("Valor monetário inválido em \"" + std::string(key) + "\": " + v.dump() +
         " (esperado um número ou um texto como \"1234.56\")");
}

void lines_of(const json& v, std::string_view key, TStrings& lines) {
    if (!v.is_array()) fail("Valor inválido em \"" + std::string(key) + "\": esperada lista de linhas");
    TStringList read;
    for (const json& line : v) read.Add(text_of(line, key));
    lines.Assign(&read);
}

json lines_json(const TStrings& lines) {
    json out = json::array();
    for (int i = 0; i < lines.Count(); ++i) out.push_back(lines[i]);
    return out;
}

// Field setters of one JSON object, by key: each sets one field of the object
// being read from the value. Tables of captureless setters are built once.
template <class T>
using Setters = std::map<std::string, void (*)(T&, const json&), std::less<>>;

template <class Map, class T>
void apply(const json& j, const Map& setters, std::string_view what, T& obj) {
    if (!j.is_object()) fail("Esperado um objeto JSON em " + std::string(what));
    for (auto it = j.begin(); it != j.end(); ++it) {
        auto s = setters.find(it.key());
        if (s == setters.end()) fail("Campo desconhecido em " + std::string(what) + ": \"" + it.key() + "\"");
        s->second(obj, it.value());
    }
}

#define TEXT(T, Name) {#Name, [](T& o, const json& v) { o.Set##Name(text_of(v, #Name)); }}

void endereco_from_json(const json& j, TcbEndereco& e) {
    static const Setters<TcbEndereco> setters = {TEXT(TcbEndereco, Rua),    TEXT(TcbEndereco, Numero), TEXT(TcbEndereco, Complemento), TEXT(TcbEndereco, Bairro),
                                                 TEXT(TcbEndereco, Cidade), TEXT(TcbEndereco, Estado), TEXT(TcbEndereco, CEP),         TEXT(TcbEndereco, EMail)};
    apply(j, setters, "Endereco", e);
}

void banco_from_json(const json& j, TcbContaBancaria& c) {
    static const Setters<TcbContaBancaria> setters = {
        {"Codigo", [](TcbContaBancaria& o, const json& x) { o.Banco().SetCodigo(text_of(x, "Codigo")); }}};
    apply(j, setters, "Banco", c);
}

void conta_from_json(const json& j, TcbContaBancaria& c) {
    static const Setters<TcbContaBancaria> setters = {{"Banco", [](TcbContaBancaria& c, const json& v) { banco_from_json(v, c); }},
                                                      TEXT(TcbContaBancaria, CodigoAgencia),
                                                      TEXT(TcbContaBancaria, DigitoAgencia),
                                                      TEXT(TcbContaBancaria, NumeroConta),
                                                      TEXT(TcbContaBancaria, DigitoConta),
                                                      TEXT(TcbContaBancaria, NomeCliente)};
    apply(j, setters, "ContaBancaria", c);
}

template <class P>
Setters<P> pessoa_setters() {
    return {{"TipoInscricao",
             [](P& p, const json& v) {
                 p.SetTipoInscricao(enum_of<TTipoInscricao>(v, tipo_inscricao_names(), "TipoInscricao"));
             }},
            TEXT(P, NumeroCPFCGC),
            TEXT(P, Nome),
            {"Endereco", [](P& p, const json& v) { endereco_from_json(v, p.Endereco()); }},
            {"ContaBancaria", [](P& p, const json& v) { conta_from_json(v, p.ContaBancaria()); }}};
}

void cedente_from_json(const json& j, TcbCedente& c) {
    static const Setters<TcbCedente> setters = [] {
        auto s = pessoa_setters<TcbCedente>();
        s.insert(TEXT(TcbCedente, CodigoCedente));
        s.insert(TEXT(TcbCedente, DigitoCodigoCedente));
        return s;
    }();
    apply(j, setters, "Cedente", c);
}

void sacado_from_json(const json& j, TcbPessoa& p) {
    static const Setters<TcbPessoa> setters = pessoa_setters<TcbPessoa>();
    apply(j, setters, "Sacado", p);
}

json endereco_to_json(const TcbEndereco& e) {
    return {{"Rua", e.Rua()},       {"Numero", e.Numero()}, {"Complemento", e.Complemento()},
            {"Bairro", e.Bairro()}, {"Cidade", e.Cidade()}, {"Estado", e.Estado()},
            {"CEP", e.CEP()},       {"EMail", e.EMail()}};
}

json pessoa_to_json(const TcbPessoa& p) {
    const TcbContaBancaria& c = p.ContaBancaria();
    return {{"TipoInscricao", tipo_inscricao_names()[p.TipoInscricao()]},
            {"NumeroCPFCGC", p.NumeroCPFCGC()},
            {"Nome", p.Nome()},
            {"Endereco", endereco_to_json(p.Endereco())},
            {"ContaBancaria",
             {{"Banco", {{"Codigo", c.Banco().Codigo()}}},
              {"CodigoAgencia", c.CodigoAgencia()},
              {"DigitoAgencia", c.DigitoAgencia()},
              {"NumeroConta", c.NumeroConta()},
              {"DigitoConta", c.DigitoConta()},
              {"NomeCliente", c.NomeCliente()}}}};
}

}  // namespace

namespace {
// Parses `input` (a stream, or a text's bounds) refusing a key repeated in
// one object: JSON leaves repeats open and the title's fields must be one.
template <class... Input>
json parse_refusing_repeats(Input&&... input) {
    // The keys met so far in each object being read, innermost last.
    std::vector<std::set<std::string, std::less<>>> open;
    json::parser_callback_t refuse_repeats = [&open](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start) {
            open.emplace_back();
        } else if (event == json::parse_event_t::object_end) {
            open.pop_back();
        } else if (event == json::parse_event_t::key && !open.back().insert(parsed.get<std::string>()).second) {
            fail("Chave repetida no JSON: \"" + parsed.get<std::string>() + "\"");
        }
        return true;
    };
    return json::parse(std::forward<Input>(input)..., refuse_repeats);
}
}  // namespace

json parse_json(std::istream& in) { return parse_refusing_repeats(in); }
json parse_json(std::string_view text) { return parse_refusing_repeats(text.begin(), text.end()); }

TDateTime parse_date(std::string_view text) {
    if (text.empty()) return 0;
    int y = 0, m = 0, d = 0;
    char tail = 0;
    const std::string s(text);
    if (s.size() != 10 || std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
        d < 1 || d > 31) {
        fail("Data inválida: " + s);
    }
    TDateTime date = 0;
    if (!TryEncodeDate(y, m, d, date)) fail("Data inválida: " + s);
    return date;
}

std::string date_text(TDateTime date) {
    if (date == 0) return "";
    Word y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", int(y), int(m), int(d));
    return buf;
}

Currency parse_currency(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t whole = 0;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (++digits > 14) fail("Valor monetário inválido: " + std::string(text));
        whole = whole * 10 + (text[i++] - '0');
    }
    std::int64_t frac = 0;
    int scale = 1000;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && scale > 0) {
            frac += (text[i++] - '0') * scale;
            scale /= 10;
            ++digits;
        }
    }
    if (i != text.size() || digits == 0) fail("Valor monetário inválido: " + std::string(text));
    const std::int64_t v = whole * 10000 + frac;
    return Currency::FromRaw(negative ? -v : v);
}

std::string currency_text(Currency money) {
    const std::int64_t value = money.Raw();
    const bool negative = value < 0;
    const std::uint64_t a = negative ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", static_cast<unsigned long long>(a / 10000),
                  static_cast<unsigned long long>(a % 10000));
    std::string s = buf;
    while (s.size() > 1 && s.back() == '0' && s[s.size() - 3] != '.') s.pop_back();
    return s;
}

void titulo_from_json(const json& j, TcbTitulo& t) {
#define DATE(Name) {#Name, [](TcbTitulo& t, const json& v) { t.Set##Name(date_of(v, #Name)); }}
#define MONEY(Name) {#Name, [](TcbTitulo& t, const json& v) { t.Set##Name(money_of(v, #Name)); }}
    static const Setters<TcbTitulo> s = {
        {"TipoOcorrencia",
         [](TcbTitulo& t, const json& v) {
             t.SetTipoOcorrencia(enum_of<TTipoOcorrencia>(v, tipo_ocorrencia_names(), "TipoOcorrencia"));
         }},
        TEXT(TcbTitulo, OcorrenciaOriginal),
        TEXT(TcbTitulo, DescricaoOcorrenciaOriginal),
        TEXT(TcbTitulo, MotivoRejeicaoComando),
        TEXT(TcbTitulo, DescricaoMotivoRejeicaoComando),
        TEXT(TcbTitulo, LocalPagamento),
        {"Cedente", [](TcbTitulo& t, const json& v) { cedente_from_json(v, t.Cedente()); }},
        {"Sacado", [](TcbTitulo& t, const json& v) { sacado_from_json(v, t.Sacado()); }},
        TEXT(TcbTitulo, SeuNumero),
        TEXT(TcbTitulo, NossoNumero),
        TEXT(TcbTitulo, NumeroDocumento),
        TEXT(TcbTitulo, Carteira),
        {"AceiteDocumento",
         [](TcbTitulo& t, const json& v) {
             t.SetAceiteDocumento(enum_of<TAceiteDocumento>(v, aceite_documento_names(), "AceiteDocumento"));
         }},
        {"EspecieDocumento",
         [](TcbTitulo& t, const json& v) {
             t.SetEspecieDocumento(enum_of<TEspecieDocumento>(v, especie_documento_names(), "EspecieDocumento"));
         }},
        DATE(DataProcessamento),
        DATE(DataDocumento),
        DATE(DataVencimento),
        DATE(DataOcorrencia),
        DATE(DataCredito),
        DATE(DataAbatimento),
        DATE(DataDesconto),
        DATE(DataMoraJuros),
        DATE(DataProtesto),
        DATE(DataBaixa),
        MONEY(ValorDocumento),
        MONEY(ValorDespesaCobranca),
        MONEY(ValorAbatimento),
        MONEY(ValorDesconto),
        MONEY(ValorMoraJuros),
        MONEY(ValorIOF),
        MONEY(ValorOutrasDespesas),
        MONEY(ValorOutrosCreditos),
        {"Instrucoes", [](TcbTitulo& t, const json& v) { lines_of(v, "Instrucoes", *t.Instrucoes()); }},
        {"ExibirInstrucoesAutomaticas",
         [](TcbTitulo& t, const json& v) {
             if (!v.is_boolean()) fail("Valor inválido em \"ExibirInstrucoesAutomaticas\": esperado true ou false");
             t.SetExibirInstrucoesAutomaticas(v.get<bool>());
         }},
        {"EmissaoBoleto",
         [](TcbTitulo& t, const json& v) {
             t.SetEmissaoBoleto(enum_of<TEmissaoBoleto>(v, emissao_boleto_names(), "EmissaoBoleto"));
         }},
        TEXT(TcbTitulo, NumeroAns),
        TEXT(TcbTitulo, EspecieDoc2),
        TEXT(TcbTitulo, Sacador),
        {"MargemBoleto",
         [](TcbTitulo& t, const json& v) {
             t.SetMargemBoleto(int_of(v, "MargemBoleto"));
         }},
        {"Mensagens", [](TcbTitulo& t, const json& v) { lines_of(v, "Mensagens", *t.Mensagens()); }},
        // What new-title prints beside the fields: the title's class and model, which must be the ones
        // the title is read as.
        {"Classe",
         [](TcbTitulo& t, const json& v) {
             const std::string given = text_of(v, "Classe");
             if (!SameText(given, t.ClassName())) {
                 fail("\"Classe\" é " + given + ", mas o título é lido como " + t.ClassName() +
                      " (o modelo escolhe-se com --model)");
             }
         }},
        {"Modelo",
         [](TcbTitulo& t, const json& v) {
             const std::string given = text_of(v, "Modelo");
             if (!SameText(given, t.Profile().unit)) {
                 fail("\"Modelo\" é " + given + ", mas o título é lido no modelo " + std::string(t.Profile().unit) +
                      " (use --model " + given + ")");
             }
         }},
    };
#undef DATE
#undef MONEY
    apply(j, s, "Titulo", t);
}

json titulo_to_json(const TcbTitulo& t) {
    json c = pessoa_to_json(t.Cedente());
    c["CodigoCedente"] = t.Cedente().CodigoCedente();
    c["DigitoCodigoCedente"] = t.Cedente().DigitoCodigoCedente();
    auto date = [](TDateTime d) { return d == 0 ? json(nullptr) : json(date_text(d)); };
    return {
        {"TipoOcorrencia", tipo_ocorrencia_names()[t.TipoOcorrencia()]},
        {"OcorrenciaOriginal", t.OcorrenciaOriginal()},
        {"DescricaoOcorrenciaOriginal", t.DescricaoOcorrenciaOriginal()},
        {"MotivoRejeicaoComando", t.MotivoRejeicaoComando()},
        {"DescricaoMotivoRejeicaoComando", t.DescricaoMotivoRejeicaoComando()},
        {"LocalPagamento", t.LocalPagamento()},
        {"Cedente", c},
        {"Sacado", pessoa_to_json(t.Sacado())},
        {"SeuNumero", t.SeuNumero()},
        {"NossoNumero", t.NossoNumero()},
        {"NumeroDocumento", t.NumeroDocumento()},
        {"Carteira", t.Carteira()},
        {"AceiteDocumento", aceite_documento_names()[t.AceiteDocumento()]},
        {"EspecieDocumento", especie_documento_names()[t.EspecieDocumento()]},
        {"DataProcessamento", date(t.DataProcessamento())},
        {"DataDocumento", date(t.DataDocumento())},
        {"DataVencimento", date(t.DataVencimento())},
        {"DataOcorrencia", date(t.DataOcorrencia())},
        {"DataCredito", date(t.DataCredito())},
        {"DataAbatimento", date(t.DataAbatimento())},
        {"DataDesconto", date(t.DataDesconto())},
        {"DataMoraJuros", date(t.DataMoraJuros())},
        {"DataProtesto", date(t.DataProtesto())},
        {"DataBaixa", date(t.DataBaixa())},
        {"ValorDocumento", currency_text(t.ValorDocumento())},
        {"ValorDespesaCobranca", currency_text(t.ValorDespesaCobranca())},
        {"ValorAbatimento", currency_text(t.ValorAbatimento())},
        {"ValorDesconto", currency_text(t.ValorDesconto())},
        {"ValorMoraJuros", currency_text(t.ValorMoraJuros())},
        {"ValorIOF", currency_text(t.ValorIOF())},
        {"ValorOutrasDespesas", currency_text(t.ValorOutrasDespesas())},
        {"ValorOutrosCreditos", currency_text(t.ValorOutrosCreditos())},
        {"Instrucoes", lines_json(*t.Instrucoes())},
        {"ExibirInstrucoesAutomaticas", t.ExibirInstrucoesAutomaticas()},
        {"EmissaoBoleto", emissao_boleto_names()[t.EmissaoBoleto()]},
        {"NumeroAns", t.NumeroAns()},
        {"EspecieDoc2", t.EspecieDoc2()},
        {"Sacador", t.Sacador()},
        {"MargemBoleto", t.MargemBoleto()},
        {"Mensagens", lines_json(*t.Mensagens())},
    };
}

void cobranca_from_json(const json& j, TcbCobranca& b, const ModelProfile& profile) {
    static constexpr std::string_view kLayouts[] = {"laCNAB240", "laCNAB400", "laInvalido"};
    using Setter = std::function<void(TcbCobranca&, const json&)>;
    const std::map<std::string, Setter, std::less<>> setters = {
           {"NomeArquivoRetorno", [&](TcbCobranca& b, const json& v) { b.NomeArquivoRetorno = text_of(v, "NomeArquivoRetorno"); }},
           {"NumeroArquivo",
            [&](TcbCobranca& b, const json& v) {
                b.NumeroArquivo = int_of(v, "NumeroArquivo");
            }},
           {"DataArquivo", [&](TcbCobranca& b, const json& v) { b.DataArquivo = date_of(v, "DataArquivo"); }},
           {"LayoutArquivo",
            [&](TcbCobranca& b, const json& v) { b.LayoutArquivo = enum_of<TLayoutArquivo>(v, kLayouts, "LayoutArquivo"); }},
           {"AmbienteArquivo",
            [&](TcbCobranca& b, const json& v) {
                b.AmbienteArquivo = static_cast<std::uint8_t>(int_of(v, "AmbienteArquivo", 0, 255));
            }},
           {"Titulos",
            [&](TcbCobranca& b, const json& v) {
                if (!v.is_array()) fail("Valor inválido em \"Titulos\": esperada lista de títulos");
                std::vector<std::unique_ptr<TcbTitulo>> read;
                for (const json& item : v) {
                    read.push_back(std::make_unique<TcbTitulo>(profile));
                    titulo_da_lista(item, static_cast<int>(read.size()) - 1, *read.back());
                }
                b.Titulos.Clear();
                for (auto& t : read) b.Titulos.Add(t.release());
            }}};
    apply(j, setters, "Cobranca", b);
}

namespace {

// JSON text as nlohmann's dump(2) writes it: keys in byte order, two blanks
// a level, strings escaped by nlohmann itself unless plain printable ASCII.
class PrettyText {
public:
    PrettyText(std::string& out, int depth) : out_(out), depth_(depth) {}

    template <class T>
    using Fields = std::vector<std::pair<std::string, void (*)(PrettyText&, const T&)>>;

    // An object whose members are `fields`, written in key order.
    template <class T>
    void object(const Fields<T>& fields, const T& value) {
        out_ += '{';
        ++depth_;
        bool first = true;
        for (const auto& [key, write] : fields) {
            if (!first) out_ += ',';
            first = false;
            newline();
            out_ += key;  // "Key": 
            write(*this, value);
        }
        --depth_;
        newline();
        out_ += '}';
    }

    void text(std::string_view s) {
        const auto special = [](char ch) {
            const auto c = static_cast<unsigned char>(ch);
            return c < 0x20 || c >= 0x80 || c == '"' || c == '\\';
        };
        if (std::none_of(s.begin(), s.end(), special)) {
            out_ += '"';
            out_ += s;
            out_ += '"';
            return;
        }
        if (!valid_utf8(s)) {
            out_ += json(std::string(s)).dump();  // raises nlohmann's error for the text
            return;
        }
        out_ += '"';
        std::size_t from = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c >= 0x20 && c != '"' && c != '\\') continue;  // UTF-8 sequences pass as they are
            out_.append(s, from, i - from);
            from = i + 1;
            switch (c) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\b': out_ += "\\b"; break;
                case '\f': out_ += "\\f"; break;
                case '\n': out_ += "\\n"; break;
                case '\r': out_ += "\\r"; break;
                case '\t': out_ += "\\t"; break;
                default: {
                    static constexpr char kHex[] = "0123456789abcdef";
                    const char u[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
                    out_.append(u, sizeof u);
                }
            }
        }
        out_.append(s, from);
        out_ += '"';
    }
    void name(std::span<const std::string_view> names, int i) { text(names[std::size_t(i)]); }
    // "YYYY-MM-DD" as date_text writes it, or null.
    void date(TDateTime d) {
        if (d == 0) {
            out_ += "null";
            return;
        }
        Word y = 0, m = 0, day = 0;
        DecodeDate(d, y, m, day);
        if (y > 9999) {
            text(date_text(d));
            return;
        }
        const char b[] = {'"', char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10),
                          char('0' + y % 10), '-', char('0' + m / 10), char('0' + m % 10), '-',
                          char('0' + day / 10), char('0' + day % 10), '"'};
        out_.append(b, sizeof b);
    }
    // As currency_text writes it: two to four decimals.
    void money(Currency v) {
        const std::int64_t raw = v.Raw();
        const std::uint64_t a = raw < 0 ? static_cast<std::uint64_t>(-(raw + 1)) + 1 : static_cast<std::uint64_t>(raw);
        char b[32];
        char* end = b + sizeof b;
        char* p = end;
        std::uint64_t frac = a % 10000;
        int decimals = 4;
        while (decimals > 2 && frac % 10 == 0) {
            frac /= 10;
            --decimals;
        }
        for (int i = 0; i < decimals; ++i, frac /= 10) *--p = char('0' + frac % 10);
        *--p = '.';
        std::uint64_t whole = a / 10000;
        do {
            *--p = char('0' + whole % 10);
            whole /= 10;
        } while (whole != 0);
        if (raw < 0) *--p = '-';
        out_ += '"';
        out_.append(p, std::size_t(end - p));
        out_ += '"';
    }
    void boolean(bool b) { out_ += b ? "true" : "false"; }
    void integer(long long v) { out_ += std::to_string(v); }
    void lines(const TStrings& l) {
        if (l.Count() == 0) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        ++depth_;
        for (int i = 0; i < l.Count(); ++i) {
            if (i > 0) out_ += ',';
            newline();
            text(l[i]);
        }
        --depth_;
        newline();
        out_ += ']';
    }

private:
    // Well-formed UTF-8 as nlohmann's writer accepts it (no overlong forms,
    // surrogates or code points above U+10FFFF).
    static bool valid_utf8(std::string_view s) {
        std::size_t i = 0;
        const std::size_t n = s.size();
        while (i < n) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 0x80) {
                ++i;
                continue;
            }
            auto at = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(s[k]) : 0; };
            auto cont = [](unsigned char x) { return (x & 0xC0) == 0x80; };
            const unsigned char c1 = at(i + 1);
            if (c >= 0xC2 && c <= 0xDF) {
                if (!cont(c1)) return false;
                i += 2;
            } else if (c >= 0xE0 && c <= 0xEF) {
                const bool first_ok = c == 0xE0 ? (c1 >= 0xA0 && c1 <= 0xBF)
                                      : c == 0xED ? (c1 >= 0x80 && c1 <= 0x9F)
                                                  : cont(c1);
                if (!first_ok || !cont(at(i + 2))) return false;
                i += 3;
            } else if (c >= 0xF0 && c <= 0xF4) {
                const bool first_ok = c == 0xF0 ? (c1 >= 0x90 && c1 <= 0xBF)
                                      : c == 0xF4 ? (c1 >= 0x80 && c1 <= 0x8F)
                                                  : cont(c1);
                if (!first_ok || !cont(at(i + 2)) || !cont(at(i + 3))) return false;
                i += 4;
            } else {
                return false;
            }
        }
        return true;
    }
    void newline() {
        static const std::string kBreak = "\n" + std::string(64, ' ');
        const std::size_t blanks = std::size_t(2 * depth_);
        if (blanks < kBreak.size()) {
            out_.append(kBreak, 0, blanks + 1);
        } else {
            out_ += '\n';
            out_.append(blanks, ' ');
        }
    }
    std::string& out_;
    int depth_;
};

// Fields in key order, as a JSON object holds them, each key written out
// with its quotes and colon.
template <class T>
PrettyText::Fields<T> in_key_order(PrettyText::Fields<T> fields) {
    std::sort(fields.begin(), fields.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& field : fields) field.first = '"' + field.first + "\": ";
    return fields;
}

using P = PrettyText;

const P::Fields<TcbEndereco>& endereco_fields() {
    static const auto fields = in_key_order<TcbEndereco>({
        {"Rua", [](P& w, const TcbEndereco& e) { w.text(e.Rua()); }},
        {"Numero", [](P& w, const TcbEndereco& e) { w.text(e.Numero()); }},
        {"Complemento", [](P& w, const TcbEndereco& e) { w.text(e.Complemento()); }},
        {"Bairro", [](P& w, const TcbEndereco& e) { w.text(e.Bairro()); }},
        {"Cidade", [](P& w, const TcbEndereco& e) { w.text(e.Cidade()); }},
        {"Estado", [](P& w, const TcbEndereco& e) { w.text(e.Estado()); }},
        {"CEP", [](P& w, const TcbEndereco& e) { w.text(e.CEP()); }},
        {"EMail", [](P& w, const TcbEndereco& e) { w.text(e.EMail()); }},
    });
    return fields;
}

const P::Fields<TcbContaBancaria>& conta_fields() {
    static const auto banco = in_key_order<TcbContaBancaria>(
        {{"Codigo", [](P& w, const TcbContaBancaria& c) { w.text(c.Banco().Codigo()); }}});
    static const auto fields = in_key_order<TcbContaBancaria>({
        {"Banco", [](P& w, const TcbContaBancaria& c) { w.object(banco, c); }},
        {"CodigoAgencia", [](P& w, const TcbContaBancaria& c) { w.text(c.CodigoAgencia()); }},
        {"DigitoAgencia", [](P& w, const TcbContaBancaria& c) { w.text(c.DigitoAgencia()); }},
        {"NumeroConta", [](P& w, const TcbContaBancaria& c) { w.text(c.NumeroConta()); }},
        {"DigitoConta", [](P& w, const TcbContaBancaria& c) { w.text(c.DigitoConta()); }},
        {"NomeCliente", [](P& w, const TcbContaBancaria& c) { w.text(c.NomeCliente()); }},
    });
    return fields;
}

template <class T>
P::Fields<T> pessoa_fields() {
    return {
        {"TipoInscricao", [](P& w, const T& p) { w.name(tipo_inscricao_names(), p.TipoInscricao()); }},
        {"NumeroCPFCGC", [](P& w, const T& p) { w.text(p.NumeroCPFCGC()); }},
        {"Nome", [](P& w, const T& p) { w.text(p.Nome()); }},
        {"Endereco", [](P& w, const T& p) { w.object(endereco_fields(), p.Endereco()); }},
        {"ContaBancaria", [](P& w, const T& p) { w.object(conta_fields(), p.ContaBancaria()); }},
    };
}

const P::Fields<TcbCedente>& cedente_fields() {
    static const auto fields = [] {
        auto f = pessoa_fields<TcbCedente>();
        f.push_back({"CodigoCedente", [](P& w, const TcbCedente& c) { w.text(c.CodigoCedente()); }});
        f.push_back({"DigitoCodigoCedente", [](P& w, const TcbCedente& c) { w.text(c.DigitoCodigoCedente()); }});
        return in_key_order(std::move(f));
    }();
    return fields;
}

const P::Fields<TcbPessoa>& sacado_fields() {
    static const auto fields = in_key_order(pessoa_fields<TcbPessoa>());
    return fields;
}

#define TITLE_TEXT(Name) {#Name, [](P& w, const TcbTitulo& t) { w.text(t.Name()); }}
#define TITLE_DATE(Name) {#Name, [](P& w, const TcbTitulo& t) { w.date(t.Name()); }}
#define TITLE_MONEY(Name) {#Name, [](P& w, const TcbTitulo& t) { w.money(t.Name()); }}

const P::Fields<TcbTitulo>& titulo_fields() {
    static const auto fields = in_key_order<TcbTitulo>({
        {"TipoOcorrencia", [](P& w, const TcbTitulo& t) { w.name(tipo_ocorrencia_names(), t.TipoOcorrencia()); }},
        TITLE_TEXT(OcorrenciaOriginal),
        TITLE_TEXT(DescricaoOcorrenciaOriginal),
        TITLE_TEXT(MotivoRejeicaoComando),
        TITLE_TEXT(DescricaoMotivoRejeicaoComando),
        TITLE_TEXT(LocalPagamento),
        {"Cedente", [](P& w, const TcbTitulo& t) { w.object(cedente_fields(), t.Cedente()); }},
        {"Sacado", [](P& w, const TcbTitulo& t) { w.object(sacado_fields(), t.Sacado()); }},
        TITLE_TEXT(SeuNumero),
        TITLE_TEXT(NossoNumero),
        TITLE_TEXT(NumeroDocumento),
        TITLE_TEXT(Carteira),
        {"AceiteDocumento", [](P& w, const TcbTitulo& t) { w.name(aceite_documento_names(), t.AceiteDocumento()); }},
        {"EspecieDocumento", [](P& w, const TcbTitulo& t) { w.name(especie_documento_names(), t.EspecieDocumento()); }},
        TITLE_DATE(DataProcessamento),
        TITLE_DATE(DataDocumento),
        TITLE_DATE(DataVencimento),
        TITLE_DATE(DataOcorrencia),
        TITLE_DATE(DataCredito),
        TITLE_DATE(DataAbatimento),
        TITLE_DATE(DataDesconto),
        TITLE_DATE(DataMoraJuros),
        TITLE_DATE(DataProtesto),
        TITLE_DATE(DataBaixa),
        TITLE_MONEY(ValorDocumento),
        TITLE_MONEY(ValorDespesaCobranca),
        TITLE_MONEY(ValorAbatimento),
        TITLE_MONEY(ValorDesconto),
        TITLE_MONEY(ValorMoraJuros),
        TITLE_MONEY(ValorIOF),
        TITLE_MONEY(ValorOutrasDespesas),
        TITLE_MONEY(ValorOutrosCreditos),
        {"Instrucoes", [](P& w, const TcbTitulo& t) { w.lines(*t.Instrucoes()); }},
        {"ExibirInstrucoesAutomaticas", [](P& w, const TcbTitulo& t) { w.boolean(t.ExibirInstrucoesAutomaticas()); }},
        {"EmissaoBoleto", [](P& w, const TcbTitulo& t) { w.name(emissao_boleto_names(), t.EmissaoBoleto()); }},
        TITLE_TEXT(NumeroAns),
        TITLE_TEXT(EspecieDoc2),
        TITLE_TEXT(Sacador),
        {"MargemBoleto", [](P& w, const TcbTitulo& t) { w.integer(t.MargemBoleto()); }},
        {"Mensagens", [](P& w, const TcbTitulo& t) { w.lines(*t.Mensagens()); }},
    });
    return fields;
}

#undef TITLE_TEXT
#undef TITLE_DATE
#undef TITLE_MONEY

}  // namespace

void append_titulo_json(const TcbTitulo& titulo, int depth, std::string& out) {
    PrettyText(out, depth).object(titulo_fields(), titulo);
}

json cobranca_to_json(const TcbCobranca& b) {
    static constexpr std::string_view kLayouts[] = {"laCNAB240", "laCNAB400", "laInvalido"};
    json titulos = json::array();
    for (int i = 0; i < b.Titulos.Count(); ++i) titulos.push_back(titulo_to_json(*As<TcbTitulo>(b.Titulos[i])));
    return {{"NomeArquivoRetorno", b.NomeArquivoRetorno},
            {"NumeroArquivo", b.NumeroArquivo},
            {"DataArquivo", b.DataArquivo == 0 ? json(nullptr) : json(date_text(b.DataArquivo))},
            {"LayoutArquivo", kLayouts[b.LayoutArquivo]},
            {"AmbienteArquivo", b.AmbienteArquivo},
            {"Titulos", titulos}};
}

std::string titulo_em_lote(int index, std::string_view nosso_numero) {
    return Format("Título %d (Nosso Número: %s): ", {index + 1, std::string(nosso_numero)});
}

void titulo_da_lista(const json& j, int index, TcbTitulo& t) {
    try {
        titulo_from_json(j, t);
    } catch (Exception& e) {
        const auto it = j.is_object() ? j.find("NossoNumero") : j.end();
        e.SetMessage(titulo_em_lote(index, it != j.end() && it->is_string() ? it->get<std::string>() : "") +
                     e.Message());
        throw;
    }
}

}  // namespace billing

// ---------------------------------------------------------------------------
// A title read straight from its JSON text.

namespace billing {

namespace {

// Thrown when the text holds something left to titulo_from_json.
struct LeaveIt {};

// Keys of one JSON object kind, found by a hash of their bytes.
class Keys {
public:
    Keys() { slots_.fill(-1); }
    Keys(std::initializer_list<std::string_view> names) : Keys() {
        for (std::string_view n : names) add(n);
    }
    // The next key; the first of equal ones is found.
    void add(std::string_view name) {
        names_.push_back(name);
        if (names_.size() * 2 > kSlots) throw Exception("Keys: too many keys");
        std::size_t h = hash(name);
        while (slots_[h] >= 0) {
            if (names_[std::size_t(slots_[h])] == name) return;
            h = (h + 1) & (kSlots - 1);
        }
        slots_[h] = static_cast<int>(names_.size() - 1);
    }
    // The key's index in the list, or -1.
    int find(std::string_view key) const {
        for (std::size_t h = hash(key);; h = (h + 1) & (kSlots - 1)) {
            const int i = slots_[h];
            if (i < 0) return -1;
            if (names_[std::size_t(i)] == key) return i;
        }
    }

private:
    static constexpr std::size_t kSlots = 256;
    static std::size_t hash(std::string_view k) {
        std::size_t h = k.size() * 131;
        for (char c : k) h = h * 31 + static_cast<unsigned char>(c);
        return h & (kSlots - 1);
    }
    std::vector<std::string_view> names_;
    std::array<int, kSlots> slots_;
};

// Well-formed UTF-8 as the JSON parser accepts it in strings.
bool utf8_ok(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto at = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(s[k]) : 0; };
    auto cont = [](unsigned char x) { return (x & 0xC0) == 0x80; };
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const unsigned char c1 = at(i + 1);
        if (c >= 0xC2 && c <= 0xDF) {
            if (!cont(c1)) return false;
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            const bool ok = c == 0xE0 ? (c1 >= 0xA0 && c1 <= 0xBF) : c == 0xED ? (c1 >= 0x80 && c1 <= 0x9F) : cont(c1);
            if (!ok || !cont(at(i + 2))) return false;
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            const bool ok = c == 0xF0 ? (c1 >= 0x90 && c1 <= 0xBF) : c == 0xF4 ? (c1 >= 0x80 && c1 <= 0x8F) : cont(c1);
            if (!ok || !cont(at(i + 2)) || !cont(at(i + 3))) return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Reads the JSON text of one title. Takes only what it reads exactly as
// titulo_from_json reads the parsed value: strings without escapes, null,
// true and false; anything else (a number, an escape, an unknown or
// repeated key, a value a field refuses, malformed JSON) is left to it.
class TitleText {
public:
    TitleText(std::string_view text) : p_(text.data()), e_(text.data() + text.size()) {}

    // Reads the title's object; the length of its text.
    std::size_t titulo(TcbTitulo& t) {
        const char* from = p_;
        object(titulo_keys(), [&](int k) { titulo_field(k, t); });
        return std::size_t(p_ - from);
    }
    bool at_end() {
        blanks();
        return p_ == e_;
    }

private:
    static const Keys& titulo_keys() {
        static const Keys k = {"TipoOcorrencia", "OcorrenciaOriginal", "DescricaoOcorrenciaOriginal",
                               "MotivoRejeicaoComando", "DescricaoMotivoRejeicaoComando", "LocalPagamento",
                               "Cedente", "Sacado", "SeuNumero", "NossoNumero", "NumeroDocumento", "Carteira",
                               "AceiteDocumento", "EspecieDocumento", "DataProcessamento", "DataDocumento",
                               "DataVencimento", "DataOcorrencia", "DataCredito", "DataAbatimento", "DataDesconto",
                               "DataMoraJuros", "DataProtesto", "DataBaixa", "ValorDocumento",
                               "ValorDespesaCobranca", "ValorAbatimento", "ValorDesconto", "ValorMoraJuros",
                               "ValorIOF", "ValorOutrasDespesas", "ValorOutrosCreditos", "Instrucoes",
                               "ExibirInstrucoesAutomaticas", "EmissaoBoleto", "NumeroAns", "EspecieDoc2", "Sacador",
                               "Mensagens", "Classe", "Modelo"};
        return k;
    }
    static const Keys& pessoa_keys() {
        static const Keys k = {"TipoInscricao", "NumeroCPFCGC", "Nome", "Endereco", "ContaBancaria",
                               "CodigoCedente", "DigitoCodigoCedente"};
        return k;
    }
    static const Keys& endereco_keys() {
        static const Keys k = {"Rua", "Numero", "Complemento", "Bairro", "Cidade", "Estado", "CEP", "EMail"};
        return k;
    }
    static const Keys& conta_keys() {
        static const Keys k = {"Banco", "CodigoAgencia", "DigitoAgencia", "NumeroConta", "DigitoConta",
                               "NomeCliente"};
        return k;
    }
    static const Keys& banco_keys() {
        static const Keys k = {"Codigo"};
        return k;
    }

    void titulo_field(int k, TcbTitulo& t) {
        switch (k) {
            case 0: t.SetTipoOcorrencia(named<TTipoOcorrencia>(tipo_ocorrencia_names())); break;
            case 1: t.SetOcorrenciaOriginal(text()); break;
            case 2: t.SetDescricaoOcorrenciaOriginal(text()); break;
            case 3: t.SetMotivoRejeicaoComando(text()); break;
            case 4: t.SetDescricaoMotivoRejeicaoComando(text()); break;
            case 5: t.SetLocalPagamento(text()); break;
            case 6: pessoa(t.Cedente(), true); break;
            case 7: pessoa(t.Sacado(), false); break;
            case 8: t.SetSeuNumero(text()); break;
            case 9: t.SetNossoNumero(text()); break;
            case 10: t.SetNumeroDocumento(text()); break;
            case 11: t.SetCarteira(text()); break;
            case 12: t.SetAceiteDocumento(named<TAceiteDocumento>(aceite_documento_names())); break;
            case 13: t.SetEspecieDocumento(named<TEspecieDocumento>(especie_documento_names())); break;
            case 14: t.SetDataProcessamento(date()); break;
            case 15: t.SetDataDocumento(date()); break;
            case 16: t.SetDataVencimento(date()); break;
            case 17: t.SetDataOcorrencia(date()); break;
            case 18: t.SetDataCredito(date()); break;
            case 19: t.SetDataAbatimento(date()); break;
            case 20: t.SetDataDesconto(date()); break;
            case 21: t.SetDataMoraJuros(date()); break;
            case 22: t.SetDataProtesto(date()); break;
            case 23: t.SetDataBaixa(date()); break;
            case 24: t.SetValorDocumento(money()); break;
            case 25: t.SetValorDespesaCobranca(money()); break;
            case 26: t.SetValorAbatimento(money()); break;
            case 27: t.SetValorDesconto(money()); break;
            case 28: t.SetValorMoraJuros(money()); break;
            case 29: t.SetValorIOF(money()); break;
            case 30: t.SetValorOutrasDespesas(money()); break;
            case 31: t.SetValorOutrosCreditos(money()); break;
            case 32: lines(*t.Instrucoes()); break;
            case 33: t.SetExibirInstrucoesAutomaticas(boolean()); break;
            case 34: t.SetEmissaoBoleto(named<TEmissaoBoleto>(emissao_boleto_names())); break;
            case 35: t.SetNumeroAns(text()); break;
            case 36: t.SetEspecieDoc2(text()); break;
            case 37: t.SetSacador(text()); break;
            case 38: lines(*t.Mensagens()); break;
            case 39:
                if (!SameText(string(), t.ClassName())) throw LeaveIt{};
                break;
            case 40:
                if (!SameText(string(), t.Profile().unit)) throw LeaveIt{};
                break;
            default: throw LeaveIt{};  // MargemBoleto (a number) among others
        }
    }

    template <class P>
    void pessoa(P& p, bool cedente) {
        object(pessoa_keys(), [&](int k) {
            switch (k) {
                case 0: p.SetTipoInscricao(named<TTipoInscricao>(tipo_inscricao_names())); break;
                case 1: p.SetNumeroCPFCGC(text()); break;
                case 2: p.SetNome(text()); break;
                case 3: endereco(p.Endereco()); break;
                case 4: conta(p.ContaBancaria()); break;
                default:
                    if constexpr (std::is_same_v<P, TcbCedente>) {
                        if (cedente && k == 5) {
                            p.SetCodigoCedente(text());
                            break;
                        }
                        if (cedente && k == 6) {
                            p.SetDigitoCodigoCedente(text());
                            break;
                        }
                    }
                    throw LeaveIt{};
            }
        });
    }

    void endereco(TcbEndereco& e) {
        object(endereco_keys(), [&](int k) {
            switch (k) {
                case 0: e.SetRua(text()); break;
                case 1: e.SetNumero(text()); break;
                case 2: e.SetComplemento(text()); break;
                case 3: e.SetBairro(text()); break;
                case 4: e.SetCidade(text()); break;
                case 5: e.SetEstado(text()); break;
                case 6: e.SetCEP(text()); break;
                case 7: e.SetEMail(text()); break;
                default: throw LeaveIt{};
            }
        });
    }

    void conta(TcbContaBancaria& c) {
        object(conta_keys(), [&](int k) {
            switch (k) {
                case 0:
                    object(banco_keys(), [&](int) { c.Banco().SetCodigo(text()); });
                    break;
                case 1: c.SetCodigoAgencia(text()); break;
                case 2: c.SetDigitoAgencia(text()); break;
                case 3: c.SetNumeroConta(text()); break;
                case 4: c.SetDigitoConta(text()); break;
                case 5: c.SetNomeCliente(text()); break;
                default: throw LeaveIt{};
            }
        });
    }

    // An object of known keys, each read once by `field`.
    template <class Field>
    void object(const Keys& keys, Field&& field) {
        blanks();
        expect('{');
        blanks();
        if (p_ < e_ && *p_ == '}') {
            ++p_;
            return;
        }
        std::uint64_t seen = 0;
        for (;;) {
            const int k = keys.find(string());
            if (k < 0 || (seen >> k & 1) != 0) throw LeaveIt{};
            seen |= std::uint64_t(1) << k;
            blanks();
            expect(':');
            blanks();
            field(k);
            blanks();
            if (p_ < e_ && *p_ == ',') {
                ++p_;
                blanks();
                continue;
            }
            expect('}');
            return;
        }
    }

    void blanks() {
        while (p_ < e_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }
    void expect(char c) {
        if (p_ == e_ || *p_ != c) throw LeaveIt{};
        ++p_;
    }
    bool literal(std::string_view word) {
        if (std::size_t(e_ - p_) < word.size() || std::string_view(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }

    // A string without escapes or control characters.
    std::string_view string() {
        expect('"');
        const char* from = p_;
        bool ascii = true;
        // Eight plain bytes at a time: none a quote, a backslash, a control
        // character or outside ASCII.
        while (e_ - p_ >= 8) {
            std::uint64_t x = 0;
            std::memcpy(&x, p_, 8);
            constexpr std::uint64_t kOnes = 0x0101010101010101, kHigh = 0x8080808080808080;
            auto has_zero = [&](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
            const std::uint64_t stop = has_zero(x ^ (kOnes * '"')) | has_zero(x ^ (kOnes * '\\')) |
                                       ((x - kOnes * 0x20) & ~x & kHigh) | (x & kHigh);
            if (stop != 0) break;
            p_ += 8;
        }
        while (p_ < e_ && *p_ != '"') {
            const auto c = static_cast<unsigned char>(*p_);
            if (c < 0x20 || c == '\\') throw LeaveIt{};
            ascii = ascii && c < 0x80;
            ++p_;
        }
        if (p_ == e_) throw LeaveIt{};
        const std::string_view s(from, std::size_t(p_ - from));
        ++p_;
        if (!ascii && !utf8_ok(s)) throw LeaveIt{};
        return s;
    }
    std::string text() { return std::string(string()); }

    // A value name of an enumeration: its index in `names` (one list per E).
    template <class E>
    E named(std::span<const std::string_view> names) {
        static const Keys keys = [&] {
            Keys k;
            for (std::string_view n : names) k.add(n);
            return k;
        }();
        const int e = keys.find(string());
        if (e < 0) throw LeaveIt{};
        return static_cast<E>(e);
    }

    TDateTime date() {
        if (literal("null")) return 0;
        const std::string_view s = string();
        auto digit = [&](std::size_t i) { return s[i] >= '0' && s[i] <= '9'; };
        if (s.size() == 10 && s[4] == '-' && s[7] == '-' && digit(0) && digit(1) && digit(2) && digit(3) &&
            digit(5) && digit(6) && digit(8) && digit(9)) {
            auto num = [&](std::size_t i, std::size_t n) {
                int v = 0;
                for (std::size_t k = i; k < i + n; ++k) v = v * 10 + (s[k] - '0');
                return v;
            };
            const int y = num(0, 4), m = num(5, 2), d = num(8, 2);
            TDateTime date = 0;
            if (m < 1 || m > 12 || d < 1 || d > 31 || !TryEncodeDate(y, m, d, date)) throw LeaveIt{};
            return date;
        }
        try {
            return parse_date(s);
        } catch (const Exception&) {
            throw LeaveIt{};
        }
    }

    Currency money() {
        const std::string_view s = string();
        try {
            return parse_currency(s);
        } catch (const Exception&) {
            throw LeaveIt{};
        }
    }

    bool boolean() {
        if (literal("true")) return true;
        if (literal("false")) return false;
        throw LeaveIt{};
    }

    void lines(TStrings& into) {
        TStringList read;
        expect('[');
        blanks();
        if (p_ < e_ && *p_ == ']') {
            ++p_;
        } else {
            for (;;) {
                read.Add(text());
                blanks();
                if (p_ < e_ && *p_ == ',') {
                    ++p_;
                    blanks();
                    continue;
                }
                expect(']');
                break;
            }
        }
        into.Assign(&read);
    }

    const char* p_;
    const char* e_;
};

}  // namespace

bool titulo_from_json_text(std::string_view text, TcbTitulo& t, std::size_t* used) {
    try {
        TitleText reader(text);
        const std::size_t n = reader.titulo(t);
        if (used != nullptr) {
            *used = n;
            return true;
        }
        return reader.at_end();
    } catch (const LeaveIt&) {
        return false;
    } catch (const Exception&) {
        return false;  // a setter's refusal: titulo_from_json words it
    }
}

}  // namespace billing
