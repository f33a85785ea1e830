#pragma once
// A font engine for tests that measure without fonts: every character 7
// pixels wide except 'W' (11), ascent 9, descent 3; no glyphs.

#include <gtest/gtest.h>

#include "platform/graphics/Font.h"

namespace test_support {

class FixedFontEngine : public graphics::FontEngine {
public:
    graphics::TTextMetric Metric(const TFont&) override;
    int TextWidth(const TFont&, std::string_view text) override;
    graphics::TGlyphRun Render(const TFont&, std::string_view) override;
};

// Tests that measure with FixedFontEngine installed.
class FixedFontTest : public ::testing::Test {
protected:
    FixedFontEngine engine_;
    core::ScopedService<graphics::FontEngine*> installed_{graphics::font_engine_slot, &engine_};
};

}  // namespace test_support
