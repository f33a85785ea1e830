#pragma once
// Colour reduction: turns a bitmap of any pixel format into a BMP image of a
// lower pixel format held in a memory stream, for the GIF writer.
//
// Reduction methods for an 8-bit target:
//   0  histogram of exact colours (colour precision dropped until at most
//      2049 colours remain), the 256 most frequent become the palette
//   1  median cut over a 4-4-4 bit colour histogram, up to 256 boxes
//   2  fixed palette of 224 colours (7 red, 8 green, 4 blue levels)
//   3  fixed palette of 216 colours (6 levels per channel)
//   4  interleaved red, green and blue ramps of 64 entries each
//   5  grayscale, entry i = (i, i, i)

#include <memory>
#include <string>

#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"

// Returns a new memory stream, positioned at 0, holding a BMP file of the
// target format:
//  - a bitmap already of the target format is saved as it is, unless method 5
//    is asked for;
//  - 1 and 4 bits: the platform's conversion (graphics::dib_bits), no method;
//  - 8 bits: the work image is reduced by `method` (0 to 5); the colour table
//    always has 256 entries and the colours-used field is the number of boxes
//    for method 1, 224 for method 2, 216 for method 3 and 0 for the others.
// A null or empty bitmap raises EInvalidGraphic "Bitmap image is not valid".
// Any other target (24 and 32 bits included) or a method outside 0 to 5 goes
// to ShowNotImplemented.
std::unique_ptr<TMemoryStream> ReduceBitmap(TBitmap* bitmap, TPixelFormat target, int method);

// Shows "Function not yet implemented" in an information box through the
// host services (platform/core's host(): a line on stderr without a screen)
// and raises the silent EAbort.
[[noreturn]] void ShowNotImplemented();
