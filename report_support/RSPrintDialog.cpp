#include "report_support/RSPrintDialog.h"

namespace report_support {

TRSPrintParams::TRSPrintParams(TComponent* owner) : OutputParams(owner) {}

// Properties without a default are always stored.
TClass TRSPrintParams::StaticClass() {
    using T = TRSPrintParams;
    static const TClassInfo info = [] {
        core::ClassBuilder<T, TComponent> b("TRSPrintParams");
        b.Set("Options",
              {"rpoPrintToFile", "rpoPageNums", "rpoSelection", "rpoWarning", "rpoHelp", "rpoDisablePrintToFile",
               "rpoDisableCopies", "rpoDisablePrintInBackground"},
              &T::Options, &T::SetOptions)
            .Default(int(DefaultPrintDialogOptions));
        PublishPageRange(b);
        b.Enum("PrintRange", {"rprAllPages", "rprSelection", "rprPageNums"}, &T::PrintRange, &T::SetPrintRange)
            .NoDefault()
            .Integer("Copies", &T::Copies, &T::SetCopies).Default(1)
            .Bool("PrintToFile", &T::PrintToFile, &T::SetPrintToFile).NoDefault()
            .Bool("PrintInBackground", &T::PrintInBackground, &T::SetPrintInBackground).NoDefault()
            .String("FileName", &T::FileName, &T::SetFileName)
            .Enum("Orientation", {"poPortrait", "poLandscape"}, &T::Orientation, &T::SetOrientation).NoDefault();
        PublishFilter(b);
        return b.Build();
    }();
    return &info;
}

TRSPrintParams* DefaultPrintParams() { return DefaultParams<TRSPrintParams>().get(); }
void InitPrintParams() { StartDefaultParams<TRSPrintParams>(); }
void DonePrintParams() { StopDefaultParams<TRSPrintParams>(); }

}  // namespace report_support
