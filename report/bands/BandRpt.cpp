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

void InitReportDefaults(int num_colors) {
    SelectDesignColorScheme(num_colors);
    SetImperialMeasure(os::locale_uses_us_measure(os::measurement_locale_name()));
    register_report_classes();
}

void register_report_classes() { RegisterClasses(report_classes()); }

void FinalizeReportDefaults() {
    for (TClass cls : report_classes()) UnRegisterClass(cls);
}

}  // namespace report
