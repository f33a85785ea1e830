#pragma once
// The picture library's numbered texts: message numbers and a table
// registered with platform/core's message registry at start-up.

#include <span>
#include <string>

#include "platform/core/MessageTexts.h"

// Message numbers of the GIF texts.
constexpr int kGifUnknownVersion = 61092;
constexpr int kGifEncodingError = 61093;
constexpr int kGifCorrupt = 61094;
constexpr int kGifCodeSize = 61095;
constexpr int kGifColorCount = 61096;
constexpr int kGifUnknownExtension = 61097;
constexpr int kGifNoData = 61098;
constexpr int kGifSizeChange = 61099;
constexpr int kGifDescription = 61100;
constexpr int kGifNotImplemented = 61257;
// The text of a message number ("" for an unknown number), from the registry.
std::string GifErrorText(int number);

namespace picture {
// The table of the texts, one row a number.
std::span<const core::NumberedText> PictureTexts();
}  // namespace picture
