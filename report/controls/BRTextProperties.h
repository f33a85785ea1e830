#pragma once
// The text-control properties that TBRLabel and TBRExpr both publish.

#include "platform/core/ClassBuilder.h"
#include "report/controls/BRCustomLabel.h"

#include <string>
#include <vector>

namespace report::detail {

inline const std::vector<std::string>& alignment_names() {
    static const std::vector<std::string> names = {"taLeftJustify", "taRightJustify", "taCenter"};
    return names;
}

inline const std::vector<std::string>& bidi_names() {
    static const std::vector<std::string> names = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                                   "bdRightToLeftReadingOnly"};
    return names;
}

template <class T>
core::ClassBuilder<T, TBRCustomLabel>& publish_text_properties(core::ClassBuilder<T, TBRCustomLabel>& b) {
    return b.Enum("Alignment", alignment_names(), &T::Alignment, [](T& c, TAlignment a) { c.SetAlignment(a); })
        .Bool("AlignToBand", &T::GetAlignToBand, &T::SetAlignToBand)
        .Bool("AutoSize", &T::AutoSize, &T::AutoSize)
        .Default(true)
        .Bool("AutoStretch", &T::AutoStretch, &T::SetAutoStretch)
        .Enum("BiDiMode", bidi_names(), &T::BiDiMode, [](T& c, TBiDiMode m) { c.SetBiDiMode(m); })
        .Stored([](const T& c) { return !c.ParentBiDiMode(); })
        .Bool("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
        .Default(true)
        .Integer("Color", &T::Color, &T::SetColor)
        .Default(int(clWhite))
        .Object("Font", [](const T& c) { return &const_cast<T&>(c).Font; })
        .Stored([](const T& c) { return !c.ParentFont(); })
        .Event("OnPrint", &T::OnPrint)
        .Bool("ParentFont", [](const T& c) { return c.ParentFont(); }, [](T& c, bool v) { c.SetParentFont(v); })
        .Bool("Transparent", &T::Transparent, &T::SetTransparent)
        .Bool("WordWrap", &T::WordWrap, &T::SetWordWrap)
        .Default(true);
}

}  // namespace report::detail
