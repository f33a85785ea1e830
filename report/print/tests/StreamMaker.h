#pragma once
// Page streams for the print tests: every page says "Page N" in large
// letters inside a frame, with a diagonal line, on the paper asked for.

#include <string>

#include "report/print/BRPrnSu.h"

namespace report::testing {

// Writes a stream of pages pages to file (needs the Qt font engine).
void make_stream(const std::string& file, int pages, TBRPaperSize size, TPrinterOrientation orientation,
                 bool compress = false);

}  // namespace report::testing
