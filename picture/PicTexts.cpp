#include "picture/PicTexts.h"

namespace {

constexpr core::NumberedText kTexts[] = {
    {kGifUnknownVersion, "Unknown GIF version"},
    {kGifEncodingError, "GIF image encoding error"},
    {kGifCorrupt, "GIF encoded data is corrupt"},
    {kGifCodeSize, "GIF code size not in range 2 to 9"},
    {kGifColorCount, "Wrong number of colors; must be a power of 2"},
    {kGifUnknownExtension, "Unrecognized extension block: %.2x"},
    {kGifNoData, "No GIF Data to write"},
    {kGifSizeChange, "Cannot change the Size of a GIF image"},
    {kGifDescription, "CompuServe GIF Image"},
    {kGifNotImplemented, "Function not yet implemented"},
};

}  // namespace

std::string GifErrorText(int number) {
    // The start-up registers the table; the library's own look-ups register
    // it first too, so a codec used without the program's start-up finds its
    // texts.
    core::register_texts(kTexts);
    return core::message_text(number);
}

namespace picture {
std::span<const core::NumberedText> PictureTexts() { return kTexts; }
}  // namespace picture
