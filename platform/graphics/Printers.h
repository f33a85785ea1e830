#pragma once
// Printers: the print device (what destinations exist, what each offers, and
// jobs drawn page by page), and TPrinter, the printer object of the class
// library over it. The device is an interface: platform/ui installs the CUPS
// one at start-up, tests install a fake. With no device installed there are
// no printers, and a job can still be written to a PDF file only by a device.
//
// Device settings travel in TDeviceMode, a device-mode block whose field mask
// says which settings the destination supports (the DM_* bits below).
// Paper codes are the caller's: a destination's media are matched by their
// dimensions against a table of sizes the caller hands over.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/ServiceSlot.h"
#include "platform/core/SysUtils.h"
#include "platform/graphics/Graphics.h"

class TCanvas;
class TMetafile;

// Field bits of TDeviceMode::Fields.
constexpr std::uint32_t DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
                        DM_COPIES = 0x100, DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400, DM_COLOR = 0x800,
                        DM_DUPLEX = 0x1000, DM_COLLATE = 0x8000;
// Values of the fields.
constexpr int DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2;
constexpr int DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3;
constexpr int DMCOLOR_MONOCHROME = 1, DMCOLOR_COLOR = 2;
constexpr int DMCOLLATE_FALSE = 0, DMCOLLATE_TRUE = 1;
constexpr int DMRES_DRAFT = -1, DMRES_LOW = -2, DMRES_MEDIUM = -3, DMRES_HIGH = -4;

// The orientation of a page: the one type of the band page, the printer
// settings and the print parameters; device_orientation and
// orientation_of_device map it to and from the device mode's value.
enum TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

// Paper sources (DefaultSource); sources no code names get DMBIN_USER + n.
constexpr int DMBIN_UPPER = 1, DMBIN_LOWER = 2, DMBIN_MIDDLE = 3, DMBIN_MANUAL = 4, DMBIN_ENVELOPE = 5,
              DMBIN_ENVMANUAL = 6, DMBIN_AUTO = 7, DMBIN_TRACTOR = 8, DMBIN_SMALLFMT = 9, DMBIN_LARGEFMT = 10,
              DMBIN_LARGECAPACITY = 11, DMBIN_CASSETTE = 14, DMBIN_USER = 256;
// The paper code of a size given in PaperWidth and PaperLength.
constexpr int DMPAPER_USER = 256;

// A destination's settings. Lengths in 0.1 mm.
struct TDeviceMode {
    std::uint32_t Fields = 0;
    int Orientation = DMORIENT_PORTRAIT;
    int PaperSize = 0;
    int PaperLength = 0;
    int PaperWidth = 0;
    int Copies = 1;
    int DefaultSource = 0;
    int PrintQuality = 0;
    int Color = 0;
    int Duplex = DMDUP_SIMPLEX;
    int Collate = DMCOLLATE_FALSE;
};

// A failure of the print device or of a job ("Printer is not currently
// printing", "Printing in progress", a destination that refused the job).
TAMBLERO_EXCEPTION(EPrinter, Exception)

namespace graphics {

// poPortrait is DMORIENT_PORTRAIT, poLandscape DMORIENT_LANDSCAPE; a device
// value other than DMORIENT_LANDSCAPE reads as portrait.
constexpr int device_orientation(TPrinterOrientation o) {
    return o == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}
constexpr TPrinterOrientation orientation_of_device(int value) {
    return value == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

// One row of a caller's paper table: its code and size in millimetres.
struct PaperSizeRow {
    int Code = 0;
    double WidthMM = 0, HeightMM = 0;
};

// The code of the first row within a millimetre of width x height (as given,
// not turned), 0 when none.
int match_paper(std::span<const PaperSizeRow> table, double width_mm, double height_mm);

// A paper a destination offers.
struct MediaInfo {
    std::string Name;        // the destination's own name for it
    int Code = 0;            // the caller's code (match_paper), 0 when none
    double WidthMM = 0, HeightMM = 0;
    double LeftMM = 0, TopMM = 0, RightMM = 0, BottomMM = 0;  // unprintable margins
};

// A paper source a destination offers.
struct SourceInfo {
    std::string Name;        // the destination's own name for it
    int Code = 0;            // DMBIN_* (DMBIN_USER + n for sources no code names)
};

// A destination as the device describes it.
struct DestinationInfo {
    std::string Name;        // unique within the device, any length
    std::string Driver;      // make and model
    std::string Port;        // where jobs go (a URI)
    bool IsDefault = false;
    std::vector<MediaInfo> Media;
    std::vector<SourceInfo> Sources;
    // Defaults; Fields lists the settings the destination supports.
    TDeviceMode Defaults;
    int DpiX = 0, DpiY = 0;  // 0 when the destination does not say
};

// What a job is printed with.
struct JobSettings {
    std::string Title;
    TDeviceMode Mode;
    double PageWidthMM = 0, PageHeightMM = 0;  // as the pages stand (orientation applied)
    std::string MediaName;   // the destination's paper, empty when none matches
    std::string SourceName;  // the destination's source, empty for its default
    int Dpi = 600;           // device pixels per inch of the pages' canvas
    // Where the canvas's origin lies on the sheet, in device pixels: the
    // corner of the printable area (0, 0 for a file).
    int OffsetX = 0, OffsetY = 0;
    std::string OutputFile;  // not empty: the document is kept in this file, nothing is submitted
};

// A job being drawn: pages in device pixels (Dpi), the first page open from
// the start.
class DeviceJob {
public:
    virtual ~DeviceJob() = default;
    // The canvas of the open page.
    virtual TCanvas& Canvas() = 0;
    // Draws a recorded page into dest (device pixels) of the open page.
    virtual void DrawMetafile(const TMetafile& page, const TRect& dest) = 0;
    // Ends the open page and opens the next.
    virtual void NewPage() = 0;
    // Ends the document and submits it (or keeps it in the output file).
    virtual void Finish() = 0;
    // Discards the document: nothing is submitted, no file is left.
    virtual void Abort() = 0;
};

class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // The destinations in a stable order (the printer index), media matched
    // against papers.
    virtual std::vector<DestinationInfo> Destinations(std::span<const PaperSizeRow> papers) = 0;
    // Starts a job on a destination (nullptr with settings.OutputFile: a file only).
    virtual std::unique_ptr<DeviceJob> StartJob(const DestinationInfo* destination, const JobSettings& settings) = 0;
};

// The process's device (nullptr: none, no printers); the caller keeps it alive.
inline core::ServiceSlot<PrintDevice*> print_device_slot;
PrintDevice* print_device();

}  // namespace graphics

// The printer object: the destinations of a device, the one selected with
// its device mode, and the job being printed on it.
class TPrinter {
public:
    // device nullptr: the installed one. papers: the caller's paper table.
    explicit TPrinter(graphics::PrintDevice* device = nullptr, std::vector<graphics::PaperSizeRow> papers = {});
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Reads the destinations again (media matched against papers).
    void Refresh(std::vector<graphics::PaperSizeRow> papers);
    const std::vector<graphics::PaperSizeRow>& Papers() const { return papers_; }
    // The destinations' names, in device order.
    std::vector<std::string> Printers() const;
    int PrinterCount() const { return int(destinations_.size()); }
    const graphics::DestinationInfo* Destination() const;
    // The selected destination: the default one at first (-1 when none).
    int PrinterIndex() const { return index_; }
    // Selects a destination and its default device mode; -1 selects the
    // default destination. EPrinter "Printer index out of range" outside the
    // list (and for -1 with no destination).
    void SetPrinterIndex(int index);

    // The selected destination's names; empty without one.
    std::string Device() const;
    std::string Driver() const;
    std::string Port() const;
    // The device mode of the selected destination (with no destination, of
    // the file a job is written to; its Fields are then empty).
    TDeviceMode* DevMode() { return &mode_; }
    // Puts the destination's defaults back.
    void ResetDevMode();

    // Device capabilities under the current device mode. Pixels per inch
    // (600 for a file without a destination); the paper as it stands
    // (orientation applied) and its unprintable offsets, in device pixels.
    int PixelsPerInchX() const;
    int PixelsPerInchY() const;
    int PhysicalWidth() const;
    int PhysicalHeight() const;
    int PhysicalOffsetX() const;
    int PhysicalOffsetY() const;
    // The caller's codes of the papers the destination offers (each once);
    // empty without a destination.
    std::vector<int> PaperCodes() const;

    // Jobs. Title names the job; OutputFile, when set, keeps the document
    // in that file instead of submitting it (no destination needed).
    std::string Title;
    std::string OutputFile;
    // EPrinter "Printing in progress" while a job runs; EPrinter "No printer
    // selected" without a destination or output file.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return job_ != nullptr; }
    bool Aborted() const { return aborted_; }
    int PageNumber() const { return page_number_; }
    // The open page's canvas (EPrinter "Printer is not currently printing"
    // outside a job).
    TCanvas& Canvas();
    // Draws a recorded page into dest on the open page.
    void DrawMetafile(const TMetafile& page, const TRect& dest);

private:
    const graphics::MediaInfo* current_media() const;
    int default_index() const;
    double paper_mm(bool width) const;
    graphics::DeviceJob& job();

    graphics::PrintDevice* device_;
    std::vector<graphics::PaperSizeRow> papers_;
    std::vector<graphics::DestinationInfo> destinations_;
    int index_ = -1;
    TDeviceMode mode_;
    std::unique_ptr<graphics::DeviceJob> job_;
    bool aborted_ = false;
    int page_number_ = 0;
};

// The application's printer, over the device installed when it is first
// asked for; FreePrinter() drops it (the next call makes a new one).
TPrinter& Printer();
void FreePrinter();
