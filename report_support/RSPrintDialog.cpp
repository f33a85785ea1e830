#include "report_support/RSPrintDialog.h"

#include "platform/core/ClassBuilder.h"
#include "report_support/ParamRules.h"

#include <memory>

namespace report_support {
namespace {

std::unique_ptr<TRSPrintParams>& default_params() {
    static std::unique_ptr<TRSPrintParams> params;
    return params;
}

}  // namespace

TRSPrintParams::TRSPrintParams(TComponent* owner) : TComponent(owner) {}

void TRSPrintParams::SetMaxPage(int value) { detail::set_max_page(max_page_, to_page_, value); }

void TRSPrintParams::SetFilter(TRSCustomPrintFilter* value) { detail::set_filter(*this, filter_, value); }

void TRSPrintParams::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    detail::forget_filter(filter_, AComponent, Operation);
}

// Properties without a default are always stored, so a stored range reads
// back as it was written (MaxPage comes before ToPage).
TClass TRSPrintParams::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TRSPrintParams, TComponent>("TRSPrintParams")
            .Set("Options",
                 {"rpoPrintToFile", "rpoPageNums", "rpoSelection", "rpoWarning", "rpoHelp", "rpoDisablePrintToFile",
                  "rpoDisableCopies", "rpoDisablePrintInBackground"},
                 &TRSPrintParams::Options, &TRSPrintParams::SetOptions)
            .Default(int(DefaultPrintDialogOptions))
            .Integer("MaxPage", &TRSPrintParams::MaxPage, &TRSPrintParams::SetMaxPage).NoDefault()
            .Integer("MinPage", &TRSPrintParams::MinPage, &TRSPrintParams::SetMinPage).NoDefault()
            .Integer("FromPage", &TRSPrintParams::FromPage, &TRSPrintParams::SetFromPage).NoDefault()
            .Integer("ToPage", &TRSPrintParams::ToPage, &TRSPrintParams::SetToPage).NoDefault()
            .Enum("PrintRange", {"rprAllPages", "rprSelection", "rprPageNums"}, &TRSPrintParams::PrintRange,
                  &TRSPrintParams::SetPrintRange)
            .NoDefault()
            .Integer("Copies", &TRSPrintParams::Copies, &TRSPrintParams::SetCopies).Default(1)
            .Bool("PrintToFile", &TRSPrintParams::PrintToFile, &TRSPrintParams::SetPrintToFile).NoDefault()
            .Bool("PrintInBackground", &TRSPrintParams::PrintInBackground, &TRSPrintParams::SetPrintInBackground)
            .NoDefault()
            .String("FileName", &TRSPrintParams::FileName, &TRSPrintParams::SetFileName)
            .Enum("Orientation", {"poPortrait", "poLandscape"}, &TRSPrintParams::Orientation,
                  &TRSPrintParams::SetOrientation)
            .NoDefault()
            .Component("Filter", &TRSPrintParams::Filter, &TRSPrintParams::SetFilter)
            .Integer("HelpContext", &TRSPrintParams::HelpContext, &TRSPrintParams::SetHelpContext).NoDefault()
            .Build();
    return &info;
}

TRSPrintParams* DefaultPrintParams() { return default_params().get(); }

void InitPrintParams() {
    RegisterClass(TRSPrintParams::StaticClass());
    default_params() = std::make_unique<TRSPrintParams>(nullptr);
}

void DonePrintParams() {
    default_params().reset();
    UnRegisterClass(TRSPrintParams::StaticClass());
}

}  // namespace report_support
