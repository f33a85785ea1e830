// The occurrence and motive code texts: every table sorted, every text
// numbered by its code except the rows the banks number otherwise, and the
// three ways a code text is read.

#include "billing/cbCodeTexts.h"
#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

using namespace billing::codetext;

namespace {

// Rows whose text does not begin with the code itself, zero-padded.
const std::set<std::pair<std::string_view, int>> kNumberedOtherwise = {
    {"O-237", 23}, {"O-237", 24}, {"O-394", 49}, {"O-394", 50}, {"O-394", 51}, {"O-394", 52}, {"O-394", 53},
    {"O-394", 54}, {"O-394", 55}, {"O-394", 56}, {"O-394", 86}, {"O-394", 87}, {"O-394", 88}, {"O-394", 98},
    {"O-394", 99}, {"M-001", 67},
};

TEST(CodeTexts, EveryTableIsSortedAndNumberedByItsCodes) {
    for (const NamedTable& t : all_tables()) {
        SCOPED_TRACE(std::string(t.name));
        ASSERT_FALSE(t.rows.empty());
        for (std::size_t i = 1; i < t.rows.size(); ++i) EXPECT_LT(t.rows[i - 1].code, t.rows[i].code);
        if (t.name == "M-341") continue;  // texts without a leading number
        const int digits = t.name == "M-422" ? 3 : 2;
        for (const CodeText& row : t.rows) {
            char prefix[8];
            std::snprintf(prefix, sizeof prefix, "%0*d", digits, row.code);
            const bool own = row.text.substr(0, std::size_t(digits)) == prefix;
            EXPECT_EQ(own, !kNumberedOtherwise.count({t.name, row.code})) << row.code << " " << row.text;
        }
    }
}

struct Case {
    const char* bank;
    bool motive;
    const char* code;
    const char* text;
};

TEST(CodeTexts, Lookups) {
    const Case cases[] = {
        {"001", false, "02", "02-Confirmação de Entrada de Título"},
        {"999", false, "02", "02-Confirmação de Entrada de Título"},
        {"001", false, "28", "28-Manutenção de titulo vencido"},
        {"748", false, "28", "28-Tarifa"},
        {"748", false, "02", "02-Confirmação de Entrada de Título"},
        {"748", true, "67", "66-Título/carne rejeitado"},
        {"001", false, "00", ""},
        {"001", false, "  ", ""},
        {"001", false, "04", ""},
        {"237", false, "23", "22-Entrada do Título em Cartório"},
        {"237", false, "24", "23-Entrada rejeitada por CEP Irregular"},
        {"237", false, "22", ""},
        {"394", false, "49", "47-Pedido de baixa acatado"},
        {"394", false, "99", "59-Outros"},
        {"291", false, "33", "33-Confirmação de Pedido de Alteração de  outros dados"},
        {"237", false, "06", "06-Liquidação  normal"},
        {"341", false, "54", "54-TARIFA MENSAL  DE LIQUIDAÇÕES NA CARTEIRA"},
        {"422", true, "050", "050-ABATIMENTO COM VALOR PARA OPERAÇÃO \"01\"  (Entrada de Título)"},
        {"001", true, "67", "66-Título/carne rejeitado"},
        {"999", true, "66", ""},
        {"001", true, "22", "22Quantidade de valor variável inválida"},
        {"748", true, "00", "00-"},
        {"001", true, "00", ""},
        {"748", true, "AB", "00-"},
        {"748", true, "  ", ""},
        {"291", true, "0103      ", "03-Data da remessa inválida"},
        {"291", true, "          ", ""},
        {"341", true, "0304    ", "ESTADO - SIGLA DO ESTADO INVÁLIDA"},
        {"341", true, "11", "CEP\t- CEP NÃO NUMÉRICO"},
        {"341", true, "0301    ", "AG. COBRADORA - NÃO FOI POSSÍVEL ATRIBUIR A AGÊNCIA  PELO CEP OU CEP INVÁLIDO"},
        {"422", true, "   ", ""},
        {"320", true, "09", ""},
        {"320", true, "16", "16-Título vencido"},
        {"745", true, "1622                ",
         "16-Id.registro de dados diferente de 1 (pos 1) 22-Número bancário inválido (pos 63) "},
        {"745", true, "16", "16-Id.registro de dados diferente de 1 (pos 1) "},
        {"001", false, " 6", "06-Liquidação Normal"},  // leading blanks are read
        {"001", false, "$A", "10-Baixa Solicitada"},   // so is hexadecimal
    };
    for (const Case& c : cases) {
        const BankTexts* bank = find_bank(c.bank);
        ASSERT_NE(bank, nullptr) << c.bank;
        EXPECT_EQ(c.motive ? motivo(*bank, c.code) : ocorrencia(*bank, c.code), c.text)
            << c.bank << " " << (c.motive ? "motive " : "occurrence ") << '"' << c.code << '"';
    }
}

// Bank 104's CNAB 240 reader has its own motive table, apart from its CNAB 400 reader's.
TEST(CodeTexts, MotivesOfTheCnab240Reader) {
    const Table t = motivos_104_cnab240();
    EXPECT_EQ(t.size(), 77u);
    EXPECT_EQ(text_of(t, 8), "08 - Nosso numero invalido");
    EXPECT_EQ(text_of(t, 81), "81 - Literal 'REMESSA-TESTE' valida somente para fase de testes");
    EXPECT_EQ(text_of(t, 91), "91 - Erro na sequência de segmento do registro detalhe");
    EXPECT_EQ(text_of(t, 4), "");
    EXPECT_EQ(text_of(t, 99), "");
    EXPECT_EQ(text_of(motivos_104(), 8), "08 - Movimento para Titulo já com Movimentacao no dia");
}

TEST(CodeTexts, CodesThatAreNotIntegersRaiseTheConversionError) {
    const char* bad[] = {"AB", "6 ", "", " ", "1.", "0x"};
    for (const char* code : bad) {
        try {
            ocorrencia(*find_bank("001"), code);
            ADD_FAILURE() << '"' << code << '"';
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + std::string(code) + "' is not a valid integer value");
        }
    }
    EXPECT_THROW(motivo(*find_bank("341"), "01AB    "), EConvertError);
    EXPECT_EQ(find_bank("104"), nullptr);
}

}  // namespace
