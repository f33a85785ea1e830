#pragma once
// Print parameters: what to print, how many copies and through which filter.
// Start-up creates DefaultPrintParams().

#include "report_support/RSFilters.h"
#include "report_support/RSTypes.h"

#include <cstdint>
#include <string>

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

class TRSPrintParams : public TComponent {
public:
    explicit TRSPrintParams(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    int MaxPage() const { return max_page_; }
    // A range that ran to the last page (ToPage = MaxPage) keeps running to it.
    void SetMaxPage(int value);
    int ToPage() const { return to_page_; }
    void SetToPage(int value) { to_page_ = value; }
    int MinPage() const { return min_page_; }
    void SetMinPage(int value) { min_page_ = value; }
    int FromPage() const { return from_page_; }
    void SetFromPage(int value) { from_page_ = value; }
    TRSPrintDialogOptions Options() const { return options_; }
    void SetOptions(TRSPrintDialogOptions value) { options_ = value; }
    TRSPrintRange PrintRange() const { return print_range_; }
    void SetPrintRange(TRSPrintRange value) { print_range_ = value; }
    bool PrintToFile() const { return print_to_file_; }
    void SetPrintToFile(bool value) { print_to_file_ = value; }
    bool PrintInBackground() const { return print_in_background_; }
    void SetPrintInBackground(bool value) { print_in_background_ = value; }
    const std::string& FileName() const { return file_name_; }
    void SetFileName(const std::string& value) { file_name_ = value; }
    TRSPageOrientation Orientation() const { return orientation_; }
    void SetOrientation(TRSPageOrientation value) { orientation_ = value; }
    // The filter to print through (not owned); cleared when that filter is freed.
    TRSCustomPrintFilter* Filter() const { return filter_; }
    void SetFilter(TRSCustomPrintFilter* value);
    int HelpContext() const { return help_context_; }
    void SetHelpContext(int value) { help_context_ = value; }
    int Copies() const { return copies_; }
    void SetCopies(int value) { copies_ = value; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    int max_page_ = 0, to_page_ = 0, min_page_ = 0, from_page_ = 0;
    TRSPrintDialogOptions options_ = DefaultPrintDialogOptions;
    TRSPrintRange print_range_ = rprAllPages;
    bool print_to_file_ = false, print_in_background_ = false;
    std::string file_name_;
    TRSPageOrientation orientation_ = poPortrait;
    TRSCustomPrintFilter* filter_ = nullptr;
    int help_context_ = 0;
    int copies_ = 1;
};

// The program's print parameters (no owner); null outside start-up and shut-down.
TRSPrintParams* DefaultPrintParams();

// Start-up: registers TRSPrintParams and creates DefaultPrintParams().
void InitPrintParams();
void DonePrintParams();

}  // namespace report_support
