#include "report/print/BRHyperlinks.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/os/Desktop.h"
#include "report/print/BRExportFilters.h"

namespace report {

namespace {

std::mutex handlers_mutex;
std::vector<TBRHyperlinkSourceRecord>& handlers() {
    static std::vector<TBRHyperlinkSourceRecord> list;
    return list;
}

int startup_count = 0;
std::unique_ptr<TBRExportFilterLibrary> filter_library;

bool has_prefix_any_case(const std::string& link, std::string_view prefix) {
    if (link.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = link[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c != prefix[i]) return false;
    }
    return true;
}

void open_target(TBRPrinter* printer, const std::string& target) {
    // An empty target names nothing to open.
    if (target.empty()) return;
    if (auto opener = hyperlink_opener_slot.get()) {
        opener(printer, target);
        return;
    }
    os::open_with_desktop(target);
}

}  // namespace

void RegisterHyperlinkHandler(const std::string& prefix, TBRHyperlinkHandler handler, void* userData) {
    std::lock_guard lock(handlers_mutex);
    handlers().push_back({prefix, std::move(handler), userData});
}

void UnregisterHyperlinkHandler(const std::string& prefix) {
    std::lock_guard lock(handlers_mutex);
    std::erase_if(handlers(), [&](const TBRHyperlinkSourceRecord& r) { return r.Prefix == prefix; });
}

void ClearHyperlinkHandlers() {
    std::lock_guard lock(handlers_mutex);
    handlers().clear();
}

void DonePrinterEngine() {
    if (startup_count == 0 || --startup_count > 0) return;
    filter_library.reset();
    ClearHyperlinkHandlers();
}

TBRExportFilterLibrary* ExportFilterLibrary() { return filter_library.get(); }

}  // namespace report

bool FindHyperlinkHandler(const std::string& link, TBRPrinter* printer) {
    TBRHyperlinkSourceRecord found;
    {
        std::lock_guard lock(report::handlers_mutex);
        for (const auto& record : report::handlers()) {
            if (link.compare(0, record.Prefix.size(), record.Prefix) == 0 && link.size() >= record.Prefix.size()) {
                found = record;
                break;
            }
        }
    }
    // Called outside the lock: a handler may register or remove handlers.
    if (!found.Handler) return false;
    found.Handler(found.UserData, printer, link.substr(found.Prefix.size()));
    return true;
}

void FollowHyperlink(TBRPrinter* printer, const std::string& link) {
    if (report::has_prefix_any_case(link, "EXT:")) {
        report::open_target(printer, link.substr(4));
    } else if (report::has_prefix_any_case(link, "INT:")) {
        FindHyperlinkHandler(link.substr(4), printer);
    } else if (!FindHyperlinkHandler(link, printer)) {
        report::open_target(printer, link);
    }
}

int TextPosition(const std::string& text, const std::string& within) {
    if (text.empty()) return 0;
    const auto at = within.find(text);
    return at == std::string::npos ? 0 : int(at) + 1;
}

void InitPrinterEngine() {
    if (report::startup_count++ > 0) return;
    report::ClearHyperlinkHandlers();
    report::filter_library = std::make_unique<TBRExportFilterLibrary>();
}
