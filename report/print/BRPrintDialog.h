#pragma once
// The print dialog as a service. A dialog (report/ui installs the Qt one)
// is given the printer, page range, copies and orientation to start from
// and gives back what the person chose and what the chosen printer's setup
// says. With none installed the dialog answers "cancelled" at once and
// changes nothing: a headless run never waits for a person.

#include <cstdint>

#include "platform/core/ServiceSlot.h"
#include "platform/graphics/Printers.h"

namespace report {

enum class PrintRange { AllPages, Selection, PageNums };

struct PrintDialogOptions {
    // What the dialog starts from (and, when confirmed, what was chosen).
    std::int32_t PrinterIndex = -1;  // -1: the default printer
    std::int32_t MinPage = 0, MaxPage = 9999;
    std::int32_t FromPage = 0, ToPage = 0;
    std::int32_t Copies = 1;
    TPrinterOrientation Orientation = poPortrait;
    PrintRange Range = PrintRange::AllPages;
    bool PageNumbersEnabled = true;  // the page range may be chosen
    bool Collate = false;
    bool PrintToFile = false;
    bool PrintToFileOffered = false;  // the "Print to file" box is shown
    // Read back from the chosen printer's setup when confirmed (device codes).
    std::int32_t PaperSize = 0;
    std::int32_t OutputBin = 0;
    std::int32_t DuplexCode = 1;  // 1 simplex, 2 long edge, 3 short edge
    std::int32_t PrintQuality = 0;
    std::int32_t ColorOption = 0;  // 1 monochrome, 2 colour
    bool Duplex() const { return DuplexCode > 1; }
};

class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;
    // Shows the dialog over the destinations of device; true when confirmed
    // (options then hold the choice), false when cancelled (options untouched).
    virtual bool Execute(PrintDialogOptions& options, graphics::PrintDevice* device) = 0;
};

inline core::ServiceSlot<PrintDialogService*> print_dialog_slot;

// The installed dialog's answer; false (options untouched) with none installed.
bool ExecutePrintDialog(PrintDialogOptions& options, graphics::PrintDevice* device = nullptr);

}  // namespace report
