// billing-tool: drives the boleto engine from the command line.
//
//   billing-tool digit mod10 DIGITS
//   billing-tool digit mod11|mod11d DIGITS BASE [--raw]
//   billing-tool digit duplo DIGITS
//   billing-tool digit --batch            one request a line on stdin ("mod11 123 9 raw"), one answer a line
//                                         ("erro: ..." for a refused request)
//   billing-tool format TEXT WIDTH [--left] [--fill C]
//   billing-tool bank CODE                code, check digit and name of a bank
//   billing-tool boleto --bank CODE [--installation N] [--today YYYY-MM-DD] TITLE.json
//   billing-tool boleto --class CLASS [--bank CODE] TITLE.json
//       With --class the bank class is the registered class of that name (a client's, say) instead of the
//       one a lookup finds; the bar code's bank is CODE, else the title's payee bank code. The JSON adds
//       the class ("ClasseBanco") and its own check digit ("DigitoClasse"); "DigitoNossoNumero" stays the
//       model's lookup (null for a model without one).
//       TITLE.json holds one title (an object), a list of titles, or a batch with "Titulos"; "-" reads stdin.
//       Prints, per title, the nosso-número check digit, the free field, the four boleto texts, the
//       44-digit bar code and the 47-digit typed line as JSON. A title that cannot make a sound bar
//       code (a nosso número longer than the bank's field, free field not 25 digits, amount out of
//       range) fails with a message; in a list, its entry is {"Erro": message} and the exit status
//       is 1. CODE is one to three digits; a JSON object with a repeated key is refused.
//   billing-tool retorno --bank CODE FILE  reads a return file and prints the batch as JSON
//   billing-tool retorno --class NAME FILE  the same through a registered bank class's LerRetorno
//   billing-tool codetext --bank CODE occ|motive CODE...  the bank's texts of occurrence or motive codes
//   billing-tool remessa --bank CODE [--layout 240|400] BATCH.json OUT
//       Writes the bank's remittance of the batch to OUT (Windows-1252, CR LF); on an error OUT is left as it was.
//   billing-tool layout --bank CODE [--layout 240] --record NAME
//       Prints the rows of one CNAB 400 (or 240) record of the bank: positions, width, content.
//   --model UNIT on digit, bank and boleto: work with a client title model (billing/clients) instead of
//       the engine's; its helpers, its titles (a partial copy's are the engine's) and its lookups.
//   billing-tool digit scheme NAME DIGITS [BASE]   a digit of the scheme table (billing-tool schemes lists it)
//   billing-tool lookup UNIT nome|digito CODE [TITLE.json]   a model's bank-name or check-digit lookup
//   billing-tool new-title UNIT           a new title of the model as JSON, with its class
//   billing-tool classes                  every model unit and every registered bank class with its unit

#include "billing/BarCode.h"
#include "billing/Installation.h"
#include "billing/Startup.h"
#include "billing/TitleJson.h"
#include "billing/cbCob021.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/tool/BankCode.h"
#include "billing/tool/ModelCommands.h"
#include "billing/tool/RemessaCommands.h"
#include "billing/tool/retorno_commands.h"

#include "platform/core/CodePages.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/InputFile.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

#include <cerrno>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

const char* const kUsage =
    "uso: billing-tool digit mod10|mod11|mod11d|duplo DÍGITOS [BASE] [--raw]\n"
    "     billing-tool digit --batch\n"
    "     billing-tool format TEXTO LARGURA [--left] [--fill C]\n"
    "     billing-tool bank CÓDIGO\n"
    "     billing-tool boleto --bank CÓDIGO [--installation N] [--today AAAA-MM-DD] TÍTULO.json\n"
    "     billing-tool boleto --class CLASSE [--bank CÓDIGO] TÍTULO.json\n"
    "     billing-tool retorno --bank CÓDIGO ARQUIVO\n"
    "     billing-tool retorno --class NOME ARQUIVO\n"
    "     billing-tool codetext --bank CÓDIGO occ|motive CÓDIGO...\n"
    "     billing-tool remessa --bank CÓDIGO [--layout 240|400] LOTE.json SAÍDA\n"
    "     billing-tool layout --bank CÓDIGO [--layout 240] --record NOME\n"
    "     billing-tool digit scheme NOME DÍGITOS [BASE] | schemes\n"
    "     billing-tool lookup UNIDADE nome|digito CÓDIGO [TÍTULO.json]\n"
    "     billing-tool new-title UNIDADE | classes\n"
    "     (digit, bank e boleto aceitam --model UNIDADE)\n";

int usage() { return os::usage_error("billing-tool", kUsage, std::cerr); }

int parse_int(const std::string& s, const char* what) {
    std::size_t used = 0;
    int v = 0;
    try {
        v = std::stoi(s, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != s.size() || s.empty()) throw Exception(std::string(what) + " inválido: " + s);
    return v;
}

using billing::tool::bank_code;

// One JSON document from a file or, for "-", stdin; errors name the file.
json read_json(const std::string& file) {
    os::InputFile in(file);
    try {
        return billing::parse_json(in.stream());
    } catch (const json::exception& e) {
        throw Exception(file + ": JSON inválido: " + e.what());
    } catch (const Exception& e) {
        throw Exception(file + ": " + e.Message());
    }
}

std::string digit(const std::vector<std::string>& a) {
    if (a.empty()) throw Exception("falta a função (mod10, mod11, mod11d, duplo ou scheme)");
    const std::string& f = a[0];
    if (f == "scheme") return billing::tool::scheme_digit(a);
    if (f == "mod10" && a.size() == 2) {
        billing::tool::require_helper(billing::kHelperModulo10, "Modulo10");
        return Modulo10(a[1]);
    }
    if (f == "duplo" && a.size() == 2) return CalcularDuploDigito(a[1]);
    if ((f == "mod11" || f == "mod11d") && (a.size() == 3 || a.size() == 4)) {
        bool raw = a.size() == 4 && (a[3] == "--raw" || a[3] == "raw");
        if (a.size() == 4 && !raw && a[3] != "not") throw Exception("opção desconhecida: " + a[3]);
        int base = parse_int(a[2], "base (número)");
        if (f == "mod11d") {
            billing::tool::require_helper(billing::kHelperModulo11Decrescente, "Modulo11Decrescente");
            return Modulo11Decrescente(a[1], base, raw);
        }
        billing::tool::require_helper(billing::kHelperModulo11, "Modulo11");
        return billing::Modulo11(billing::tool::current_model(), a[1], base, raw);
    }
    throw Exception("pedido de dígito desconhecido (veja billing-tool --help)");
}

int digit_batch() {
    std::string line;
    std::string out;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
        // An empty digit text is written as "-".
        if (words.size() >= 2 && words[1] == "-") words[1].clear();
        try {
            out += digit(words);
        } catch (const std::exception& e) {
            out += std::string("erro: ") + e.what();
        }
        out += '\n';
    }
    std::cout << out;
    return 0;
}

// class_name: the bank class of --class, or empty for the one the model's lookup finds.
json boleto_fields(TcbTitulo& t, const std::string& code, const std::string& class_name);

json boleto_of(TcbTitulo& t, const std::string& code, const std::string& class_name) {
    try {
        return boleto_fields(t, code, class_name);
    } catch (const billing::ECampoNaoCabe& e) {
        throw Exception(billing::campo_nao_cabe(t, e) + ": boleto não gerado");
    }
}

json boleto_fields(TcbTitulo& t, const std::string& code, const std::string& class_name) {
    // A title of another bank is refused, as the remittance refuses it, rather than given this bank's boleto.
    const std::string own = t.Cedente().ContaBancaria().Banco().Codigo();
    if (!code.empty() && class_name.empty() && !own.empty() &&
        Formatar(own, 3, false, '0') != Formatar(code, 3, false, '0')) {
        TcbBanco banco;
        banco.SetCodigo(code);
        throw Exception(Format("Titulo não pertence ao banco %s - %s (Cedente.ContaBancaria.Banco.Codigo é %s)",
                               {banco.Codigo(), banco.Nome(), own}));
    }
    if (!code.empty()) t.Cedente().ContaBancaria().Banco().SetCodigo(code);
    const std::string given = code.empty() ? t.Cedente().ContaBancaria().Banco().Codigo() : code;
    if (given.empty()) throw Exception("boleto --class pede --bank ou o código do banco do cedente no título");
    if (class_name.empty() && &billing::tool::current_model() == &billing::engine_profile()) {
        billing::verificar_nosso_numero(t);
    }
    const std::string ccc = Formatar(given, 3, false, '0');
    const TClass cls = GetClass(class_name.empty() ? billing::tool::boleto_class_name(ccc) : class_name);
    if (cls == nullptr && !class_name.empty()) throw Exception("Classe de banco desconhecida: \"" + class_name + "\"");
    if (cls == nullptr) {
        throw Exception(Format("Os boletos para o banco %s não estão disponíveis", {ccc}));
    }
    auto campo_livre = billing::find_operation<billing::SigTitulo>(cls, "GetCampoLivreCodigoBarra");
    auto formatar = billing::find_operation<billing::SigFormatarBoleto>(cls, "FormatarBoleto");
    auto digito = billing::find_operation<billing::SigTitulo>(cls, "CalcularDigitoNossoNumero");
    if (campo_livre == nullptr || formatar == nullptr || (!class_name.empty() && digito == nullptr)) {
        throw Exception(Format("Os boletos para o banco %s não estão disponíveis", {ccc}));
    }
    billing::verificar_campos_boleto(t, [&](const TcbTitulo& x) { return (*campo_livre)(x); });
    json r;
    r["Banco"] = ccc;
    if (!class_name.empty()) r["ClasseBanco"] = cls->Name;
    r["Classe"] = t.ClassName();
    // A nosso número that no check digit covers (bank 001's 17-digit numbers may
    // hold a hyphen) still makes a boleto: the digit is then reported as null.
    // A class named by --class may belong to a model without a check-digit lookup.
    const billing::ModelProfile& model = billing::tool::current_model();
    const bool has_lookup = &model == &billing::engine_profile() || model.holds(billing::kHelperDigitoNossoNumero);
    try {
        r["DigitoNossoNumero"] = has_lookup ? json(billing::tool::digito_nosso_numero(t)) : json(nullptr);
    } catch (const EConvertError&) {
        r["DigitoNossoNumero"] = nullptr;
    } catch (const billing::ECampoNaoCabe&) {
        // Bank 001's 17-digit numbers have no check digit: the free field and texts still refuse what does not fit.
        r["DigitoNossoNumero"] = nullptr;
    } catch (const Exception&) {
        // With --class the lookup may find no class for the bank: the class still makes the boleto.
        if (class_name.empty()) throw;
        r["DigitoNossoNumero"] = nullptr;
    }
    if (!class_name.empty()) {
        try {
            r["DigitoClasse"] = (*digito)(t);
        } catch (const EConvertError&) {
            r["DigitoClasse"] = nullptr;
        }
    }
    std::string agencia, nosso, carteira, especie;
    (*formatar)(t, agencia, nosso, carteira, especie);
    r["AgenciaCodigoCedente"] = agencia;
    r["NossoNumeroDigito"] = nosso;
    r["CarteiraBoleto"] = carteira;
    r["EspecieBoleto"] = especie;
    const std::string campo = (*campo_livre)(t);
    r["CampoLivre"] = campo;
    billing::BoletoCodes codes = billing::montar_codigos(ccc, campo, t.DataVencimento(), t.ValorDocumento());
    r["CodigoBarras"] = codes.codigo_barras;
    r["LinhaDigitavel"] = codes.linha_digitavel;
    return r;
}

int boleto(const std::vector<std::string>& a) {
    std::string code, file, class_name;
    bool have_code = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--bank" && i + 1 < a.size()) {
            code = bank_code(a[++i]);
            have_code = true;
        } else if (a[i] == "--class" && i + 1 < a.size()) {
            class_name = a[++i];
        } else if (a[i] == "--installation" && i + 1 < a.size()) {
            billing::Installation inst;
            inst.codigo_instalacao = parse_int(a[++i], "código de instalação");
            billing::installation_slot.install([inst] { return inst; });
        } else if (a[i] == "--today" && i + 1 < a.size()) {
            TDateTime d = billing::parse_date(a[++i]);
            billing::today_slot.install([d] { return d; });
        } else if (file.empty() && (a[i] == "-" || a[i].rfind("--", 0) != 0)) {
            file = a[i];
        } else {
            return usage();
        }
    }
    if ((!have_code && class_name.empty()) || file.empty()) return usage();

    const json doc = read_json(file);

    const bool single = doc.is_object() && !doc.contains("Titulos");
    std::vector<std::unique_ptr<TcbTitulo>> titles;
    if (single) {
        titles.push_back(std::make_unique<TcbTitulo>(billing::tool::title_model()));
        billing::titulo_from_json(doc, *titles.back());
    } else if (doc.is_object()) {
        TcbCobranca batch;
        billing::cobranca_from_json(doc, batch, billing::tool::title_model());
        while (batch.Titulos.Count() > 0) {
            titles.emplace_back(As<TcbTitulo>(batch.Titulos.Extract(batch.Titulos.First())));
        }
    } else if (doc.is_array()) {
        for (const json& item : doc) {
            titles.push_back(std::make_unique<TcbTitulo>(billing::tool::title_model()));
            billing::titulo_da_lista(item, static_cast<int>(titles.size()) - 1, *titles.back());
        }
    } else {
        throw Exception(file + ": esperado um título, uma lista de títulos ou um lote");
    }

    json out = json::array();
    int failures = 0;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        try {
            out.push_back(boleto_of(*titles[i], code, class_name));
        } catch (const std::exception& e) {
            ++failures;
            if (single) throw;
            const std::string message = billing::titulo_em_lote(static_cast<int>(i), titles[i]->NossoNumero()) + e.what();
            std::cerr << "billing-tool: " << message << "\n";
            out.push_back({{"Erro", message}});
        }
    }
    std::cout << (single ? out[0] : out).dump(single ? 2 : -1) << "\n";
    return failures == 0 ? 0 : 1;
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (auto answered = os::answer_help_or_version("billing-tool", args, kUsage, std::cout)) return *answered;
    if (args.empty()) return usage();
    billing::tool::start_units();
    try {
        const std::string cmd = args[0];
        if (auto done = billing::tool::model_command(cmd, {args.begin() + 1, args.end()})) return *done;
        args = billing::tool::take_model_option(args);
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (cmd == "digit") {
            if (rest.size() == 1 && rest[0] == "--batch") return digit_batch();
            std::cout << digit(rest) << "\n";
            return 0;
        }
        if (cmd == "format") {
            if (rest.size() < 2) return usage();
            bool left = false;
            char fill = ' ';
            for (std::size_t i = 2; i < rest.size(); ++i) {
                if (rest[i] == "--left") {
                    left = true;
                } else if (rest[i] == "--fill" && i + 1 < rest.size() && core::utf8_length(rest[i + 1]) == 1) {
                    // One character; outside ASCII it is no digit or letter and pads with blanks.
                    const std::string& c = rest[++i];
                    fill = c.size() == 1 ? c[0] : ' ';
                } else {
                    return usage();
                }
            }
            std::cout << Formatar(rest[0], parse_int(rest[1], "largura"), left, fill) << "\n";
            return 0;
        }
        if (cmd == "bank") {
            if (rest.size() != 1) return usage();
            TcbBanco banco(billing::tool::bank_model());
            banco.SetCodigo(bank_code(rest[0]));
            std::string name = banco.Nome();
            std::cout << Formatar(banco.Codigo(), 3, false, '0') << "\t" << banco.Digito() << "\t" << name << "\n";
            return 0;
        }
        if (cmd == "boleto") return boleto(rest);
        if (cmd == "remessa") return remessa_command(rest);
        if (cmd == "layout") return layout_command(rest);
        if (cmd == "retorno") return billing::tool::retorno(rest);
        if (cmd == "codetext") return billing::tool::codetext(rest);
        return usage();
    } catch (const std::exception& e) {
        std::cerr << os::error_line("billing-tool", e.what()) << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // An interrupted run leaves no temporary file behind.
    os::remove_temp_files_on_signals();
    return os::finish_standard_output("billing-tool", run(argc, argv));
}
