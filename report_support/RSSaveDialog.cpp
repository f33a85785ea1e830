#include "report_support/RSSaveDialog.h"

namespace report_support {

TRSSaveParams::TRSSaveParams(TComponent* owner) : OutputParams(owner) {}

// Properties without a default are always stored.
TClass TRSSaveParams::StaticClass() {
    using T = TRSSaveParams;
    static const TClassInfo info = [] {
        core::ClassBuilder<T, TComponent> b("TRSSaveParams");
        b.Set("Options", {"rsoDisableSaveInBackground"}, &T::Options, &T::SetOptions)
            .String("FileName", &T::FileName, &T::SetFileName);
        PublishPageRange(b);
        b.Enum("SaveRange", {"rsrAllPages", "rsrSelection", "rsrPageNums"}, &T::SaveRange, &T::SetSaveRange)
            .NoDefault()
            .Bool("SaveInBackground", &T::SaveInBackground, &T::SetSaveInBackground).NoDefault();
        PublishFilter(b);
        return b.Build();
    }();
    return &info;
}

TRSSaveParams* DefaultSaveParams() { return DefaultParams<TRSSaveParams>().get(); }
void InitSaveParams() { StartDefaultParams<TRSSaveParams>(); }
void DoneSaveParams() { StopDefaultParams<TRSSaveParams>(); }

}  // namespace report_support
