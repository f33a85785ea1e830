#include "report/print/BRPrnSu.h"
#include "report/print/tests/FakeDevice.h"

#include <gtest/gtest.h>

#include "platform/core/ClassInfo.h"

using namespace report;
using report::testing::FakeDevice;
using report::testing::office_printer;

namespace {

// A printer on a fake device with one destination whose defaults the test sets.
struct Bench {
    FakeDevice device;
    std::unique_ptr<TPrinter> printer;
    TPrinterSettings settings;

    explicit Bench(graphics::DestinationInfo d = office_printer()) {
        device.destinations = {std::move(d)};
        printer = std::make_unique<TPrinter>(&device, DevicePaperTable());
        settings.SetPrinter(printer.get());
    }
};

graphics::DestinationInfo with_defaults(void (*change)(graphics::DestinationInfo&)) {
    graphics::DestinationInfo d = office_printer();
    change(d);
    return d;
}

}  // namespace

TEST(PrinterSettings, DefaultsWithoutAPrinter) {
    TPrinterSettings s;
    EXPECT_EQ(s.PaperSize(), TBRPaperSize::A4);
    EXPECT_EQ(s.MemoryLimit, 250000);
    EXPECT_EQ(s.Copies(), 0);
    EXPECT_EQ(s.Orientation(), poPortrait);
    EXPECT_FALSE(s.UseStandardPrinter);
    EXPECT_EQ(s.PaperWidth(), 2100);
    EXPECT_EQ(s.PaperLength(), 2970);
    EXPECT_FALSE(s.HasDevModeField(DM_COPIES));
}

// What the device's default source, paper and duplex codes read back as.
TEST(PrinterSettings, ReadingTheDevice) {
    struct Case {
        const char* what;
        int source, paper, duplex;
        TBRBin bin;
        TBRPaperSize size;
        bool is_duplex;
    } cases[] = {
        {"source 1 is First, not Upper", 1, 9, 1, TBRBin::First, TBRPaperSize::A4, false},
        {"source 14 is Cassette", 14, 9, 1, TBRBin::Cassette, TBRPaperSize::A4, false},
        {"a code no size has is Default", 7, 300, 1, TBRBin::Auto, TBRPaperSize::Default, false},
        {"the user code is Custom", 7, 256, 2, TBRBin::Auto, TBRPaperSize::Custom, true},
        {"duplex 3", 7, 1, 3, TBRBin::Auto, TBRPaperSize::Letter, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        graphics::DestinationInfo d = office_printer();
        d.Defaults.DefaultSource = c.source;
        d.Defaults.PaperSize = c.paper;
        d.Defaults.Duplex = c.duplex;
        Bench b(d);
        EXPECT_EQ(b.settings.OutputBin(), c.bin);
        EXPECT_EQ(b.settings.PaperSize(), c.size);
        EXPECT_EQ(b.settings.Duplex(), c.is_duplex);
        EXPECT_EQ(b.settings.ExtendedDuplex, c.duplex);
    }
}

TEST(PrinterSettings, ReadsNamesResolutionOffsetsAndPaper) {
    graphics::DestinationInfo d = office_printer(std::string(3000, 'p'));  // no length limit on names
    d.Defaults.Copies = 3;
    Bench b(d);
    EXPECT_EQ(b.settings.Device, std::string(3000, 'p'));
    EXPECT_EQ(b.settings.Driver, "Test Printer");
    EXPECT_EQ(b.settings.Port, "ipp://localhost/ipp/print");
    EXPECT_EQ(b.settings.PixelsPerX(), 600);
    EXPECT_EQ(b.settings.PixelsPerY(), 600);
    EXPECT_EQ(b.settings.Copies(), 3);
    EXPECT_EQ(b.settings.LeftOffset(), 40);  // 4 mm margins
    EXPECT_EQ(b.settings.TopOffset(), 40);
    EXPECT_EQ(b.settings.PaperSize(), TBRPaperSize::A4);
    EXPECT_TRUE(b.settings.PaperSupported(TBRPaperSize::Letter));
    EXPECT_TRUE(b.settings.PaperSupported(TBRPaperSize::A3));
    EXPECT_FALSE(b.settings.PaperSupported(TBRPaperSize::A5));
    EXPECT_TRUE(b.settings.PaperSupported(TBRPaperSize::Custom));
}

// Without the copies field the device reads as one copy.
TEST(PrinterSettings, FieldsTheDeviceDoesNotList) {
    Bench b(with_defaults([](graphics::DestinationInfo& d) {
        d.Defaults.Fields = DM_ORIENTATION;
        d.Defaults.Copies = 5;
        d.Defaults.DefaultSource = 14;
    }));
    EXPECT_EQ(b.settings.Copies(), 1);
    EXPECT_EQ(b.settings.OutputBin(), TBRBin::First);
    EXPECT_EQ(b.settings.PaperSize(), TBRPaperSize::Default);
    EXPECT_FALSE(b.settings.SetCopies(2));
    EXPECT_FALSE(b.settings.SetDuplex(true));
    EXPECT_FALSE(b.settings.SetOutputBin(TBRBin::Manual));
    EXPECT_EQ(b.settings.Copies(), 1);
    EXPECT_TRUE(b.settings.SetOrientation(poLandscape));
}

// A device reporting no pixels per inch gives zero offsets and paper, not a
// division by zero.
TEST(PrinterSettings, ZeroPixelsPerInch) {
    Bench b(with_defaults([](graphics::DestinationInfo& d) { d.DpiX = d.DpiY = 0; }));
    EXPECT_EQ(b.settings.PixelsPerX(), 0);
    EXPECT_EQ(b.settings.LeftOffset(), 0);
    EXPECT_EQ(b.settings.TopOffset(), 0);
    EXPECT_EQ(b.settings.PaperSize(), TBRPaperSize::A4);
    EXPECT_EQ(b.settings.PaperWidth(), 2100);
}

TEST(PrinterSettings, CheckedSetters) {
    Bench b;
    EXPECT_FALSE(b.settings.SetPaperSize(TBRPaperSize::A5));  // not offered
    EXPECT_EQ(b.settings.PaperSize(), TBRPaperSize::A4);
    EXPECT_TRUE(b.settings.SetPaperSize(TBRPaperSize::A3));
    EXPECT_EQ(b.settings.PaperSize(), TBRPaperSize::A3);
    EXPECT_TRUE(b.settings.SetPaperSize(TBRPaperSize::Default));  // always taken
    EXPECT_TRUE(b.settings.SetPaperSize(TBRPaperSize::Custom));   // the list was read
    EXPECT_TRUE(b.settings.SetCopies(4));
    EXPECT_EQ(b.settings.Copies(), 4);
    EXPECT_TRUE(b.settings.SetOutputBin(TBRBin::Manual));
    EXPECT_EQ(b.settings.OutputBin(), TBRBin::Manual);
}

// With no printer at all, orientation and paper size are kept and reported
// as set, so a landscape or Letter report is not laid out as A4 portrait.
TEST(PrinterSettings, WithoutAnyPrinterOrientationAndPaperAreStored) {
    FakeDevice none;
    TPrinter printer(&none, DevicePaperTable());
    TPrinterSettings s;
    s.SetPrinter(&printer);
    EXPECT_TRUE(s.SetOrientation(poLandscape));
    EXPECT_EQ(s.Orientation(), poLandscape);
    EXPECT_TRUE(s.SetPaperSize(TBRPaperSize::Letter));
    EXPECT_EQ(s.PaperSize(), TBRPaperSize::Letter);
    EXPECT_EQ(s.PaperWidth(), 2159);
    EXPECT_EQ(s.PaperLength(), 2794);
    TPrinterSettings alone;
    EXPECT_TRUE(alone.SetPaperSize(TBRPaperSize::A3));
    EXPECT_TRUE(alone.SetOrientation(poLandscape));
}

TEST(PrinterSettings, ApplyingToTheDevice) {
    struct Case {
        const char* what;
        bool duplex;
        int extended;
        int written;
    } cases[] = {
        {"Duplex alone writes 3", true, 0, 3},
        {"ExtendedDuplex wins", false, 2, 2},
        {"ExtendedDuplex wins over Duplex", true, 2, 2},
        {"simplex", false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b(with_defaults([](graphics::DestinationInfo& d) { d.Defaults.Duplex = 1; }));
        b.settings.SetDuplex(c.duplex);
        b.settings.ExtendedDuplex = c.extended;
        b.settings.ApplyToDevice();
        EXPECT_EQ(b.printer->DevMode()->Duplex, c.written);
    }
}

TEST(PrinterSettings, ApplyWritesPaperCopiesSourceAndOrientation) {
    Bench b(with_defaults([](graphics::DestinationInfo& d) { d.Defaults.PaperSize = 1; }));
    ASSERT_TRUE(b.settings.SetPaperSize(TBRPaperSize::A4));
    b.settings.SetCopies(2);
    b.settings.SetOrientation(poLandscape);
    b.settings.SetOutputBin(TBRBin::Manual);
    b.settings.Collate = 1;
    b.settings.ApplyToDevice();
    const TDeviceMode& m = *b.printer->DevMode();
    EXPECT_EQ(m.PaperWidth, 2100);
    EXPECT_EQ(m.PaperLength, 2970);
    EXPECT_EQ(m.PaperSize, 9);
    EXPECT_EQ(m.Copies, 2);
    EXPECT_EQ(m.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(m.DefaultSource, DMBIN_MANUAL);
    EXPECT_EQ(m.Collate, 1);
    EXPECT_TRUE(m.Fields & DM_PAPERWIDTH);
    // Default leaves the device's paper code; custom codes replace the table's.
    b.settings.SetPaperSize(TBRPaperSize::Default);
    b.printer->DevMode()->PaperSize = 5;
    b.settings.ApplyToDevice();
    EXPECT_EQ(b.printer->DevMode()->PaperSize, 5);
    b.settings.SetPaperSize(TBRPaperSize::A3);
    b.settings.UseCustomPaperCode = true;
    b.settings.CustomPaperCode = 123;
    b.settings.UseCustomBinCode = true;
    b.settings.CustomBinCode = 260;
    b.settings.ApplyToDevice();
    EXPECT_EQ(b.printer->DevMode()->PaperSize, 123);
    EXPECT_EQ(b.printer->DevMode()->DefaultSource, 260);
}

TEST(PrinterSettings, HooksCanCancel) {
    Bench b;
    b.settings.SetCopies(2);
    b.settings.OnApplyPrinterSettings = [](TObject*, bool& cancel, TDeviceMode* mode) {
        EXPECT_EQ(mode->Copies, 2);
        cancel = true;
    };
    b.settings.ApplyToDevice();
    EXPECT_EQ(b.printer->DevMode()->Copies, 1);

    b.device.destinations[0].Name = "renamed";
    b.device.destinations[0].Defaults.Copies = 7;
    b.printer->Refresh(DevicePaperTable());
    b.settings.OnGetPrinterSettings = [](TObject* sender, bool& cancel, TDeviceMode* mode) {
        EXPECT_NE(sender, nullptr);
        EXPECT_EQ(mode->Copies, 7);
        cancel = true;
    };
    b.settings.LoadFromDevice();
    EXPECT_EQ(b.settings.Device, "renamed");  // the names are read before the hook
    EXPECT_EQ(b.settings.Copies(), 2);
}

// The read hook works on the printer's device mode itself: what it changes
// is what the settings read and what the printer keeps, and a cancelled
// read keeps the settings while the printer keeps the hook's change.
TEST(PrinterSettings, ReadHookChangesTheDeviceModeItself) {
    struct Case {
        const char* what;
        bool cancel;
        std::int32_t settings_copies;
        TBRPaperSize settings_paper;
    } cases[] = {
        {"taken", false, 4, TBRPaperSize::A3},
        {"cancelled", true, 1, TBRPaperSize::A4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b;
        ASSERT_EQ(b.settings.Copies(), 1);
        b.settings.OnGetPrinterSettings = [&](TObject*, bool& cancel, TDeviceMode* mode) {
            EXPECT_EQ(mode, b.printer->DevMode());
            mode->Copies = 4;
            mode->PaperSize = 8;
            cancel = c.cancel;
        };
        b.settings.LoadFromDevice();
        EXPECT_EQ(b.settings.Copies(), c.settings_copies);
        EXPECT_EQ(b.settings.PaperSize(), c.settings_paper);
        EXPECT_EQ(b.printer->DevMode()->Copies, 4);
        EXPECT_EQ(b.printer->DevMode()->PaperSize, 8);
    }
}

TEST(BandReportPrinterSettings, DefaultsAndPublishedProperties) {
    TBandReportPrinterSettings s;
    EXPECT_EQ(s.Copies, 1);
    EXPECT_EQ(s.OutputBin, TBRBin::Auto);
    EXPECT_EQ(s.PaperSize, TBRPaperSize::Letter);
    EXPECT_EQ(s.PrinterIndex, -1);
    EXPECT_EQ(s.MemoryLimit, 250000);

    RegisterPrinterSettingsClasses();
    TClass cls = GetClass("tbandreportprintersettings");
    ASSERT_NE(cls, nullptr);
    std::vector<std::string> names;
    for (const core::PropInfo* p : cls->AllProperties()) names.push_back(p->name);
    const std::vector<std::string> expected = {"Copies", "OutputBin", "Duplex", "FirstPage", "LastPage",
                                               "UseStandardprinter", "UseCustomBinCode", "CustomBinCode",
                                               "ExtendedDuplex", "UseCustomPaperCode", "CustomPaperCode",
                                               "PrintMetaFile", "MemoryLimit", "PrintQuality", "Collate",
                                               "ColorOption"};
    EXPECT_EQ(names, expected);
    const core::PropInfo* bin = cls->AllProperties()[1];
    core::set_property(s, "OutputBin", core::enum_value(*bin, "Cassette"));
    EXPECT_EQ(s.OutputBin, TBRBin::Cassette);
    core::set_property(s, "Copies", std::int64_t(3));
    TBandReportPrinterSettings copy;
    copy.Assign(&s);
    EXPECT_EQ(copy.Copies, 3);
    EXPECT_EQ(copy.OutputBin, TBRBin::Cassette);
    UnregisterPrinterSettingsClasses();
    EXPECT_EQ(GetClass("TBandReportPrinterSettings"), nullptr);
}
