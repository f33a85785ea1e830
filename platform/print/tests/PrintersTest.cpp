#include "platform/print/Printers.h"

#include <gtest/gtest.h>

using graphics::DestinationInfo;
using graphics::JobSettings;
using Options = std::vector<std::pair<std::string, std::string>>;

namespace {

DestinationInfo supporting(std::uint32_t fields) {
    DestinationInfo d;
    d.Name = "p";
    d.Defaults.Fields = fields;
    return d;
}

JobSettings job(void (*change)(JobSettings&)) {
    JobSettings s;
    s.Mode.Copies = 1;
    change(s);
    return s;
}

}  // namespace

// The job's settings as IPP options, only those the destination supports.
TEST(JobOptions, SettingsBecomeIppOptions) {
    const std::uint32_t all = DM_COPIES | DM_DUPLEX | DM_COLOR | DM_PRINTQUALITY | DM_PAPERSIZE | DM_DEFAULTSOURCE |
                              DM_COLLATE;
    struct Case {
        const char* what;
        std::uint32_t fields;
        JobSettings settings;
        Options options;
    } cases[] = {
        {"simplex, one copy", all, job([](JobSettings&) {}), {{"copies", "1"}, {"sides", "one-sided"}}},
        {"long edge", all, job([](JobSettings& s) { s.Mode.Duplex = DMDUP_VERTICAL; }),
         {{"copies", "1"}, {"sides", "two-sided-long-edge"}}},
        {"short edge, collated copies", all,
         job([](JobSettings& s) {
             s.Mode.Duplex = DMDUP_HORIZONTAL;
             s.Mode.Copies = 3;
             s.Mode.Collate = DMCOLLATE_TRUE;
         }),
         {{"copies", "3"}, {"sides", "two-sided-short-edge"},
          {"multiple-document-handling", "separate-documents-collated-copies"}}},
        {"colour, draft, paper and source", all,
         job([](JobSettings& s) {
             s.Mode.Color = DMCOLOR_COLOR;
             s.Mode.PrintQuality = DMRES_DRAFT;
             s.MediaName = "iso_a4_210x297mm";
             s.SourceName = "manual";
         }),
         {{"copies", "1"}, {"sides", "one-sided"}, {"print-color-mode", "color"}, {"print-quality", "3"},
          {"media", "iso_a4_210x297mm"}, {"media-source", "manual"}}},
        {"monochrome, high", all,
         job([](JobSettings& s) {
             s.Mode.Color = DMCOLOR_MONOCHROME;
             s.Mode.PrintQuality = DMRES_HIGH;
         }),
         {{"copies", "1"}, {"sides", "one-sided"}, {"print-color-mode", "monochrome"}, {"print-quality", "5"}}},
        {"a resolution in dots per inch", all, job([](JobSettings& s) { s.Mode.PrintQuality = 300; }),
         {{"copies", "1"}, {"sides", "one-sided"}, {"printer-resolution", "300dpi"}}},
        {"a destination without duplex or copies", DM_PAPERSIZE,
         job([](JobSettings& s) {
             s.Mode.Duplex = DMDUP_VERTICAL;
             s.Mode.Copies = 2;
             s.MediaName = "na_letter_8.5x11in";
         }),
         {{"media", "na_letter_8.5x11in"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(print::job_options(supporting(c.fields), c.settings), c.options);
    }
}

TEST(JobOptions, PrinterUris) {
    EXPECT_TRUE(print::is_printer_uri("ipp://localhost:631/ipp/print"));
    EXPECT_TRUE(print::is_printer_uri("ipps://printer.example/ipp/print"));
    EXPECT_FALSE(print::is_printer_uri("office"));
    EXPECT_FALSE(print::is_printer_uri("http://x"));
}
