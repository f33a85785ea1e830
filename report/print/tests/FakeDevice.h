#pragma once
// A print device for tests: destinations as the test describes them, and
// jobs that record what was drawn instead of printing.

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Printers.h"

namespace report::testing {

// What one job did.
struct JobLog {
    const graphics::DestinationInfo* destination = nullptr;  // nullptr: a file
    graphics::JobSettings settings;
    // One entry per page; each holds the rectangles of the pages drawn on it.
    std::vector<std::vector<TRect>> pages{1};
    // The size (page pixels) of each recorded page drawn, page by page.
    std::vector<std::vector<std::pair<int, int>>> page_sizes{1};
    bool finished = false;
    bool aborted = false;
};

class FakeDevice : public graphics::PrintDevice {
public:
    std::vector<graphics::DestinationInfo> destinations;
    std::vector<std::shared_ptr<JobLog>> jobs;

    std::vector<graphics::DestinationInfo> Destinations(std::span<const graphics::PaperSizeRow> papers) override {
        std::vector<graphics::DestinationInfo> out = destinations;
        for (auto& d : out)
            for (auto& m : d.Media)
                if (m.Code == 0) m.Code = graphics::match_paper(papers, m.WidthMM, m.HeightMM);
        return out;
    }
    std::unique_ptr<graphics::DeviceJob> StartJob(const graphics::DestinationInfo* destination,
                                                   const graphics::JobSettings& settings) override;
};

// A destination offering Letter, A4 and A3 at 600 dpi with 4 mm margins,
// sources main, manual and auto, every device-mode field, A4 portrait by default.
graphics::DestinationInfo office_printer(const std::string& name = "office");

}  // namespace report::testing
