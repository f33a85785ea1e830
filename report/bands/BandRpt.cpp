#include "report/bands/BandRpt.h"

#include "platform/os/Locale.h"

namespace report {

namespace {
std::initializer_list<TClass> report_classes() {
    static const std::initializer_list<TClass> classes = {TBRBand::StaticClass(),      TBRChildBand::StaticClass(),
                                                          TBRSubDetail::StaticClass(), TBRGroup::StaticClass(),
                                                          TBandReport::StaticClass(),
                                                          TCustomBandReport::StaticClass()};
    return classes;
}
}  // namespace

void register_report_classes() { RegisterClasses(report_classes()); }

}  // namespace report

void InitReportDefaults(int num_colors) {
    SelectDesignColorScheme(num_colors);
    report::SetImperialMeasure(os::locale_uses_us_measure(os::measurement_locale_name()));
    report::register_report_classes();
}

void FinalizeReportDefaults() {
    for (TClass cls : report::report_classes()) UnRegisterClass(cls);
}
