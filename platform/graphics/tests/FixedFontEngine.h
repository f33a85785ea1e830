#pragma once
// A font engine for tests that measure without fonts: every character 7
// pixels wide except 'W' (11), ascent 9, descent 3; no glyphs.

#include <gtest/gtest.h>

#include "platform/core/CodePages.h"
#include "platform/graphics/Font.h"

namespace test_support {

class FixedFontEngine : public graphics::FontEngine {
public:
    graphics::TTextMetric Metric(const TFont&) override { return {9, 3}; }
    int TextWidth(const TFont&, std::string_view text) override {
        int w = 0;
        for (size_t pos = 0; pos < text.size();) {
            char32_t cp = 0;
            core::next_code_point(text, pos, cp);
            w += cp == 'W' ? 11 : 7;
        }
        return w;
    }
    graphics::TGlyphRun Render(const TFont&, std::string_view) override { return {}; }
};

// Tests that measure with FixedFontEngine installed.
class FixedFontTest : public ::testing::Test {
protected:
    FixedFontEngine engine_;
    core::ScopedService<graphics::FontEngine*> installed_{graphics::font_engine_slot, &engine_};
};

}  // namespace test_support
