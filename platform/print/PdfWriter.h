#pragma once
// The PDF document of a print job, written straight from the job's drawing:
// metafile pages walked record by record (platform/graphics/MetafileWalk.h)
// and direct drawing on the job's canvas, in the order they come. Text stays
// text: each font variant used is one composite font (Identity-H, glyph ids
// of the font Qt resolves for the layout's family, widths and a ToUnicode
// map), embedded as a TrueType subset; characters the font lacks come from
// Qt's fallback font, embedded the same way. Page contents and images are
// Flate streams, written in order as each page ends (its contents compressed
// on worker threads meanwhile; a few pages wait at most), so memory stays
// flat over long documents; fonts and the cross-reference table follow at
// the end.
//
// Coordinates are device pixels (Dpi a inch) with the canvas's origin at
// (OffsetX, OffsetY) of the sheet.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"

namespace print {

struct PdfSetup {
    std::string Title;                         // the document information's Title
    double WidthPt = 595.28, HeightPt = 841.89;  // the sheet as it stands
    int Dpi = 600;
    int OffsetX = 0, OffsetY = 0;
    // Threads that compress page contents while the next pages are drawn
    // (-1: from the processors this process may use; 0: none, each page is
    // compressed as it ends). The document's bytes are the same either way.
    int Threads = -1;
};

class PdfWriter {
public:
    // The document's bytes go to out as they are made; the writer does not
    // look at how the writes went (the caller keeps the first failure).
    using Output = std::function<void(const char* data, std::size_t size)>;
    PdfWriter(Output out, PdfSetup setup);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // The open page's canvas (the same object for every page).
    TCanvas& Canvas();
    // Draws a recorded page into dest (device pixels) of the open page.
    void DrawMetafile(const TMetafile& page, const TRect& dest);
    // Ends the open page and opens the next.
    void NewPage();
    // Ends the open page and the document; nothing can be drawn afterwards.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace print
