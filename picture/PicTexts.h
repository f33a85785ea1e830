#pragma once
// The picture library's message numbers and their texts.

#include <string>

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
// The text of a message number ("" for an unknown number).
std::string GifErrorText(int number);
