#include "platform/print/Printers.h"

#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"
#include "platform/os/SignalCleanup.h"
#include "platform/print/PdfWriter.h"

#include <QPageSize>

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace print {
namespace {

using graphics::DestinationInfo;
using graphics::JobSettings;

// Paper-source codes and the IPP media-source keywords that stand for them,
// in order of preference.
struct SourceName {
    int code;
    const char* keyword;
};
constexpr SourceName kSources[] = {
    {DMBIN_AUTO, "auto"},          {DMBIN_UPPER, "main"},         {DMBIN_UPPER, "top"},
    {DMBIN_UPPER, "tray-1"},       {DMBIN_LOWER, "bottom"},       {DMBIN_LOWER, "tray-2"},
    {DMBIN_MIDDLE, "middle"},      {DMBIN_MANUAL, "manual"},      {DMBIN_ENVELOPE, "envelope"},
    {DMBIN_ENVMANUAL, "by-pass-tray"}, {DMBIN_TRACTOR, "continuous"}, {DMBIN_LARGECAPACITY, "large-capacity"},
    {DMBIN_CASSETTE, "tray-3"},
};

// The code of a source keyword, 0 when no code names it.
int source_code(const std::string& keyword) {
    for (const SourceName& s : kSources)
        if (keyword == s.keyword) return s.code;
    return 0;
}

// How long a printer may keep an answer (or the room to send) waiting
// before it counts as unreachable: one that takes the connection and never
// answers would otherwise hold a tool for minutes.
constexpr int kAnswerSeconds = 10;

// A CUPS destination and its connection, freed together.
struct Dest {
    cups_dest_t* dest = nullptr;
    int count = 0;  // >0: dest is an array from cupsGetDests of this length
    http_t* http = nullptr;
    cups_dinfo_t* info = nullptr;
    bool timed_out = false;  // the printer let kAnswerSeconds pass
    Dest() = default;
    Dest(const Dest&) = delete;
    Dest& operator=(const Dest&) = delete;
    ~Dest() {
        if (info) cupsFreeDestInfo(info);
        if (http) httpClose(http);
        if (dest) cupsFreeDests(count > 0 ? count : 1, dest);
    }
};

// Looks a destination up by name (or URI) and connects to it; false when
// there is no such destination.
bool open_dest(const std::string& name, Dest& d) {
    if (is_printer_uri(name)) {
        d.dest = cupsGetDestWithURI(name.c_str(), name.c_str());
        if (!d.dest) return false;
        char resource[1024];
        d.http = cupsConnectDest(d.dest, CUPS_DEST_FLAGS_DEVICE, 10000, nullptr, resource, sizeof resource,
                                 nullptr, nullptr);
    } else {
        std::string base = name, instance;
        if (auto slash = name.find('/'); slash != std::string::npos) {
            base = name.substr(0, slash);
            instance = name.substr(slash + 1);
        }
        d.dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, base.c_str(), instance.empty() ? nullptr : instance.c_str());
        if (!d.dest) return false;
        char resource[1024];
        d.http = cupsConnectDest(d.dest, CUPS_DEST_FLAGS_NONE, 10000, nullptr, resource, sizeof resource, nullptr,
                                 nullptr);
    }
    if (d.http) {
        httpSetTimeout(
            d.http, kAnswerSeconds,
            [](http_t*, void* data) {
                static_cast<Dest*>(data)->timed_out = true;
                return 0;  // give up
            },
            &d);
        d.info = cupsCopyDestInfo(d.http, d.dest);
    }
    return true;
}

// Why a destination could not be used, for a message: CUPS's own reason
// when it has one, not its "Success" for a wait that ended.
std::string unreachable_reason(const Dest& d) {
    if (d.timed_out) return "no answer within " + std::to_string(kAnswerSeconds) + " seconds";
    const char* why = cupsLastErrorString();
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING && why && *why) return why;
    if (!d.http) return errno != 0 ? std::strerror(errno) : "cannot connect";
    return "no answer";
}

std::vector<std::string> supported_values(Dest& d, const char* option) {
    std::vector<std::string> out;
    if (!d.info) return out;
    ipp_attribute_t* a = cupsFindDestSupported(d.http, d.dest, d.info, option);
    for (int i = 0; a && i < ippGetCount(a); ++i) {
        if (ippGetValueTag(a) == IPP_TAG_ENUM || ippGetValueTag(a) == IPP_TAG_INTEGER)
            out.push_back(std::to_string(ippGetInteger(a, i)));
        else if (const char* s = ippGetString(a, i, nullptr))
            out.push_back(s);
    }
    return out;
}

std::string default_value(Dest& d, const char* option) {
    if (!d.info) return {};
    ipp_attribute_t* a = cupsFindDestDefault(d.http, d.dest, d.info, option);
    if (!a || ippGetCount(a) < 1) return {};
    if (ippGetValueTag(a) == IPP_TAG_ENUM || ippGetValueTag(a) == IPP_TAG_INTEGER)
        return std::to_string(ippGetInteger(a, 0));
    const char* s = ippGetString(a, 0, nullptr);
    return s ? s : "";
}

bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Describes a connected destination.
DestinationInfo describe(const std::string& name, Dest& d, std::span<const graphics::PaperSizeRow> papers) {
    DestinationInfo info;
    info.Name = name;
    info.IsDefault = d.dest->is_default != 0;
    if (const char* model = cupsGetOption("printer-make-and-model", d.dest->num_options, d.dest->options))
        info.Driver = model;
    if (const char* uri = cupsGetOption("device-uri", d.dest->num_options, d.dest->options)) info.Port = uri;
    else if (const char* puri = cupsGetOption("printer-uri-supported", d.dest->num_options, d.dest->options))
        info.Port = puri;
    info.DpiX = info.DpiY = 600;
    TDeviceMode& m = info.Defaults;
    if (!d.info) return info;

    // Papers, each size once.
    const int count = cupsGetDestMediaCount(d.http, d.dest, d.info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(d.http, d.dest, d.info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
        graphics::MediaInfo media{size.media, 0, size.width / 100.0, size.length / 100.0,
                                  size.left / 100.0, size.top / 100.0, size.right / 100.0, size.bottom / 100.0};
        const bool seen = std::any_of(info.Media.begin(), info.Media.end(), [&](const graphics::MediaInfo& o) {
            return o.WidthMM == media.WidthMM && o.HeightMM == media.HeightMM;
        });
        if (seen) continue;
        media.Code = graphics::match_paper(papers, media.WidthMM, media.HeightMM);
        info.Media.push_back(std::move(media));
    }
    if (!info.Media.empty()) {
        m.Fields |= DM_PAPERSIZE;
        cups_size_t size;
        if (cupsGetDestMediaDefault(d.http, d.dest, d.info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
            m.PaperSize = graphics::match_paper(papers, size.width / 100.0, size.length / 100.0);
            m.PaperWidth = size.width / 10;
            m.PaperLength = size.length / 10;
        }
    }

    // Sources.
    int user = 0;
    for (const std::string& s : supported_values(d, "media-source")) {
        const int code = source_code(s);
        info.Sources.push_back({s, code != 0 ? code : DMBIN_USER + user++});
    }
    if (!info.Sources.empty()) {
        m.Fields |= DM_DEFAULTSOURCE;
        const std::string def = default_value(d, "media-source");
        m.DefaultSource = info.Sources.front().Code;
        for (const graphics::SourceInfo& s : info.Sources)
            if (s.Name == (def.empty() ? "auto" : def)) m.DefaultSource = s.Code;
    }

    if (cupsFindDestSupported(d.http, d.dest, d.info, "copies")) {
        m.Fields |= DM_COPIES;
        const std::string def = default_value(d, "copies");
        m.Copies = def.empty() ? 1 : std::max(1, std::atoi(def.c_str()));
    }
    const auto sides = supported_values(d, "sides");
    if (contains(sides, "two-sided-long-edge") || contains(sides, "two-sided-short-edge")) {
        m.Fields |= DM_DUPLEX;
        const std::string def = default_value(d, "sides");
        m.Duplex = def == "two-sided-long-edge" ? DMDUP_VERTICAL
                   : def == "two-sided-short-edge" ? DMDUP_HORIZONTAL
                                                   : DMDUP_SIMPLEX;
    }
    if (contains(supported_values(d, "orientation-requested"), std::to_string(IPP_ORIENT_LANDSCAPE)))
        m.Fields |= DM_ORIENTATION;
    const auto colors = supported_values(d, "print-color-mode");
    if (!colors.empty()) {
        m.Fields |= DM_COLOR;
        m.Color = default_value(d, "print-color-mode") == "color" ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    }
    if (!supported_values(d, "print-quality").empty()) m.Fields |= DM_PRINTQUALITY;
    if (contains(supported_values(d, "multiple-document-handling"), "separate-documents-collated-copies"))
        m.Fields |= DM_COLLATE;

    // Resolution: the default one, else the first supported.
    ipp_attribute_t* res = cupsFindDestDefault(d.http, d.dest, d.info, "printer-resolution");
    if (!res) res = cupsFindDestSupported(d.http, d.dest, d.info, "printer-resolution");
    if (res && ippGetValueTag(res) == IPP_TAG_RESOLUTION) {
        int y = 0;
        ipp_res_t units;
        const int x = ippGetResolution(res, 0, &y, &units);
        const double scale = units == IPP_RES_PER_CM ? 2.54 : 1.0;
        info.DpiX = int(x * scale + 0.5);
        info.DpiY = int(y * scale + 0.5);
        m.Fields |= DM_PRINTQUALITY;
    }
    return info;
}

// ---------------------------------------------------------------- jobs

// The PDF's bytes on their way into a stream. The PDF writer does not look
// at what a write answers, so the first failure is kept here and the job
// asks for it when the document is done.
class PdfSink {
public:
    explicit PdfSink(TStream& out) : out_(out) {}
    void write(const char* data, std::size_t len) {
        if (error_ || len == 0) return;
        if (out_.Write(data, std::int64_t(len)) != std::int64_t(len)) error_ = out_.LastError() ? out_.LastError() : EIO;
    }
    // Raises EWriteError ("Disk full" when the file system is full) when a write failed.
    void check() const {
        if (error_ == ENOSPC || error_ == EDQUOT || error_ == EFBIG) throw EWriteError("Disk full");
        if (error_) throw EWriteError("Stream write error");
    }

private:
    TStream& out_;
    int error_ = 0;
};

class CupsJob : public graphics::DeviceJob {
public:
    CupsJob(const DestinationInfo* destination, const JobSettings& settings)
        : settings_(settings), destination_(destination ? std::optional(*destination) : std::nullopt) {
        graphics::qt::ensure_gui_application();
        // A PDF for a file replaces it only when whole; one for a printer
        // goes into a temporary file, sent and removed.
        if (settings.OutputFile.empty()) {
            path_ = os::create_temp_file("print", os::temp_dir());
            cleanup_.assign(path_);
        }
        file_.emplace(settings.OutputFile.empty() ? path_ : settings.OutputFile);
        sink_ = std::make_unique<PdfSink>(file_->stream());
        PdfSetup setup;
        setup.Title = settings.Title;
        // The sheet in whole points, a known paper's own size when it is
        // within a point of one; a sheet wider than high is its upright
        // size turned.
        const bool landscape = settings.PageWidthMM > settings.PageHeightMM;
        const QSizeF upright = landscape ? QSizeF(settings.PageHeightMM, settings.PageWidthMM)
                                         : QSizeF(settings.PageWidthMM, settings.PageHeightMM);
        const QSize points = QPageSize(upright, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch).sizePoints();
        setup.WidthPt = landscape ? points.height() : points.width();
        setup.HeightPt = landscape ? points.width() : points.height();
        setup.Dpi = settings.Dpi > 0 ? settings.Dpi : 600;
        // The canvas starts at the printable area's corner, as a printer's does.
        setup.OffsetX = settings.OffsetX;
        setup.OffsetY = settings.OffsetY;
        PdfSink* sink = sink_.get();
        writer_ = std::make_unique<PdfWriter>([sink](const char* data, std::size_t len) { sink->write(data, len); },
                                              std::move(setup));
    }
    ~CupsJob() override {
        if (!done_) Abort();
        remove_spool();
    }

    TCanvas& Canvas() override { return writer_->Canvas(); }
    void DrawMetafile(const TMetafile& page, const TRect& dest) override { writer_->DrawMetafile(page, dest); }
    void NewPage() override { writer_->NewPage(); }
    void Finish() override;
    void Abort() override {
        done_ = true;
        writer_.reset();
        file_.reset();
        remove_spool();
    }

private:
    void remove_spool() {
        if (!path_.empty()) os::remove_file(path_);
        path_.clear();
        cleanup_.reset();
    }
    void submit();

    JobSettings settings_;
    std::optional<DestinationInfo> destination_;
    std::string path_;   // the PDF for a printer
    os::SignalCleanupPath cleanup_;
    std::optional<os::ReplacingFile> file_;
    std::unique_ptr<PdfSink> sink_;
    std::unique_ptr<PdfWriter> writer_;
    bool done_ = false;
};

void CupsJob::Finish() {
    done_ = true;
    writer_->Finish();
    writer_.reset();
    sink_->check();
    file_->commit();
    if (path_.empty()) return;
    submit();
    remove_spool();
}

void CupsJob::submit() {
    if (!destination_) throw EPrinter("No printer selected");
    Dest d;
    errno = 0;
    if (!open_dest(destination_->Name, d) || !d.http || !d.info)
        throw EPrinter("Printer \"" + destination_->Name + "\" cannot be reached: " + unreachable_reason(d));
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : job_options(*destination_, settings_))
        count = cupsAddOption(name.c_str(), value.c_str(), count, &options);
    // A printer that is busy with another job takes the next one when it is
    // done: ask again for a while before giving up.
    int job_id = 0;
    ipp_status_t created = IPP_STATUS_OK;
    for (int attempt = 0;; ++attempt) {
        created = cupsCreateDestJob(d.http, d.dest, d.info, &job_id, settings_.Title.c_str(), count, options);
        if (created != IPP_STATUS_ERROR_BUSY || attempt >= 120) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    cupsFreeOptions(count, options);
    if (d.timed_out)
        throw EPrinter("Printer \"" + destination_->Name + "\" cannot be reached: " + unreachable_reason(d));
    if (created > IPP_STATUS_OK_CONFLICTING || job_id <= 0)
        throw EPrinter("Printer \"" + destination_->Name + "\" refused the job: " + cupsLastErrorString());
    bool ok = cupsStartDestDocument(d.http, d.dest, d.info, job_id, settings_.Title.c_str(), CUPS_FORMAT_PDF, 0,
                                    nullptr, 1) == HTTP_STATUS_CONTINUE;
    std::ifstream in(path_, std::ios::binary);
    char buffer[65536];
    while (ok && in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0)
            ok = cupsWriteRequestData(d.http, buffer, std::size_t(in.gcount())) == HTTP_STATUS_CONTINUE;
    }
    const ipp_status_t finished = cupsFinishDestDocument(d.http, d.dest, d.info);
    if (!ok || finished > IPP_STATUS_OK_CONFLICTING) {
        const std::string why = d.timed_out ? unreachable_reason(d) : cupsLastErrorString();
        cupsCancelDestJob(d.http, d.dest, job_id);
        throw EPrinter("Printer \"" + destination_->Name + "\" refused the job: " + why);
    }
}

}  // namespace

bool is_printer_uri(const std::string& name) {
    return name.rfind("ipp://", 0) == 0 || name.rfind("ipps://", 0) == 0;
}

std::vector<std::pair<std::string, std::string>> job_options(const DestinationInfo& destination,
                                                             const JobSettings& settings) {
    std::vector<std::pair<std::string, std::string>> out;
    const TDeviceMode& m = settings.Mode;
    const std::uint32_t supported = destination.Defaults.Fields;
    if ((supported & DM_COPIES) && m.Copies > 0) out.emplace_back("copies", std::to_string(m.Copies));
    if (supported & DM_DUPLEX)
        out.emplace_back("sides", m.Duplex == DMDUP_VERTICAL     ? "two-sided-long-edge"
                                  : m.Duplex == DMDUP_HORIZONTAL ? "two-sided-short-edge"
                                                                 : "one-sided");
    if ((supported & DM_COLOR) && (m.Color == DMCOLOR_COLOR || m.Color == DMCOLOR_MONOCHROME))
        out.emplace_back("print-color-mode", m.Color == DMCOLOR_COLOR ? "color" : "monochrome");
    if (supported & DM_PRINTQUALITY) {
        if (m.PrintQuality > 0) out.emplace_back("printer-resolution", std::to_string(m.PrintQuality) + "dpi");
        else if (m.PrintQuality == DMRES_DRAFT || m.PrintQuality == DMRES_LOW) out.emplace_back("print-quality", "3");
        else if (m.PrintQuality == DMRES_MEDIUM) out.emplace_back("print-quality", "4");
        else if (m.PrintQuality == DMRES_HIGH) out.emplace_back("print-quality", "5");
    }
    if ((supported & DM_PAPERSIZE) && !settings.MediaName.empty()) out.emplace_back("media", settings.MediaName);
    if ((supported & DM_DEFAULTSOURCE) && !settings.SourceName.empty())
        out.emplace_back("media-source", settings.SourceName);
    if ((supported & DM_COLLATE) && m.Collate == DMCOLLATE_TRUE && m.Copies > 1)
        out.emplace_back("multiple-document-handling", "separate-documents-collated-copies");
    return out;
}

CupsPrintDevice::CupsPrintDevice(std::vector<std::string> uris) : uris_(std::move(uris)) {}

std::vector<DestinationInfo> CupsPrintDevice::Destinations(std::span<const graphics::PaperSizeRow> papers) {
    std::vector<std::string> names;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        std::string name = dests[i].name;
        if (dests[i].instance) name += std::string("/") + dests[i].instance;
        names.push_back(std::move(name));
    }
    cupsFreeDests(count, dests);
    for (const std::string& uri : uris_)
        if (!contains(names, uri)) names.push_back(uri);

    std::vector<DestinationInfo> out;
    for (const std::string& name : names) {
        Dest d;
        if (!open_dest(name, d)) continue;
        out.push_back(describe(name, d, papers));
    }
    return out;
}

std::unique_ptr<graphics::DeviceJob> CupsPrintDevice::StartJob(const DestinationInfo* destination,
                                                               const JobSettings& settings) {
    return std::make_unique<CupsJob>(destination, settings);
}

namespace {
std::unique_ptr<CupsPrintDevice> installed_device;
}

void install_cups_print_device() {
    if (!installed_device) installed_device = std::make_unique<CupsPrintDevice>();
    graphics::print_device_slot.install(installed_device.get());
}

void remove_cups_print_device() {
    if (graphics::print_device_slot.get() == installed_device.get()) graphics::print_device_slot.install(nullptr);
    installed_device.reset();
}

}  // namespace print
