#pragma once
// The class description of a bank plug-in class, built in one place so that a
// class is its rules and nothing else. Every bank class publishes the boleto
// contract (GetNomeBanco, CalcularDigitoNossoNumero, GetCampoLivreCodigoBarra,
// FormatarBoleto) and GerarRemessa from its static members of those names;
// the class adds what is its own (its return reader, code texts, writers) in
// the callback. A description is built on first use, inside the class's
// StaticClass(), never in a static constructor.
//
//   TClass TcbBanco341::StaticClass() {
//       static const TClassInfo info = billing::engine_bank_class<TcbBanco341>("341", [](auto& b) {
//           b.Operation("GerarRemessaCNAB400", &TcbBanco341::GerarRemessaCNAB400);
//       });
//       return &info;
//   }

#include "billing/cbBancos.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"

#include <string>
#include <string_view>

namespace billing {

template <class T>
using BankClassBuilder = core::ClassBuilder<T, TPersistent>;

// A callback that adds nothing.
struct NoOwnOperations {
    template <class B>
    void operator()(B&) const {}
};

// The boleto operations and GerarRemessa, from T's static members.
template <class T>
void boleto_contract(BankClassBuilder<T>& b) {
    b.Operation("CalcularDigitoNossoNumero", &T::CalcularDigitoNossoNumero)
        .Operation("GetCampoLivreCodigoBarra", &T::GetCampoLivreCodigoBarra)
        .Operation("FormatarBoleto", &T::FormatarBoleto)
        .Operation("GerarRemessa", &T::GerarRemessa);
}

// The description of bank class T under `name`: the contract (T's own
// GetNomeBanco first), then the class's own operations (`own` receives the builder).
template <class T, class Own = NoOwnOperations>
TClassInfo bank_class(std::string name, Own own = {}) {
    BankClassBuilder<T> b(std::move(name));
    b.Operation("GetNomeBanco", &T::GetNomeBanco);
    boleto_contract(b);
    own(b);
    return b.Build();
}

// An engine bank class: the class name and GetNomeBanco of the bank's row in
// the engine's table, the contract, the engine's return reader for that code
// as LerRetorno, then the class's own operations.
template <class T, class Own = NoOwnOperations>
TClassInfo engine_bank_class(std::string_view code, Own own = {}) {
    const BankRow& row = bank_row(code);
    const std::string c(code);
    BankClassBuilder<T> b{std::string(row.class_name)};
    b.Operation("GetNomeBanco", [name = row.name]() { return std::string(name); });
    boleto_contract(b);
    b.Operation("LerRetorno", [c](TcbCobranca& batch, LinhasRetorno lines) { return ler_retorno(c, batch, lines); });
    own(b);
    return b.Build();
}

}  // namespace billing
