#include "report/tool/PagesCommands.h"

#include <QBuffer>
#include <QImage>

#include <ostream>

#include "platform/core/ByteOrder.h"
#include "platform/core/DateUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/ReplacingFile.h"
#include "report/tool/ToolText.h"
#include "report/pages/BRPageStream.h"
#include "report/pages/BRTextSearch.h"
#include "report/pages/SamplePage.h"

namespace report::tool {
namespace {

constexpr const char* kUsage =
    "usage: report-tool pages info FILE\n"
    "       report-tool pages extract FILE N OUT.emf\n"
    "       report-tool pages render FILE N OUT.png [--dpi D]\n"
    "       report-tool pages code < PLAIN > PAYLOAD\n"
    "       report-tool pages decode < PAYLOAD > PLAIN\n"
    "       report-tool pages synth --pages N [--compress] [--memory-limit BYTES] OUT\n"
    "       report-tool pages find FILE TEXT [--match-case]\n";

int usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

// A whole number from an argument; false when it is none or out of [lo, hi].
bool whole(const std::string& text, long long lo, long long hi, long long& value) {
    try {
        size_t used = 0;
        value = std::stoll(text, &used);
        return used == text.size() && value >= lo && value <= hi;
    } catch (const std::exception&) {
        return false;
    }
}

std::unique_ptr<TMetafile> stored_page(TBRPageList& list, const std::string& file, const std::string& number) {
    list.OpenStoredPages(file);
    long long n = 0;
    if (!whole(number, 1, list.PageCount(), n))
        throw EConvertError(Format("Page %s is not in 1..%d", {number, list.PageCount()}));
    return list.ReadPage(int(n));
}

// Standard input coded to standard output as a coded payload. The plain
// size comes first: a file's size, or, from a pipe, what was read whole.
void code_stdin() {
    THandleStream in(0), out(1);
    int64_t size = in.Seek(0, soEnd), start = size >= 0 ? in.Seek(0, soBeginning) : -1;
    if (size < 0 || start != 0) {
        // Not a file: read it all first.
        TMemoryStream all;
        all.CopyFrom(in, 0);
        size = all.Size();
        if (size > INT32_MAX) throw EWriteError("Page stream is full");
        uint8_t prefix[4];
        core::put_le32(prefix, uint32_t(size));
        out.WriteBuffer(prefix, 4);
        TBRCompress coder(out, true);
        coder.EncodeSymbols(all.Bytes());
        coder.Flush();
        return;
    }
    if (size > INT32_MAX) throw EWriteError("Page stream is full");
    uint8_t prefix[4];
    core::put_le32(prefix, uint32_t(size));
    out.WriteBuffer(prefix, 4);
    TBRCompress coder(out, true);
    std::vector<uint8_t> chunk(1 << 20);
    for (int64_t left = size; left > 0;) {
        int64_t got = in.Read(chunk.data(), std::min<int64_t>(left, int64_t(chunk.size())));
        if (got <= 0) throw EReadError("Stream read error");
        coder.EncodeSymbols(std::span(chunk.data(), size_t(got)));
        left -= got;
    }
    coder.Flush();
}

// A coded payload on standard input decoded to standard output.
void decode_stdin() {
    THandleStream in(0), out(1);
    uint8_t prefix[4];
    in.ReadBuffer(prefix, 4);
    int32_t size = int32_t(core::get_le32(prefix));
    if (size < 0) throw EReadError("Stream read error");
    TBRCompress decoder(in, false);
    std::vector<uint8_t> chunk(1 << 20);
    for (int64_t left = size; left > 0;) {
        size_t n = size_t(std::min<int64_t>(left, int64_t(chunk.size())));
        decoder.DecodeSymbols(std::span(chunk.data(), n));
        out.WriteBuffer(chunk.data(), int64_t(n));
        left -= int64_t(n);
    }
}

int info(const std::string& file, std::ostream& out) {
    TBRPageList list;
    list.OpenStoredPages(file);
    TBRStream& s = *list.PageStream();
    out << "header: " << list.HeaderSize() << " bytes\n"
        << "created: " << FormatDateTime("yyyy-mm-dd hh:nn:ss", list.CreatedAt()) << '\n'
        << "compressed: " << (list.Compression() ? "yes" : "no") << '\n'
        << "pages: " << list.PageCount() << '\n';
    for (int n = 1; n <= list.PageCount(); ++n) {
        list.SeekToPage(n);
        int64_t at = s.Position();
        uint8_t link[8];
        s.ReadBuffer(link, 8);
        int64_t next = int32_t(core::get_le32(&link[4]));
        s.SetPosition(at);
        auto page = list.ReadPage(n);
        out << "page " << n << ": record at " << at << ", " << next - at << " bytes; metafile "
            << page->Bytes().size() << " bytes; " << page->PageWidth() << " x " << page->PageHeight()
            << " pixels\n";
    }
    return 0;
}

int synth(const std::vector<std::string>& args, std::ostream& err) {
    long long pages = -1, limit = 16 << 20;
    bool compress = false;
    std::string target;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--pages" && i + 1 < args.size()) {
            if (!whole(args[++i], 0, 100000, pages)) return usage(err);
        } else if (args[i] == "--memory-limit" && i + 1 < args.size()) {
            if (!whole(args[++i], 0, INT32_MAX, limit)) return usage(err);
        } else if (args[i] == "--compress") {
            compress = true;
        } else if (target.empty() && !args[i].starts_with("--")) {
            target = args[i];
        } else {
            return usage(err);
        }
    }
    if (pages < 0 || target.empty()) return usage(err);
    graphics::qt::GraphicsScope qt;
    TBRPageList list;
    list.SetPageStream(std::make_unique<TBRStream>(int32_t(limit)));
    list.SetCompression(compress);
    for (int n = 1; n <= pages; ++n) {
        TMetafile page;
        report::sample_page(page, n);
        list.AppendPage(page);
    }
    list.FinishPageStreamHeader();
    list.SaveStoredPages(target);
    return 0;
}

}  // namespace

int pages_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return usage(err);
    const std::string& cmd = args[0];
    if (cmd == "info" && args.size() == 2) return info(args[1], out);
    if (cmd == "extract" && args.size() == 4) {
        os::refuse_output_over_inputs(args[3], {args[1]});
        if (wrong_output_format(args[3], {"emf"}, err)) return 2;
        TBRPageList list;
        auto page = stored_page(list, args[1], args[2]);
        std::vector<uint8_t> bytes = page->Bytes();
        os::write_file(args[3], std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return 0;
    }
    if (cmd == "render" && (args.size() == 4 || (args.size() == 6 && args[4] == "--dpi"))) {
        long long dpi = 96;
        if (args.size() == 6 && !whole(args[5], 1, 2400, dpi)) return usage(err);
        os::refuse_output_over_inputs(args[3], {args[1]});
        if (wrong_output_format(args[3], {"png"}, err)) return 2;
        graphics::qt::GraphicsScope qt;
        TBRPageList list;
        auto page = stored_page(list, args[1], args[2]);
        QImage image = graphics::qt::render_metafile(*page, double(dpi));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) throw EWriteError("Stream write error");
        os::write_file(args[3], std::string_view(png.constData(), size_t(png.size())));
        return 0;
    }
    if ((cmd == "code" || cmd == "decode") && args.size() == 1)
        os::refuse_output_over_inputs("/dev/stdout", {"/dev/stdin"});
    if (cmd == "code" && args.size() == 1) {
        code_stdin();
        return 0;
    }
    if (cmd == "decode" && args.size() == 1) {
        decode_stdin();
        return 0;
    }
    if (cmd == "synth") return synth(args, err);
    if (cmd == "find" && (args.size() == 3 || (args.size() == 4 && args[3] == "--match-case"))) {
        // The numbers of the pages whose text records hold the text, one a line.
        TBRPageList list;
        list.OpenStoredPages(args[1]);
        for (int n = 1; n <= list.PageCount(); ++n)
            if (FindTextInPage(args[2], *list.ReadPage(n), args.size() == 4)) out << n << '\n';
        return out.good() ? 0 : 1;
    }
    return usage(err);
}

}  // namespace report::tool
