#include "report/print/BRPreviewFactory.h"

report::PreviewWindow* TBRPreviewInterface::Show(TBRPrinter*) { return nullptr; }
report::PreviewWindow* TBRPreviewInterface::ShowModal(TBRPrinter*) { return nullptr; }

namespace report {

TBRPreviewInterface& preview_factory() {
    if (TBRPreviewInterface* installed = preview_factory_slot.get()) return *installed;
    static TBRPreviewInterface none;
    return none;
}

}  // namespace report
