#pragma once
// Shared notation of the bank rules: fields of a title formatted to a width,
// the check-digit functions, and the document-kind abbreviation tables.
// Used by the bank plug-in units only.

#include "billing/cbCobranca.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace billing::rules {

// X[w]: right-aligned, fill "0".
inline std::string F(std::string_view x, int w) { return Formatar(x, w, false, '0'); }
// X[w] where the bank's rule keeps only the last w characters of X: bank 748's
// agency and its digit in four positions, and the last five digits of its
// nosso número (year, "2" and sequence) in the check digit and the boleto
// text, while the free field carries it whole. Cut, never refused.
inline std::string U(std::string_view x, int w) { return formatar_cortando(x, w, false, '0'); }
// X[w, left] where the rule keeps only the first w characters: cut, never refused.
inline std::string LU(std::string_view x, int w) { return formatar_cortando(x, w, true, ' '); }
// X[w, left]: left-aligned, blank fill.
inline std::string L(std::string_view x, int w) { return Formatar(x, w, true, ' '); }
// X[w, right blank]: right-aligned, blank fill.
inline std::string RB(std::string_view x, int w) { return Formatar(x, w, false, ' '); }

inline std::string Mod10(std::string_view t) { return Modulo10(t); }
inline std::string Mod11(std::string_view t, int base) { return ::Modulo11(t, base, false); }
inline int Mod11raw(std::string_view t, int base) { return std::stoi(::Modulo11(t, base, true)); }

// Cutting texts. Lengths count characters, never bytes (a byte that starts
// no valid UTF-8 sequence counts as one character).
// The first n characters of text, or all of it.
std::string first_chars(std::string_view text, std::size_t n);
// The characters after the first n, or nothing.
std::string_view after_chars(std::string_view text, std::size_t n);
// The last n characters of text, or all of it.
std::string last_chars(std::string_view text, std::size_t n);
// Characters from .. from + count - 1 (1-based) of text, as far as it reaches.
std::string chars(std::string_view text, std::size_t from, std::size_t count);

// The class library's 64-bit integer conversion of a digit text.
std::int64_t to_int64(std::string_view text);

// Fields of a title under their model names.
inline const std::string& Agencia(const TcbTitulo& t) { return t.Cedente().ContaBancaria().CodigoAgencia(); }
inline const std::string& DigitoAgencia(const TcbTitulo& t) { return t.Cedente().ContaBancaria().DigitoAgencia(); }
inline const std::string& Conta(const TcbTitulo& t) { return t.Cedente().ContaBancaria().NumeroConta(); }
inline const std::string& DigitoConta(const TcbTitulo& t) { return t.Cedente().ContaBancaria().DigitoConta(); }
inline const std::string& CodigoCedente(const TcbTitulo& t) { return t.Cedente().CodigoCedente(); }
inline const std::string& DigitoCodigoCedente(const TcbTitulo& t) { return t.Cedente().DigitoCodigoCedente(); }
inline const std::string& CodigoBanco(const TcbTitulo& t) { return t.Cedente().ContaBancaria().Banco().Codigo(); }
// DV: the title's check digit as its payee bank's plug-in computes it.
inline std::string DV(const TcbTitulo& t) { return t.DigitoNossoNumero(); }

// Boleto texts that client classes share with the engine's banks. A text
// given as a function is asked for after the texts before it are set, so
// that a failing lookup leaves those assigned.
using TextOf = std::function<std::string()>;

// Banks 320, 394, 409 and 745: check digit, free field and boleto texts.
std::string digito_quatorze(const TcbTitulo& t);
std::string campo_livre_quinze(const TcbTitulo& t);
void boleto_quinze(const TcbTitulo& t, std::string& agencia, std::string& nosso, std::string& carteira,
                   std::string& especie);
// The frame of those texts: agency "/" payee code as stored, `nosso` as
// given, the carteira left-aligned in 3, no kind.
void boleto_agencia_barra(const TcbTitulo& t, const TextOf& nosso_texto, std::string& agencia, std::string& nosso,
                          std::string& carteira, std::string& especie);

// Bank 237's texts: agency-digit/payee code-digit, carteira "/" `nosso11` "-"
// the digit, carteira in 3, no kind.
void boleto_237(const TcbTitulo& t, const std::string& nosso11, const TextOf& digito, std::string& agencia,
                std::string& nosso, std::string& carteira, std::string& especie);

// Bank 748's texts: agency.digit/payee code, current year "/2" nosso número
// "-" the digit, carteira right-aligned in 3, the kind's abbreviation `kind`.
void boleto_748(const TcbTitulo& t, const TextOf& digito, std::string_view kind, std::string& agencia,
                std::string& nosso, std::string& carteira, std::string& especie);

// Banks 001 and 999: the descending modulo-11 digit with X, the general free
// field and boleto texts.
std::string digito_decrescente_x(const TcbTitulo& t);
std::string campo_livre_onze(const TcbTitulo& t);
void boleto_onze(const TcbTitulo& t, std::string& agencia, std::string& nosso, std::string& carteira,
                 std::string& especie);
// Bank 001, carteira 18: true when the nosso número, first hyphen removed and
// trimmed, has 17 characters; n17 is then that text.
bool nosso_numero_17(const TcbTitulo& t, std::string& n17);

// A date's year, month and day, and its day of the year (1 for 1 January).
struct CivilDate {
    int year;
    int month;
    int day;
};
CivilDate decode_date(TDateTime date);
int day_of_year(TDateTime date);

// The current year in two digits (the date comes from the host's provider).
std::string ano_corrente();

// One row of a document-kind abbreviation table.
struct Especie {
    TEspecieDocumento kind;
    std::string_view text;
};

// The abbreviation of kind in table, or the empty text.
std::string abreviatura(std::span<const Especie> table, TEspecieDocumento kind);

// Tables A (104), B (244), C (347), D (151) and E (748).
std::span<const Especie> especies_104();
std::span<const Especie> especies_244();
std::span<const Especie> especies_347();
std::span<const Especie> especies_151();
std::span<const Especie> especies_748();

}  // namespace billing::rules
