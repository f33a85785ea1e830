#include "picture/PicTexts.h"

namespace {

struct MessageText {
    int Number;
    const char* Text;
};
constexpr MessageText kTexts[] = {
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
    for (auto& t : kTexts)
        if (t.Number == number) return t.Text;
    return {};
}
