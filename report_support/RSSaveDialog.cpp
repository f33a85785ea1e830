#include "report_support/RSSaveDialog.h"

#include "platform/core/ClassBuilder.h"
#include "report_support/ParamRules.h"

#include <memory>

namespace report_support {
namespace {

std::unique_ptr<TRSSaveParams>& default_params() {
    static std::unique_ptr<TRSSaveParams> params;
    return params;
}

}  // namespace

TRSSaveParams::TRSSaveParams(TComponent* owner) : TComponent(owner) {}

void TRSSaveParams::SetMaxPage(int value) { detail::set_max_page(max_page_, to_page_, value); }

void TRSSaveParams::SetFilter(TRSCustomSaveFilter* value) { detail::set_filter(*this, filter_, value); }

void TRSSaveParams::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    detail::forget_filter(filter_, AComponent, Operation);
}

// Properties without a default are always stored, so a stored range reads
// back as it was written (MaxPage comes before ToPage).
TClass TRSSaveParams::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TRSSaveParams, TComponent>("TRSSaveParams")
            .Set("Options", {"rsoDisableSaveInBackground"}, &TRSSaveParams::Options, &TRSSaveParams::SetOptions)
            .String("FileName", &TRSSaveParams::FileName, &TRSSaveParams::SetFileName)
            .Integer("MaxPage", &TRSSaveParams::MaxPage, &TRSSaveParams::SetMaxPage).NoDefault()
            .Integer("MinPage", &TRSSaveParams::MinPage, &TRSSaveParams::SetMinPage).NoDefault()
            .Integer("FromPage", &TRSSaveParams::FromPage, &TRSSaveParams::SetFromPage).NoDefault()
            .Integer("ToPage", &TRSSaveParams::ToPage, &TRSSaveParams::SetToPage).NoDefault()
            .Enum("SaveRange", {"rsrAllPages", "rsrSelection", "rsrPageNums"}, &TRSSaveParams::SaveRange,
                  &TRSSaveParams::SetSaveRange)
            .NoDefault()
            .Bool("SaveInBackground", &TRSSaveParams::SaveInBackground, &TRSSaveParams::SetSaveInBackground)
            .NoDefault()
            .Component("Filter", &TRSSaveParams::Filter, &TRSSaveParams::SetFilter)
            .Integer("HelpContext", &TRSSaveParams::HelpContext, &TRSSaveParams::SetHelpContext).NoDefault()
            .Build();
    return &info;
}

TRSSaveParams* DefaultSaveParams() { return default_params().get(); }

void InitSaveParams() {
    RegisterClass(TRSSaveParams::StaticClass());
    default_params() = std::make_unique<TRSSaveParams>(nullptr);
}

void DoneSaveParams() {
    default_params().reset();
    UnRegisterClass(TRSSaveParams::StaticClass());
}

}  // namespace report_support
