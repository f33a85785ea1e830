#include "platform/graphics/tests/FixedFontEngine.h"

#include "platform/core/CodePages.h"

namespace test_support {

graphics::TTextMetric FixedFontEngine::Metric(const TFont&) { return {9, 3}; }

int FixedFontEngine::TextWidth(const TFont&, std::string_view text) {
    int w = 0;
    for (size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        core::next_code_point(text, pos, cp);
        w += cp == 'W' ? 11 : 7;
    }
    return w;
}

graphics::TGlyphRun FixedFontEngine::Render(const TFont&, std::string_view) { return {}; }

}  // namespace test_support
