#pragma once
// Save parameters: what to save, to which file and through which filter
// (the file, page range, filter and help context come from OutputParams).
// Start-up creates DefaultSaveParams().

#include "report_support/OutputParams.h"
#include "report_support/RSFilters.h"

#include <cstdint>

namespace report_support {

enum TRSSaveDialogOption { rsoDisableSaveInBackground };
// A set of TRSSaveDialogOption: bit i for option i.
using TRSSaveDialogOptions = std::uint8_t;

enum TRSSaveRange { rsrAllPages, rsrSelection, rsrPageNums };

class TRSSaveParams : public OutputParams<TRSCustomSaveFilter> {
public:
    explicit TRSSaveParams(TComponent* owner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    TRSSaveDialogOptions Options() const { return options_; }
    void SetOptions(TRSSaveDialogOptions value) { options_ = value; }
    TRSSaveRange SaveRange() const { return save_range_; }
    void SetSaveRange(TRSSaveRange value) { save_range_ = value; }
    bool SaveInBackground() const { return save_in_background_; }
    void SetSaveInBackground(bool value) { save_in_background_ = value; }

private:
    TRSSaveDialogOptions options_ = 0;
    TRSSaveRange save_range_ = rsrAllPages;
    bool save_in_background_ = false;
};

// The program's save parameters (no owner); null outside start-up and shut-down.
TRSSaveParams* DefaultSaveParams();

// Start-up: registers TRSSaveParams and creates DefaultSaveParams().
void InitSaveParams();
void DoneSaveParams();

}  // namespace report_support
