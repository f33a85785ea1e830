#include "report/print/BRPrintDialog.h"

namespace report {

bool ExecutePrintDialog(PrintDialogOptions& options, graphics::PrintDevice* device) {
    PrintDialogService* dialog = print_dialog_slot.get();
    if (!dialog) return false;
    PrintDialogOptions chosen = options;
    if (!dialog->Execute(chosen, device)) return false;
    options = chosen;
    return true;
}

}  // namespace report
