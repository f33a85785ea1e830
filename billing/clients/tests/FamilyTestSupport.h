#pragma once
// What the client-family tests share: unit start-up, title models by unit,
// titles of a model, the published operations of a class called by name,
// exception messages, and the CNAB 400 shape checks.

#include "billing/Startup.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"
#include "billing/clients/Startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace family_test {

inline void start_units() {
    billing::unit_startup();
    billing::clients::unit_startup();
}

// A test whose units have started.
class FamilyTest : public ::testing::Test {
protected:
    void SetUp() override { start_units(); }
};

inline const billing::ModelProfile& model(std::string_view unit) {
    if (unit.empty()) return billing::engine_profile();
    const billing::ModelProfile* p = billing::find_model_profile(unit);
    if (p == nullptr) throw Exception("no model " + std::string(unit));
    return *p;
}

// Title fields the boleto rules read.
struct TitleFields {
    std::string code = "341";
    std::string nosso = "1";
    std::string carteira = "109";
    std::string agencia = "0123";
    std::string conta = "12345";
    std::string documento = "";
    std::string cedente = "777";
};

inline std::unique_ptr<TcbTitulo> title(const billing::ModelProfile& m, const TitleFields& f) {
    auto t = std::make_unique<TcbTitulo>(m);
    t->Cedente().ContaBancaria().Banco().SetCodigo(f.code);
    t->SetNossoNumero(f.nosso);
    t->SetCarteira(f.carteira);
    t->Cedente().ContaBancaria().SetCodigoAgencia(f.agencia);
    t->Cedente().ContaBancaria().SetNumeroConta(f.conta);
    t->SetNumeroDocumento(f.documento);
    t->Cedente().SetCodigoCedente(f.cedente);
    t->Cedente().SetNome("EMPRESA CLIENTE");
    t->Sacado().SetNome("SACADO");
    t->SetValorDocumento(Currency::FromCents(12345));
    t->SetDataVencimento(EncodeDate(2024, 5, 10));
    t->SetDataDocumento(EncodeDate(2024, 4, 10));
    t->SetDataProcessamento(EncodeDate(2024, 4, 11));
    t->Cedente().SetNumeroCPFCGC("12345678000199");
    t->Sacado().SetNumeroCPFCGC("12345678901");
    return t;
}

inline TClass cls(std::string_view name) {
    const TClass c = GetClass(name);
    if (c == nullptr) throw Exception("class not registered: " + std::string(name));
    return c;
}

template <class Sig>
const std::function<Sig>& op(std::string_view class_name, std::string_view name) {
    const auto* f = billing::find_operation<Sig>(cls(class_name), name);
    if (f == nullptr) throw Exception(std::string(class_name) + " publishes no " + std::string(name));
    return *f;
}

inline std::string call(std::string_view class_name, std::string_view name, const TcbTitulo& t) {
    return op<billing::SigTitulo>(class_name, name)(t);
}

struct Boleto {
    std::string agencia, nosso, carteira, especie;
};
inline Boleto boleto(std::string_view class_name, const TcbTitulo& t) {
    Boleto b;
    op<billing::SigFormatarBoleto>(class_name, "FormatarBoleto")(t, b.agencia, b.nosso, b.carteira, b.especie);
    return b;
}

// The message a call raises, without the "Título N (Nosso Número: X): " with
// which a remittance names the title.
inline std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        const std::string& m = e.Message();
        const std::size_t end = m.rfind("Título ", 0) == 0 ? m.find("): ") : std::string::npos;
        return end == std::string::npos ? m : m.substr(end + 3);
    }
    return "(no exception)";
}

// Every line 400 printable bytes, record kinds 0, 1..., 9 and sequence 1..n.
inline void expect_cnab400_shape(const TStringList& lines, int titles) {
    ASSERT_EQ(lines.Count(), titles + 2);
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& l = lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1));
        ASSERT_EQ(l.size(), 400u);
        for (char c : l) EXPECT_TRUE(c >= ' ' && c <= '~');
        EXPECT_EQ(l[0], i == 0 ? '0' : i + 1 == lines.Count() ? '9' : '1');
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(l.substr(394, 6), std::string(6 - n.size(), '0') + n);
    }
}

inline std::string pos(const std::string& line, int first, int last) {
    return line.substr(std::size_t(first - 1), std::size_t(last - first + 1));
}

// A CNAB 400 return header: "02RETORNO01COBRANCA", the bank code at 77-79,
// the file date 15/03/24 at 95-100, blanks elsewhere.
inline std::string return_header(const std::string& code) {
    std::string header(400, ' ');
    header.replace(0, 19, "02RETORNO01COBRANCA");
    header.replace(76, 3, code);
    header.replace(94, 6, "150324");
    return header;
}

// A batch of n titles of the model for bank code, fields varied by index.
inline void fill_batch(TcbCobranca& batch, const billing::ModelProfile& m, const std::string& code, int n) {
    batch.LayoutArquivo = laCNAB400;
    batch.DataArquivo = EncodeDate(2024, 4, 12);
    for (int i = 0; i < n; ++i) {
        TitleFields f;
        f.code = code;
        f.nosso = std::to_string(1000 + 37 * i);
        f.documento = "DOC" + std::to_string(i);
        f.carteira = "1";  // the 409 layout has one position for it
        batch.Titulos.Add(title(m, f).release());
    }
}

}  // namespace family_test
