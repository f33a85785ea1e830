#include "billing/cbRemessa.h"

#include "billing/cbBancos.h"
#include "billing/cbRemessa240.h"
#include "billing/cbRemessa400.h"

namespace billing {

bool gerar_remessa(std::string_view code, TcbCobranca& batch, TStringList& list) {
    const std::string_view name = bank_row(code).name;
    if (batch.LayoutArquivo == laCNAB240 && layout::remessa_frame(code) == layout::Frame::Cnab240And400) {
        return gerar_remessa_cnab240(code, batch, list);
    }
    if (!remessa_frame_writes(code, name, batch.LayoutArquivo, &list)) return false;
    return gerar_remessa_400(*layout::cnab400_layout(code), name, engine_profile(), batch, list);
}

}  // namespace billing
