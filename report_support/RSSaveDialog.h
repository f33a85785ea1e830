#pragma once
// Save parameters: what to save, to which file and through which filter.
// Start-up creates DefaultSaveParams().

#include "report_support/RSFilters.h"

#include <cstdint>
#include <string>

namespace report_support {

enum TRSSaveDialogOption { rsoDisableSaveInBackground };
// A set of TRSSaveDialogOption: bit i for option i.
using TRSSaveDialogOptions = std::uint8_t;

enum TRSSaveRange { rsrAllPages, rsrSelection, rsrPageNums };

class TRSSaveParams : public TComponent {
public:
    explicit TRSSaveParams(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    const std::string& FileName() const { return file_name_; }
    void SetFileName(const std::string& value) { file_name_ = value; }
    int MaxPage() const { return max_page_; }
    // A range that ran to the last page (ToPage = MaxPage) keeps running to it.
    void SetMaxPage(int value);
    int ToPage() const { return to_page_; }
    void SetToPage(int value) { to_page_ = value; }
    int MinPage() const { return min_page_; }
    void SetMinPage(int value) { min_page_ = value; }
    int FromPage() const { return from_page_; }
    void SetFromPage(int value) { from_page_ = value; }
    TRSSaveDialogOptions Options() const { return options_; }
    void SetOptions(TRSSaveDialogOptions value) { options_ = value; }
    TRSSaveRange SaveRange() const { return save_range_; }
    void SetSaveRange(TRSSaveRange value) { save_range_ = value; }
    bool SaveInBackground() const { return save_in_background_; }
    void SetSaveInBackground(bool value) { save_in_background_ = value; }
    // The filter to save through (not owned); cleared when that filter is freed.
    TRSCustomSaveFilter* Filter() const { return filter_; }
    void SetFilter(TRSCustomSaveFilter* value);
    int HelpContext() const { return help_context_; }
    void SetHelpContext(int value) { help_context_ = value; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::string file_name_;
    int max_page_ = 0, to_page_ = 0, min_page_ = 0, from_page_ = 0;
    TRSSaveDialogOptions options_ = 0;
    TRSSaveRange save_range_ = rsrAllPages;
    bool save_in_background_ = false;
    TRSCustomSaveFilter* filter_ = nullptr;
    int help_context_ = 0;
};

// The program's save parameters (no owner); null outside start-up and shut-down.
TRSSaveParams* DefaultSaveParams();

// Start-up: registers TRSSaveParams and creates DefaultSaveParams().
void InitSaveParams();
void DoneSaveParams();

}  // namespace report_support
