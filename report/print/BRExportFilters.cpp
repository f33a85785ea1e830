#include "report/print/BRExportFilters.h"

#include "report/print/BRPrntr.h"

std::string TBRExportFilterLibrary::SaveDialogFilterText() const {
    const std::string ext(report::PageStreamExtension);
    std::string text = "BandReport file(*." + ext + ")|*." + ext;
    for (const auto& entry : filters_)
        text += "|" + entry.Description + " (*." + entry.Extension + ")|*." + entry.Extension;
    return text;
}

bool TBRExportFilterLibrary::SaveWithFilter(TBRPrinter& printer, int filterIndex, const std::string& fileName) const {
    if (filterIndex == 1) {
        printer.SavePageStreamFile(fileName);
        return true;
    }
    if (filterIndex < 2 || std::size_t(filterIndex - 2) >= filters_.size()) return false;
    const auto& entry = filters_[std::size_t(filterIndex - 2)];
    if (!entry.FilterClass) return false;
    std::unique_ptr<TObject> filter = entry.FilterClass(fileName);
    printer.CallExportHook(filter.get());
    return true;
}
