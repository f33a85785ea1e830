#pragma once
// A generated demonstration page: text, lines and shapes that differ from
// page to page, on an A4 page of the 96-dpi device. `report-tool pages synth`
// writes streams of them; tests of page streams, players and previews draw
// them.

class TCanvas;
class TMetafile;

namespace report {

constexpr int kSamplePageWidth = 794, kSamplePageHeight = 1123;
// Page n recorded into `page` (its size set); the font engine must be installed.
void sample_page(TMetafile& page, int n);
// Page n drawn on a canvas.
void draw_sample_page(TCanvas& canvas, int n);

}  // namespace report
