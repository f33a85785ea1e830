#pragma once
// The client bank classes that write and read the bank-748 (Sicredi) CNAB 400
// layout: one implementation, each class a row (name, unit, the bank code its
// files must carry, bank name, title model, check-digit rule, free-field rule,
// nosso-número builder, boleto texts, fixed account texts). Each class is
// registered with the class registry under its name by the clients' start-up
// and publishes GetNomeBanco, GetImagem, CalcularDigitoNossoNumero,
// GetCampoLivreCodigoBarra, FormatarBoleto, GerarRemessa, LerRetorno and,
// where the row has a builder, CalculaNossoNumeroUnicred.

#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"
#include "billing/clients/SicrediConstants.h"

#include <span>
#include <string>
#include <string_view>

namespace billing::clients::sicredi {

// The nosso-número check digit.
enum class DigitRule {
    Cedente,          // agency, posto, payee code, document year, "2", nosso número: modulo 11 base 9
    CedenteSemHifen,  // the same with every "-" taken out of the nosso número first
    Itau,             // bank 341's: modulo 10 of agency, account, carteira, nosso número
};

// The bar code's free field.
enum class FieldRule {
    Sicredi,       // "31", nosso número, its digit, agency, posto, payee code, "10", check digit
    Santander101,  // "9", payee code (7), nosso número (13), "0", "101"
    Santander104,  // "9", characters 6-12 of the payee code (7), nosso número (13), "0", "104"
    Unicred,       // "1", the whole carteira, built nosso número, agency, posto, payee code, "10", check digit
    UnicredInicial,  // as Unicred with the carteira's first character
    Taldrimo,      // "3", the carteira's first character, nosso número, agency, posto, payee code, "10", check digit
    Heldruna,      // agency (4), payee code (10), built nosso número (11); no check digit
};

// CalculaNossoNumeroUnicred.
enum class NossoRule {
    None,
    Primeiros5,  // (number, agency, posto, payee code): yy "2" and the number's first five characters, digit
    Ultimos5,    // the same with the last five characters of "00000" + number
    Um,          // (number): the number and its digit
};

struct SicrediClass {
    std::string_view class_name;
    std::string_view unit;
    std::string_view code;       // the bank code its writer and reader require
    std::string_view bank_name;  // GetNomeBanco and the messages
    std::string_view model;      // the title model's unit; empty: the engine's
    DigitRule digit;
    FieldRule field;
    NossoRule nosso;
    // FormatarBoleto's digit: true takes the class's own rule for a title of
    // the class's bank code, false (and any other bank's title) the model's
    // DigitoNossoNumero lookup.
    bool own_boleto_digit;
    // FormatarBoleto writes "DMI" and "DSI" for the two duplicata kinds.
    bool especies_interior;
    const ContaFixa* conta;
};

// Every class of the family, in registration order.
std::span<const SicrediClass> sicredi_classes();
// The row of a class name (ASCII case ignored), or nullptr.
const SicrediClass* find_sicredi_class(std::string_view name);
// The class description of a row.
TClass class_of(const SicrediClass& c);
// Registers every class with its unit, once.
void register_classes();

// The operations of a row, as the classes publish them.
std::string digito_nosso_numero(const SicrediClass& c, const TcbTitulo& t);
std::string campo_livre(const SicrediClass& c, const TcbTitulo& t);
std::string nosso_numero_unicred(const SicrediClass& c, std::string_view numero, std::string_view agencia = {},
                                 std::string_view posto = {}, std::string_view cedente = {});
void formatar_boleto(const SicrediClass& c, const TcbTitulo& t, std::string& AgenciaCodigoCedente,
                     std::string& NossoNumeroDigito, std::string& CarteiraBoleto, std::string& EspecieBoleto);
// GerarRemessa (frame and writer) or, with frame false, GerarRemessaCNAB400.
bool gerar_remessa(const SicrediClass& c, TcbCobranca& batch, TStringList& list, bool frame = true);
// LerRetorno (frame and reader) or, with frame false, LerRetornoCNAB400.
bool ler_retorno(const SicrediClass& c, TcbCobranca& batch, LinhasRetorno lines, bool frame = true);

}  // namespace billing::clients::sicredi
