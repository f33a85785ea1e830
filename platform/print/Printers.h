#pragma once
// The CUPS print device. Destinations are CUPS's own (cupsGetDests, in its
// order, which names the printer index), followed by printers given by IPP
// URI (ipp://host:port/path), which need no CUPS server and are named by
// their URI. A job is a PDF made page by page by PdfWriter, submitted to
// the destination with its title as the job name and the job's settings as
// IPP options, or kept in a file. With no CUPS server and no URI there are no
// destinations.

#include <string>
#include <vector>

#include "platform/graphics/Printers.h"

namespace print {

class CupsPrintDevice : public graphics::PrintDevice {
public:
    explicit CupsPrintDevice(std::vector<std::string> uris = {});
    std::vector<graphics::DestinationInfo> Destinations(std::span<const graphics::PaperSizeRow> papers) override;
    std::unique_ptr<graphics::DeviceJob> StartJob(const graphics::DestinationInfo* destination,
                                                  const graphics::JobSettings& settings) override;

private:
    std::vector<std::string> uris_;
};

// True for a printer named by an IPP URI rather than a CUPS destination name.
bool is_printer_uri(const std::string& name);

// The IPP options a job is submitted with, as name=value pairs in a fixed
// order (copies, sides, print-color-mode, print-quality or
// printer-resolution, media, media-source, multiple-document-handling); only
// settings the destination supports are sent.
std::vector<std::pair<std::string, std::string>> job_options(const graphics::DestinationInfo& destination,
                                                             const graphics::JobSettings& settings);

// Installs the CUPS device for the process (the UI's start-up calls it) and
// takes it out again.
void install_cups_print_device();
void remove_cups_print_device();

}  // namespace print
