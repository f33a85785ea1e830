#pragma once
// Print parameters: what to print, how many copies and through which filter
// (the file, page range, filter and help context come from OutputParams).
// Start-up creates DefaultPrintParams().

#include "report_support/OutputParams.h"
#include "report_support/RSFilters.h"
#include "report_support/RSTypes.h"

#include <cstdint>

namespace report_support {

enum TRSPrintDialogOption {
    rpoPrintToFile, rpoPageNums, rpoSelection, rpoWarning, rpoHelp,
    rpoDisablePrintToFile, rpoDisableCopies, rpoDisablePrintInBackground
};
// A set of TRSPrintDialogOption: bit i for option i.
using TRSPrintDialogOptions = std::uint8_t;
constexpr TRSPrintDialogOptions PrintOption(TRSPrintDialogOption option) { return TRSPrintDialogOptions(1u << option); }
// rpoPrintToFile, rpoPageNums, rpoSelection, rpoWarning, rpoDisablePrintToFile.
inline constexpr TRSPrintDialogOptions DefaultPrintDialogOptions = 47;

enum TRSPrintRange { rprAllPages, rprSelection, rprPageNums };

class TRSPrintParams : public OutputParams<TRSCustomPrintFilter> {
public:
    explicit TRSPrintParams(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    TRSPrintDialogOptions Options() const { return options_; }
    void SetOptions(TRSPrintDialogOptions value) { options_ = value; }
    TRSPrintRange PrintRange() const { return print_range_; }
    void SetPrintRange(TRSPrintRange value) { print_range_ = value; }
    bool PrintToFile() const { return print_to_file_; }
    void SetPrintToFile(bool value) { print_to_file_ = value; }
    bool PrintInBackground() const { return print_in_background_; }
    void SetPrintInBackground(bool value) { print_in_background_ = value; }
    TRSPageOrientation Orientation() const { return orientation_; }
    void SetOrientation(TRSPageOrientation value) { orientation_ = value; }
    int Copies() const { return copies_; }
    void SetCopies(int value) { copies_ = value; }

private:
    TRSPrintDialogOptions options_ = DefaultPrintDialogOptions;
    TRSPrintRange print_range_ = rprAllPages;
    bool print_to_file_ = false, print_in_background_ = false;
    TRSPageOrientation orientation_ = poPortrait;
    int copies_ = 1;
};

// The program's print parameters (no owner); null outside start-up and shut-down.
TRSPrintParams* DefaultPrintParams();

// Start-up: registers TRSPrintParams and creates DefaultPrintParams().
void InitPrintParams();
void DonePrintParams();

}  // namespace report_support
