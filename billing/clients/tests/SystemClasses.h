#pragma once
// Every bank class of the system, by family, as the registry must list it
// after start-up: the engine's and every client family's.

#include <string>
#include <vector>

namespace clients_test {

struct Family {
    std::string name;
    std::vector<std::string> classes;
};

inline const std::vector<Family>& system_families() {
    static const std::vector<Family> families = {
        {"engine",
         {"TcbBanco001", "TcbBanco021", "TcbBanco033", "TcbBanco038", "TcbBanco104", "TcbBanco151", "TcbBanco237",
          "TcbBanco244", "TcbBanco275", "TcbBanco291", "TcbBanco320", "TcbBanco341", "TcbBanco347", "TcbBanco353",
          "TcbBanco356", "TcbBanco389", "TcbBanco394", "TcbBanco399", "TcbBanco409", "TcbBanco422", "TcbBanco479",
          "TcbBanco745", "TcbBanco748", "TcbBanco999"}},
        {"sicredi-layout",
         {"TBanco748", "TVantorimBanco033", "TBrevantaBanco341", "TXandreloBanco033", "TLirvantoBanco341"}},
        {"sicredi-code",
         {"TJorvellaBanco409", "TBancoDravomir748", "TBancoHeldruna748", "TBancoGorvaine748", "TBancoOstravel748",
          "TBancoTaldrimo748"}},
        {"unibanco-layout", {"TMovrentaBanco409", "TPrentalvaBanco341"}},
        {"unibanco-code",
         {"TQuistralSaudeBanco341", "TTrelvaniBanco341", "TTrelvaniBanco341Unicred", "TCrestalvoBanco341",
          "TFendrasilBanco341", "TKavrinoBanco422", "TKavrinoBanco422_Bradesco", "TKavrinoBanco341",
          "TKavrinoBanco341Safra"}},
        {"bradesco-code", {"TTrelvaniBanco237", "TQuembraBanco237", "TBrevantaBanco237"}},
        {"santander-boleto-only",
         {"THalvekBanco033", "TSeltravoBanco033", "TBenthavorBanco033", "TCalderunaBanco033", "TKavrinoBanco033",
          "TQuistralBanco033", "TWendoricBanco033", "TNobrellaBanco033", "TEsquilorBanco033", "TYorlandeBanco033",
          "TBrevantaBanco033", "TFendrasilBanco033", "TUlveraneBancoSantander033", "TVorqBancoSantander033",
          "TFalmorenBanco033", "TVantorimBancoSantander033"}},
        {"caixa-bb-sicoob-boleto-only",
         {"TCrestalvoBanco104", "TPilvastroBanco104", "TZelvoriaBanco104", "TFendrasilBanco001", "TQuembraBanco001",
          "TSarlentaBanco001", "TKavrinoBanco001", "TMorvelBanco001", "TFendrasilBanco756", "TSarlentaBanco756"}},
    };
    return families;
}

}  // namespace clients_test
