#include "billing/cbBancos.h"

#include "billing/cbCob001.h"
#include "billing/cbCob021.h"
#include "billing/cbCob033.h"
#include "billing/cbCob038.h"
#include "billing/cbCob104.h"
#include "billing/cbCob151.h"
#include "billing/cbCob237.h"
#include "billing/cbCob244.h"
#include "billing/cbCob275.h"
#include "billing/cbCob291.h"
#include "billing/cbCob320.h"
#include "billing/cbCob341.h"
#include "billing/cbCob347.h"
#include "billing/cbCob353.h"
#include "billing/cbCob356.h"
#include "billing/cbCob389.h"
#include "billing/cbCob394.h"
#include "billing/cbCob399.h"
#include "billing/cbCob409.h"
#include "billing/cbCob422.h"
#include "billing/cbCob479.h"
#include "billing/cbCob745.h"
#include "billing/cbcob748.h"
#include "billing/cbCob999.h"

#include <algorithm>

namespace billing {

namespace {

constexpr BankRow kBanks[] = {
    {"001", "TcbBanco001", "cbCob001", "BANCO DO BRASIL", &TcbBanco001::StaticClass},
    {"021", "TcbBanco021", "cbCob021", "BANESTES", &TcbBanco021::StaticClass},
    {"033", "TcbBanco033", "cbCob033", "SANTANDER", &TcbBanco033::StaticClass},
    {"038", "TcbBanco038", "cbCob038", "BANESTADO", &TcbBanco038::StaticClass},
    {"104", "TcbBanco104", "cbCob104", "Caixa Econ. Federal", &TcbBanco104::StaticClass},
    {"151", "TcbBanco151", "cbCob151", "Nossa Caixa", &TcbBanco151::StaticClass},
    {"237", "TcbBanco237", "cbCob237", "BRADESCO", &TcbBanco237::StaticClass},
    {"244", "TcbBanco244", "cbCob244", "Banco Cidade", &TcbBanco244::StaticClass},
    {"275", "TcbBanco275", "cbCob275", "Banco Real S.A.", &TcbBanco275::StaticClass},
    {"291", "TcbBanco291", "cbCob291", "BCN", &TcbBanco291::StaticClass},
    {"320", "TcbBanco320", "cbCob320", "BICBANCO", &TcbBanco320::StaticClass},
    {"341", "TcbBanco341", "cbCob341", "Banco Itaú S.A.", &TcbBanco341::StaticClass},
    {"347", "TcbBanco347", "cbCob347", "SUDAMERIS", &TcbBanco347::StaticClass},
    {"353", "TcbBanco353", "cbCob353", "Banco Santander", &TcbBanco353::StaticClass},
    {"356", "TcbBanco356", "cbCob356", "BANCO REAL           ", &TcbBanco356::StaticClass},
    {"389", "TcbBanco389", "cbCob389", "Banco Mercantil Brasil", &TcbBanco389::StaticClass},
    {"394", "TcbBanco394", "cbCob394", "BMC", &TcbBanco394::StaticClass},
    {"399", "TcbBanco399", "cbCob399", "HSBC", &TcbBanco399::StaticClass},
    {"409", "TcbBanco409", "cbCob409", "UNIBANCO", &TcbBanco409::StaticClass},
    {"422", "TcbBanco422", "cbCob422", "Banco Safra", &TcbBanco422::StaticClass},
    {"479", "TcbBanco479", "cbCob479", "Bank Boston", &TcbBanco479::StaticClass},
    {"745", "TcbBanco745", "cbCob745", "CITIBANK", &TcbBanco745::StaticClass},
    {"748", "TcbBanco748", "cbcob748", "SICREDI", &TcbBanco748::StaticClass},
    {"999", "TcbBanco999", "cbCob999", "TOLVARENA", &TcbBanco999::StaticClass},
};

}  // namespace

std::span<const BankRow> bank_table() { return kBanks; }

const BankRow& bank_row(std::string_view code) {
    auto it = std::find_if(std::begin(kBanks), std::end(kBanks), [&](const BankRow& r) { return r.code == code; });
    if (it == std::end(kBanks)) throw Exception("no bank row for " + std::string(code));
    return *it;
}

}  // namespace billing
