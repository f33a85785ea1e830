#include "billing/cbRemessa.h"

#include "billing/TitleJson.h"
#include "billing/cbBancos.h"
#include "billing/cbRemessa240.h"
#include "billing/cbRemessa400.h"

namespace billing {

void escrever_titulo(RemessaWriter& writer, const TcbTitulo& titulo, int index) {
    try {
        if (index == 0) writer.header(titulo);
        writer.detail(titulo);
    } catch (Exception& e) {
        e.SetMessage(titulo_em_lote(index, titulo.NossoNumero()) + e.Message());
        throw;
    }
}

bool write_list(RemessaWriter& writer, const ModelProfile& profile, TcbCobranca& batch, TStringList& list) {
    list.Clear();
    try {
        if (batch.Titulos.Count() == 0) writer.no_titles();
        for (int i = 0; i < batch.Titulos.Count(); ++i) escrever_titulo(writer, GetTitulo(profile, batch.Titulos, i), i);
    } catch (const Exception&) {
        if (writer.all_or_nothing()) list.Clear();
        throw;
    }
    writer.trailer();
    return true;
}

std::unique_ptr<RemessaWriter> remessa_writer(std::string_view code, std::string_view name, const TcbCobranca& batch,
                                              LineSink& out, TStringList* list) {
    if (batch.LayoutArquivo == laCNAB240 && layout::remessa_frame(code) == layout::Frame::Cnab240And400) {
        const layout::BankLayout240* layout = layout::cnab240_layout(code);
        if (layout == nullptr) {
            throw Exception(
                Format("A geração de arquivo de remessa no layout laCNAB240 não está disponível para o banco %s - %s",
                       {std::string(code), std::string(name)}));
        }
        return std::make_unique<Remessa240>(*layout, name, batch, out);
    }
    if (!remessa_frame_writes(code, name, batch.LayoutArquivo, list)) return nullptr;
    return std::make_unique<Remessa400>(*layout::cnab400_layout(code), name, batch, out);
}

bool gerar_remessa(std::string_view code, TcbCobranca& batch, TStringList& list) {
    const std::string_view name = bank_row(code).name;
    ListSink sink(list);
    const std::unique_ptr<RemessaWriter> writer = remessa_writer(code, name, batch, sink, &list);
    if (writer == nullptr) return false;
    return write_list(*writer, engine_profile(), batch, list);
}

}  // namespace billing
