#include "report/print/tests/FakeDevice.h"

#include "platform/graphics/Metafile.h"

namespace report::testing {
namespace {

class FakeJob : public graphics::DeviceJob {
public:
    explicit FakeJob(std::shared_ptr<JobLog> log) : log_(std::move(log)), bitmap_(8, 8), canvas_(bitmap_) {}
    TCanvas& Canvas() override { return canvas_; }
    void DrawMetafile(const TMetafile& page, const TRect& dest) override {
        log_->pages.back().push_back(dest);
        log_->page_sizes.back().emplace_back(page.PageWidth(), page.PageHeight());
    }
    void NewPage() override {
        log_->pages.emplace_back();
        log_->page_sizes.emplace_back();
    }
    void Finish() override { log_->finished = true; }
    void Abort() override { log_->aborted = true; }

private:
    std::shared_ptr<JobLog> log_;
    TBitmap bitmap_;
    TBitmapCanvas canvas_;
};

}  // namespace

std::unique_ptr<graphics::DeviceJob> FakeDevice::StartJob(const graphics::DestinationInfo* destination,
                                                          const graphics::JobSettings& settings) {
    auto log = std::make_shared<JobLog>();
    log->destination = destination;
    log->settings = settings;
    jobs.push_back(log);
    return std::make_unique<FakeJob>(log);
}

graphics::DestinationInfo office_printer(const std::string& name) {
    graphics::DestinationInfo d;
    d.Name = name;
    d.Driver = "Test Printer";
    d.Port = "ipp://localhost/ipp/print";
    d.IsDefault = true;
    d.Media = {{"na_letter_8.5x11in", 0, 215.9, 279.4, 4, 4, 4, 4},
               {"iso_a4_210x297mm", 0, 210, 297, 4, 4, 4, 4},
               {"iso_a3_297x420mm", 0, 297, 420, 4, 4, 4, 4}};
    d.Sources = {{"main", DMBIN_UPPER}, {"manual", DMBIN_MANUAL}, {"auto", DMBIN_AUTO}};
    d.Defaults.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_DUPLEX | DM_COLOR |
                        DM_PRINTQUALITY | DM_COLLATE;
    d.Defaults.PaperSize = 9;
    d.Defaults.DefaultSource = DMBIN_AUTO;
    d.DpiX = d.DpiY = 600;
    return d;
}

}  // namespace report::testing
