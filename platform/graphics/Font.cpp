#include "platform/graphics/Font.h"

#include <cmath>

#include "platform/core/ClassBuilder.h"
#include "platform/core/CodePages.h"

TClass TFont::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TFont, TPersistent>("TFont")
        .Integer("Charset", &TFont::Charset, &TFont::Charset).Default(1)
        .Integer("Color", &TFont::Color, &TFont::Color).Default(int(clWindowText))
        .Integer("Height", &TFont::Height, &TFont::Height).NoDefault()
        .String("Name", &TFont::Name, &TFont::Name).NoDefault()
        .Set("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &TFont::Style, &TFont::Style)
        .Build();
    return &info;
}
TClass TFont::ClassType() const { return StaticClass(); }

void TFont::Assign(const TPersistent* source) {
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        Name = f->Name;
        Height = f->Height;
        Color = f->Color;
        Style = f->Style;
        Charset = f->Charset;
        return;
    }
    TPersistent::Assign(source);
}

int TFont::Size() const {
    return int(std::lround(-double(Height) * 72.0 / graphics::kPixelsPerInch));
}

void TFont::SetSize(int points) {
    Height = -int(std::lround(double(points) * graphics::kPixelsPerInch / 72.0));
}

bool TFont::operator==(const TFont& other) const {
    return Name == other.Name && Height == other.Height && Color == other.Color && Style == other.Style &&
           Charset == other.Charset;
}

namespace graphics {

std::string font_family(const std::string& name) {
    struct Map {
        const char* from;
        const char* to;
    };
    static constexpr Map map[] = {
        {"Calibri", "Carlito"},
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Microsoft Sans Serif", "Liberation Sans"},
        {"Tahoma", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const Map& m : map)
        if (CompareText(name, m.from) == 0) return m.to;
    return name;
}


void FontEngine::Advances(const TFont& font, std::string_view text, std::vector<double>& out) {
    out.clear();
    std::string one;
    for (size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        if (!core::next_code_point(text, pos, cp)) cp = 0xFFFD;
        one.clear();
        core::append_utf8(one, cp);
        out.push_back(TextWidth(font, one));
    }
}

FontEngine& font_engine() {
    FontEngine* engine = font_engine_slot.get();
    if (!engine) throw EInvalidGraphicOperation("No font engine installed");
    return *engine;
}

TSize text_extent(const TFont& font, std::string_view text) {
    FontEngine& engine = font_engine();
    return TSize{engine.TextWidth(font, text), engine.Metric(font).Height()};
}

}  // namespace graphics
