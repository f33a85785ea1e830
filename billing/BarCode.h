#pragma once
// The boleto's 44-digit bar code and 47-digit typed line, assembled from a
// bank's free field by the banks' published layout: bank code, currency 9,
// general check digit, due-date factor, amount in cents, free field.

#include "billing/cbCobranca.h"

#include "platform/core/DateUtils.h"
#include "platform/core/SysUtils.h"

#include <functional>
#include <string>
#include <string_view>

namespace billing {

struct BoletoCodes {
    std::string codigo_barras;    // 44 digits
    std::string linha_digitavel;  // 47 digits
};

// Due-date factor: days since 1997-10-07, restarting at 1000 after 9999
// (2025-02-22 is 1000 again); "0000" for no due date.
std::string fator_vencimento(TDateTime vencimento);

// The general check digit of the 43 digits of a bar code without it
// (modulo 11, weights 2 to 9; remainders giving 0, 10 or 11 give 1).
char digito_geral(std::string_view digits43);

// Assembles the bar code and typed line. Raises Exception with a message
// naming the bank when the free field is not 25 digits, the bank code not 3
// digits, or the amount negative or above 99,999,999.99.
BoletoCodes montar_codigos(std::string_view banco, std::string_view campo_livre, TDateTime vencimento,
                           Currency valor);

// The typed line of a 44-digit bar code.
std::string linha_digitavel(std::string_view codigo_barras);

// The most characters of a nosso número that every rule of the title's payee
// bank carries whole (check digit, free field, boleto texts); the rules cut a
// longer one. 0 for a bank without plug-in.
std::size_t nosso_numero_max(const TcbTitulo& titulo);
// Raises Exception naming the bank when the title's nosso número, trimmed, has
// more characters than nosso_numero_max; bank 001's 17-digit layout for
// carteira 18 passes.
void verificar_nosso_numero(const TcbTitulo& titulo);

// Raises Exception naming the first field of the title (agency, account,
// payee code, carteira, nosso número) that is empty while the bank's free
// field reads it: a title without them would still give a bar code, of agency
// 0000 or carteira 000. Which fields a bank reads is asked of `campo_livre`
// itself, by filling each empty field in a copy and seeing whether the free
// field changes.
void verificar_campos_boleto(const TcbTitulo& titulo,
                             const std::function<std::string(const TcbTitulo&)>& campo_livre);

// The message of a value that does not fit its field, naming the title's
// field that holds it where one does.
std::string campo_nao_cabe(const TcbTitulo& titulo, const ECampoNaoCabe& e);

// Bank 341's own account digit (modulo 10 of the agency in 4 and the account
// in 5 digits). Raises Exception when the title's DigitoConta is given and
// differs from it.
void verificar_digito_conta_341(const TcbTitulo& titulo);

}  // namespace billing
