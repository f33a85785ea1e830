#include "report/print/BRPrnSu.h"

#include <cmath>

#include "platform/core/ClassBuilder.h"
#include "platform/core/HostServices.h"

namespace report {

std::vector<graphics::PaperSizeRow> DevicePaperTable() {
    std::vector<graphics::PaperSizeRow> rows;
    for (const PaperRow& row : PaperRows)
        if (HasPaperDimension(row.Size)) rows.push_back({row.Code, row.Width, row.Height});
    return rows;
}

namespace {
// value / per * 254, 0 when the device reports no pixels per inch.
std::int32_t pixels_to_native(int value, int per) { return per > 0 ? RoundEven(double(value) / per * 254.0) : 0; }
}  // namespace

}  // namespace report

using namespace report;

// ---------------------------------------------------------------- TPrinterSettings

TPrinterSettings::TPrinterSettings() = default;

void TPrinterSettings::SetPrinter(TPrinter* printer) {
    printer_ = printer;
    if (printer_ && printer_->PrinterCount() > 0) LoadFromDevice();
}

bool TPrinterSettings::has_printer() const { return printer_ != nullptr && printer_->Destination() != nullptr; }

void TPrinterSettings::LoadFromDevice() {
    if (!has_printer()) return;
    core::host().ProcessMessages();
    Device = printer_->Device();
    Driver = printer_->Driver();
    Port = printer_->Port();
    // The hook works on the printer's own device mode: what it changes
    // stays with the printer and is what the settings read.
    TDeviceMode& mode = *printer_->DevMode();
    bool cancel = false;
    OnGetPrinterSettings(this, cancel, &mode);
    if (cancel) return;
    const std::uint32_t f = mode.Fields;
    pixels_x_ = printer_->PixelsPerInchX();
    pixels_y_ = printer_->PixelsPerInchY();
    copies_ = (f & DM_COPIES) ? mode.Copies : 1;
    output_bin_ = TBRBin::First;
    if (f & DM_DEFAULTSOURCE)
        for (const BinRow& row : BinRows)
            if (row.Code == mode.DefaultSource) {
                output_bin_ = row.Bin;
                break;
            }
    if (f & DM_DUPLEX) {
        duplex_ = mode.Duplex != DMDUP_SIMPLEX;
        ExtendedDuplex = mode.Duplex;
    }
    left_offset_ = pixels_to_native(printer_->PhysicalOffsetX(), pixels_x_);
    top_offset_ = pixels_to_native(printer_->PhysicalOffsetY(), pixels_y_);
    paper_size_ = TBRPaperSize::Default;
    if (f & DM_PAPERSIZE)
        for (const PaperRow& row : PaperRows)
            if (row.Code == mode.PaperSize) {
                paper_size_ = row.Size;
                break;
            }
    paper_width_ = pixels_to_native(printer_->PhysicalWidth(), pixels_x_);
    paper_length_ = pixels_to_native(printer_->PhysicalHeight(), pixels_y_);
    supported_.fill(false);
    for (int code : printer_->PaperCodes())
        for (int i = 1; i <= 68; ++i)
            if (report::PaperCodeTable[std::size_t(i)] == code) {
                supported_[std::size_t(i)] = true;
                break;
            }
    supported_read_ = true;
    PrintQuality = mode.PrintQuality;
    Collate = mode.Collate;
    ColorOption = mode.Color;
}

void TPrinterSettings::ApplyToDevice() {
    if (!printer_) return;
    TDeviceMode mode = *printer_->DevMode();
    mode.Fields |= DM_PAPERLENGTH;
    mode.PaperLength = PaperLength();
    mode.Fields |= DM_PAPERWIDTH;
    mode.PaperWidth = PaperWidth();
    if ((mode.Fields & DM_PAPERSIZE) && paper_size_ != TBRPaperSize::Default)
        mode.PaperSize = UseCustomPaperCode ? CustomPaperCode : report::PaperCodeTable[std::size_t(paper_size_)];
    mode.Fields |= DM_COPIES;
    mode.Copies = copies_;
    mode.Fields |= DM_DUPLEX;
    mode.Duplex = ExtendedDuplex != 0 ? ExtendedDuplex : duplex_ ? DMDUP_HORIZONTAL : DMDUP_SIMPLEX;
    mode.Fields |= DM_DEFAULTSOURCE;
    mode.DefaultSource = UseCustomBinCode ? CustomBinCode : report::BinCodeTable[std::size_t(output_bin_)];
    mode.Fields |= DM_ORIENTATION;
    mode.Orientation = graphics::device_orientation(orientation_);
    mode.Collate = Collate;
    mode.PrintQuality = PrintQuality;
    mode.Color = ColorOption;
    bool cancel = false;
    OnApplyPrinterSettings(this, cancel, &mode);
    if (!cancel) *printer_->DevMode() = mode;
}

std::int32_t TPrinterSettings::PaperWidth() const {
    if (!HasPaperDimension(paper_size_)) return paper_width_;
    return RoundEven(PaperDimensionTable[std::size_t(paper_size_)].Width * 10);
}

std::int32_t TPrinterSettings::PaperLength() const {
    if (!HasPaperDimension(paper_size_)) return paper_length_;
    return RoundEven(PaperDimensionTable[std::size_t(paper_size_)].Height * 10);
}

bool TPrinterSettings::HasDevModeField(std::uint32_t mask) const {
    if (!has_printer()) return false;
    return (printer_->DevMode()->Fields & mask) == mask;
}

bool TPrinterSettings::SetCopies(std::int32_t value) {
    if (!HasDevModeField(DM_COPIES)) return false;
    copies_ = value;
    return true;
}

bool TPrinterSettings::SetOrientation(TPrinterOrientation value) {
    if (has_printer() && !HasDevModeField(DM_ORIENTATION)) return false;
    orientation_ = value;
    return true;
}

bool TPrinterSettings::SetDuplex(bool value) {
    if (!HasDevModeField(DM_DUPLEX)) return false;
    duplex_ = value;
    return true;
}

bool TPrinterSettings::SetOutputBin(TBRBin value) {
    if (!HasDevModeField(DM_DEFAULTSOURCE)) return false;
    output_bin_ = value;
    return true;
}

bool TPrinterSettings::PaperSupported(TBRPaperSize value) const {
    if (value == TBRPaperSize::Custom) return supported_read_;
    return HasPaperDimension(value) && supported_[std::size_t(value)];
}

bool TPrinterSettings::SetPaperSize(TBRPaperSize value) {
    if (value != TBRPaperSize::Default && has_printer() && !PaperSupported(value)) return false;
    paper_size_ = value;
    return true;
}

// ---------------------------------------------------------------- TBRPrinterSettings

void TBRPrinterSettings::Assign(const TPersistent* source) {
    if (auto* s = dynamic_cast<const TBRPrinterSettings*>(source)) {
        Copies = s->Copies;
        Duplex = s->Duplex;
        Orientation = s->Orientation;
        OutputBin = s->OutputBin;
        PaperSize = s->PaperSize;
        PrinterIndex = s->PrinterIndex;
        Title = s->Title;
        FirstPage = s->FirstPage;
        LastPage = s->LastPage;
        UseStandardprinter = s->UseStandardprinter;
        ExtendedDuplex = s->ExtendedDuplex;
        MemoryLimit = s->MemoryLimit;
        PrintQuality = s->PrintQuality;
        Collate = s->Collate;
        ColorOption = s->ColorOption;
        UseCustomBinCode = s->UseCustomBinCode;
        CustomBinCode = s->CustomBinCode;
        UseCustomPaperCode = s->UseCustomPaperCode;
        CustomPaperCode = s->CustomPaperCode;
        PrintMetaFile = s->PrintMetaFile;
        return;
    }
    TPersistent::Assign(source);
}

TClass TBRPrinterSettings::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRPrinterSettings, TPersistent>("TBRPrinterSettings").Build();
    return &info;
}

TClass TBandReportPrinterSettings::StaticClass() {
    using T = TBandReportPrinterSettings;
    static const TClassInfo info = [] {
        std::vector<std::string> bins;
        for (const BinRow& row : BinRows) bins.emplace_back(row.Ident);
        core::ClassBuilder<T, TBRPrinterSettings> b("TBandReportPrinterSettings");
        b.Integer("Copies", &T::Copies, &T::Copies).Default(1)
            .Enum("OutputBin", bins, &T::OutputBin, &T::OutputBin).Default(int(TBRBin::Auto))
            .Bool("Duplex", &T::Duplex, &T::Duplex)
            .Integer("FirstPage", &T::FirstPage, &T::FirstPage)
            .Integer("LastPage", &T::LastPage, &T::LastPage)
            .Bool("UseStandardprinter", &T::UseStandardprinter, &T::UseStandardprinter)
            .Bool("UseCustomBinCode", &T::UseCustomBinCode, &T::UseCustomBinCode)
            .Integer("CustomBinCode", &T::CustomBinCode, &T::CustomBinCode)
            .Integer("ExtendedDuplex", &T::ExtendedDuplex, &T::ExtendedDuplex)
            .Bool("UseCustomPaperCode", &T::UseCustomPaperCode, &T::UseCustomPaperCode)
            .Integer("CustomPaperCode", &T::CustomPaperCode, &T::CustomPaperCode)
            .Bool("PrintMetaFile", &T::PrintMetaFile, &T::PrintMetaFile)
            .Integer("MemoryLimit", &T::MemoryLimit, &T::MemoryLimit).Default(250000)
            .Integer("PrintQuality", &T::PrintQuality, &T::PrintQuality)
            .Integer("Collate", &T::Collate, &T::Collate)
            .Integer("ColorOption", &T::ColorOption, &T::ColorOption);
        return b.Build();
    }();
    return &info;
}

namespace report {

void RegisterPrinterSettingsClasses() {
    RegisterClasses({TBRPrinterSettings::StaticClass(), TBandReportPrinterSettings::StaticClass()});
}

void UnregisterPrinterSettingsClasses() {
    UnRegisterClass(TBandReportPrinterSettings::StaticClass());
    UnRegisterClass(TBRPrinterSettings::StaticClass());
}

}  // namespace report
