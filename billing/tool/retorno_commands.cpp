#include "billing/tool/retorno_commands.h"

#include "billing/TitleJson.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"
#include "platform/os/Files.h"

#include <functional>
#include <iostream>

namespace billing::tool {

namespace {

int usage() {
    std::cerr << "usage: billing-tool retorno --bank CODE FILE\n"
                 "       billing-tool retorno --class NAME FILE\n"
                 "       billing-tool codetext --bank CODE occ|motive CODE...\n";
    return 2;
}

// Reads a return file with `read` and prints the batch as JSON.
int read_and_print(const std::string& file, const std::function<bool(TcbCobranca&, LinhasRetorno)>& read) {
    TcbCobranca batch;
    batch.NomeArquivoRetorno = file;
    const std::string bytes = os::read_file(file);
    const std::vector<std::string_view> lines = split_lines(bytes);
    read(batch, lines);
    std::cout << cobranca_to_json(batch).dump(2) << "\n";
    return 0;
}

}  // namespace

int retorno(const std::vector<std::string>& a) {
    if (a.size() == 3 && a[0] == "--class") {
        // The LerRetorno that the named bank class (a client's too) publishes.
        const TClass cls = GetClass(a[1]);
        if (cls == nullptr) throw Exception("Classe de banco desconhecida: \"" + a[1] + "\"");
        const auto* ler = find_operation<SigLerRetorno>(cls, "LerRetorno");
        if (ler == nullptr) throw Exception(a[1] + " não publica LerRetorno");
        return read_and_print(a[2], *ler);
    }
    if (a.size() != 3 || a[0] != "--bank") return usage();
    const std::string code = Formatar(a[1], 3, false, '0');
    return read_and_print(a[2], [&](TcbCobranca& batch, LinhasRetorno lines) { return ler_retorno(code, batch, lines); });
}

int codetext(const std::vector<std::string>& a) {
    if (a.size() < 4 || a[0] != "--bank" || (a[2] != "occ" && a[2] != "motive")) return usage();
    const std::string code = Formatar(a[1], 3, false, '0');
    const codetext::BankTexts* bank = codetext::find_bank(code);
    if (bank == nullptr) throw Exception("bank " + code + " has no code texts");
    std::string out;
    for (std::size_t i = 3; i < a.size(); ++i) {
        out += a[2] == "occ" ? codetext::ocorrencia(*bank, a[i]) : codetext::motivo(*bank, a[i]);
        out += '\n';
    }
    std::cout << out;
    return 0;
}

}  // namespace billing::tool
