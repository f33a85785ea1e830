#pragma once
// Titles and batches as JSON documents. Keys are the model's property names
// ("NossoNumero", "Cedente": {"ContaBancaria": {"Banco": {"Codigo": "001"}}});
// dates are "YYYY-MM-DD" texts (absent or null: no date), amounts decimal
// texts or numbers with at most four decimals ("1234.56"), enumerations their
// value names ("edRecibo"). Unknown keys, malformed values and integers out of
// their field's range raise Exception.

#include "billing/cbCobranca.h"

#include <nlohmann/json.hpp>

#include <istream>
#include <string_view>

namespace billing {

// Reads one JSON document; an object with a repeated key raises Exception
// ("Chave repetida no JSON: ..."), malformed JSON nlohmann's parse_error.
nlohmann::json parse_json(std::istream& in);
nlohmann::json parse_json(std::string_view text);

void titulo_from_json(const nlohmann::json& j, TcbTitulo& titulo);
nlohmann::json titulo_to_json(const TcbTitulo& titulo);
// Appends titulo_to_json(titulo).dump(2) to `out` as it would stand `depth`
// levels deep in a document dumped with indent 2 (its lines after the first
// indented by 2 * depth blanks), without building the document: for writers
// that stream many titles.
void append_titulo_json(const TcbTitulo& titulo, int depth, std::string& out);

// A batch: {"NomeArquivoRetorno", "NumeroArquivo", "DataArquivo", "LayoutArquivo", "AmbienteArquivo", "Titulos": [...]}.
void cobranca_from_json(const nlohmann::json& j, TcbCobranca& cobranca, const ModelProfile& profile);
nlohmann::json cobranca_to_json(const TcbCobranca& cobranca);

// "YYYY-MM-DD" to a date and back; "" for no date.
TDateTime parse_date(std::string_view text);
std::string date_text(TDateTime date);
// "1234.5678" to ten-thousandths and back ("1234.56" with two to four decimals).
Currency parse_currency(std::string_view text);
std::string currency_text(Currency value);

// "Título N (Nosso Número: X): ", naming a title of a batch or list by its
// 0-based index, before the message of its refusal.
std::string titulo_em_lote(int index, std::string_view nosso_numero);

// The title of one JSON text (an object), read without building its
// document, as titulo_from_json reads the parsed text. False when the text
// holds anything the fast reading leaves to titulo_from_json: numbers,
// escapes, unknown or repeated keys, a value that a field refuses, malformed
// JSON. The title is then in no defined state: read a fresh one from the
// parsed text. Fields added to titulo_from_json are left to it until they
// are added here too. With `used`, the object may be followed by more text:
// *used is the length of the object's text.
bool titulo_from_json_text(std::string_view text, TcbTitulo& t, std::size_t* used = nullptr);

// titulo_from_json of the title at 0-based `index` of a list: a refusal
// names the title by its position and nosso número.
void titulo_da_lista(const nlohmann::json& j, int index, TcbTitulo& t);

}  // namespace billing
