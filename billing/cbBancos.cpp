#include "billing/cbBancos.h"

#include "platform/core/SysUtils.h"

#include <algorithm>
#include <string>

namespace billing {

namespace {

constexpr BankRow kBanks[] = {
    {"001", "TcbBanco001", "cbCob001", "BANCO DO BRASIL"},
    {"021", "TcbBanco021", "cbCob021", "BANESTES"},
    {"033", "TcbBanco033", "cbCob033", "SANTANDER"},
    {"038", "TcbBanco038", "cbCob038", "BANESTADO"},
    {"104", "TcbBanco104", "cbCob104", "Caixa Econ. Federal"},
    {"151", "TcbBanco151", "cbCob151", "Nossa Caixa"},
    {"237", "TcbBanco237", "cbCob237", "BRADESCO"},
    {"244", "TcbBanco244", "cbCob244", "Banco Cidade"},
    {"275", "TcbBanco275", "cbCob275", "Banco Real S.A."},
    {"291", "TcbBanco291", "cbCob291", "BCN"},
    {"320", "TcbBanco320", "cbCob320", "BICBANCO"},
    {"341", "TcbBanco341", "cbCob341", "Banco Itaú S.A."},
    {"347", "TcbBanco347", "cbCob347", "SUDAMERIS"},
    {"353", "TcbBanco353", "cbCob353", "Banco Santander"},
    {"356", "TcbBanco356", "cbCob356", "BANCO REAL           "},
    {"389", "TcbBanco389", "cbCob389", "Banco Mercantil Brasil"},
    {"394", "TcbBanco394", "cbCob394", "BMC"},
    {"399", "TcbBanco399", "cbCob399", "HSBC"},
    {"409", "TcbBanco409", "cbCob409", "UNIBANCO"},
    {"422", "TcbBanco422", "cbCob422", "Banco Safra"},
    {"479", "TcbBanco479", "cbCob479", "Bank Boston"},
    {"745", "TcbBanco745", "cbCob745", "CITIBANK"},
    {"748", "TcbBanco748", "cbcob748", "SICREDI"},
    {"999", "TcbBanco999", "cbCob999", "TOLVARENA"},
};

}  // namespace

std::span<const BankRow> bank_table() { return kBanks; }

const BankRow& bank_row(std::string_view code) {
    auto it = std::find_if(std::begin(kBanks), std::end(kBanks), [&](const BankRow& r) { return r.code == code; });
    if (it == std::end(kBanks)) throw Exception("no bank row for " + std::string(code));
    return *it;
}

}  // namespace billing
