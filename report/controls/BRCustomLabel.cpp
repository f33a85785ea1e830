#include "report/controls/BRCustomLabel.h"

#include "platform/core/ClassBuilder.h"
#include "report/bands/BandRptReport.h"
#include "report/controls/BRLabel.h"
#include "report/controls/BRLineBreak.h"
#include "report/controls/BRTextProperties.h"

#include <algorithm>
#include <cmath>
#include <optional>

using report::Rnd;

namespace {

// a * b / c rounded to the nearest, halves away from zero (the platform's MulDiv).
int mul_div(int a, int b, int c) {
    if (c == 0) return -1;
    return int(std::llround(static_cast<long double>(a) * b / c));
}

// Puts a canvas's clip back as it was when the guard was made.
class ClipKeeper {
public:
    explicit ClipKeeper(TCanvas& canvas) : canvas_(canvas), saved_(canvas.ClipRect()) {}
    ~ClipKeeper() {
        if (saved_) canvas_.SetClipRect(*saved_);
        else if (canvas_.ClipRect()) canvas_.ResetClip();
    }

private:
    TCanvas& canvas_;
    std::optional<TRect> saved_;
};

}  // namespace

TBRCustomLabel::TBRCustomLabel(TComponent* owner)
    : TBRPrintable(owner), formatted_(std::make_unique<TStringList>()), source_(std::make_unique<TStringList>()) {
    SetCaption("");
    SetTransparent(false);
}

TBRCustomLabel::~TBRCustomLabel() = default;

TClass TBRCustomLabel::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRCustomLabel, TBRPrintable>("TBRCustomLabel")
                                       .Abstract()
                                       .Integer("FontSize", &TBRCustomLabel::StoredFontSize,
                                                &TBRCustomLabel::SetStoredFontSize)
                                       .NoDefault()
                                       .Build();
    return &info;
}
TClass TBRCustomLabel::ClassType() const { return StaticClass(); }

void TBRCustomLabel::SetCaption(const std::string& text) {
    caption_ = text;
    OutputText = text;
    FormatDone = false;
    FormatLines();
    Invalidate();
}

void TBRCustomLabel::SetAutoStretch(bool stretch) {
    auto_stretch_ = stretch;
    Invalidate();
}

void TBRCustomLabel::SetWordWrap(bool wrap) {
    word_wrap_ = wrap;
    Invalidate();
}

void TBRCustomLabel::SetName(const std::string& name) {
    const bool follow = caption_.empty() || caption_ == Name();
    TBRPrintable::SetName(name);
    if (follow) SetCaption(name);
}

void TBRCustomLabel::SetParent(report::Control* parent) {
    TBRPrintable::SetParent(parent);
    FormatLines();
}

void TBRCustomLabel::FontUpdated() {
    FormatDone = false;
    FormatLines();
}

void TBRCustomLabel::Loaded() {
    TBRPrintable::Loaded();
    // The stored size is the font's own; a control using its parent's font
    // has taken that font whole.
    if (FontSize > 0 && !ParentFont()) Font.SetSize(FontSize);
    FontUpdated();
}

int TBRCustomLabel::MeasureLine(std::string_view text) const {
    if (ParentReport) return mul_div(report::measure_text_width(Font, text), Zoom(), 100);
    return graphics::text_extent(Font, text).cx;
}

int TBRCustomLabel::MinimumHeight() const {
    const int cell = ParentReport ? ParentReport->MeasureTextHeight(Font, "W") : graphics::text_extent(Font, "W").cy;
    return cell * Zoom() / 100 + 1;
}

void TBRCustomLabel::FormatLines() {
    if (!Parent()) return;
    formatted_->Clear();
    const bool has_report = ParentReport != nullptr;
    // A control being read keeps the size it is given: it sizes itself once
    // loaded, from its stored Size, not from the defaults it was made with.
    const bool may_resize = has_report && !InState(csLoading);
    std::vector<std::string> lines;
    report::LineBreakRules rules;
    rules.Width = Width();
    rules.AutoSize = AutoSize;
    rules.WordWrap = word_wrap_;
    const report::MeasureLineFn measure = [this](std::string_view s) { return MeasureLine(s); };
    if (IsCaptionBased()) {
        report::break_text_lines(OutputText, rules, measure, lines);
        if (!Resizing && may_resize) {
            Resizing = true;
            const int h = MinimumHeight();
            if (h > Height()) SetHeight(h);
            Resizing = false;
        }
    } else {
        for (int i = 0; i < source_->Count(); ++i) {
            if (AutoSize) lines.push_back(source_->Get(i));
            else report::break_text_lines(source_->Get(i), rules, measure, lines);
        }
    }
    for (const std::string& line : lines) formatted_->Add(line);
    if (AutoSize && !Resizing && may_resize) {
        int w = 0;
        for (const std::string& line : lines) w = std::max(w, MeasureLine(line));
        if (Frame()->DrawLeft()) w += Frame()->Width();
        if (Frame()->DrawRight()) w += Frame()->Width();
        Resizing = true;
        if (w != Width()) {
            // In native units, so that the right edge or the centre stays
            // exactly where the stored Size puts it however often the text
            // changes (whole pixels would walk by a rounded half each time).
            TBRPrintableSize& s = *Size();
            const long double old_width = s.NativeWidth();
            const long double new_width = s.ToNative(TBRUnit::Pixels, true, w);
            long double left = s.NativeLeft();
            switch (AdjustedAlignment(Alignment())) {
            case taRightJustify: left += old_width - new_width; break;
            case taCenter: left += (old_width - new_width) / 2; break;
            case taLeftJustify: break;
            }
            s.SetNativeLeftWidth(left, new_width);
        }
        const int h = MinimumHeight();
        if (lines.empty() && InState(csDesigning)) SetHeight(h);
        if (h > Height()) SetHeight(h);
        Resizing = false;
    }
    FormatDone = true;
}

void TBRCustomLabel::PrepareForRun() {
    TBRPrintable::PrepareForRun();
    const std::string copy = caption_;
    SetCaption(copy);
}

// ---------------------------------------------------------------- design

void TBRCustomLabel::Paint(TCanvas& canvas) {
    if (Printing) return;
    canvas.Font.Assign(&Font);
    canvas.Font.SetSize(int(Rnd(Font.Size() * static_cast<long double>(Zoom()) / 100.0L)));
    TBRPrintable::Paint(canvas);
    PaintLines(canvas, ClientRect(), canvas.TextHeight("W"));
    PaintCornerMarks(canvas);
}

void TBRCustomLabel::PaintLines(TCanvas& canvas, const TRect& rect, int line_height) {
    FormatLines();
    if (!Transparent()) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = Color();
        canvas.FillRect(rect);
    }
    int y0 = rect.Top, x = rect.Left;
    const int f = Frame()->Width();
    if (Frame()->HasAnySide() && f > 0) {
        const int inset = int(Rnd(Zoom() * (f / 72.0L * report::screen_pixels_per_inch()) / 100.0L));
        if (Frame()->DrawTop()) y0 += inset;
        if (Frame()->DrawLeft()) x += inset;
    }
    const int width = rect.Right - rect.Left;
    canvas.Brush.Style = bsClear;
    int align = TA_LEFT;
    switch (AdjustedAlignment(Alignment())) {
    case taLeftJustify: break;
    case taRightJustify:
        align = TA_RIGHT;
        x += width;
        break;
    case taCenter:
        align = TA_CENTER;
        x += width / 2;
        break;
    }
    canvas.TextAlign = align | TA_TOP;
    for (int i = 0; i < formatted_->Count(); ++i) {
        const std::string line = formatted_->Get(i);
        if (!line.empty()) canvas.TextOut(x, y0 + i * line_height, line);
    }
}

// ---------------------------------------------------------------- printing

void TBRCustomLabel::PrintAt(int offset_x, int offset_y) {
    if (!IsPrintable() || !OutputPrinter) return;
    TCanvas& canvas = OutputPrinter->Canvas();
    canvas.Font.Assign(&Font);
    const long double LH = canvas.TextHeight("W") / OutputPrinter->YFactor();
    TBRPrintableSize& s = *Size();
    // The rest of a stretching text starts at the band's top on the next
    // page and takes only the room its lines need there.
    const bool continuing = AutoStretch() && !PrintFinished;
    PrintLines(canvas, AutoStretch(), LH, continuing ? 0.0L : s.NativeHeight(), s.NativeWidth(),
               continuing ? offset_y : s.NativeTop() + offset_y, s.NativeLeft() + offset_x);
}

void TBRCustomLabel::PrintLines(TCanvas& canvas, bool stretch, long double LH, long double H, long double W,
                                long double T, long double L) {
    report::OutputDevice& out = *OutputPrinter;
    // The band's clip stays for the controls printed after this one.
    ClipKeeper keep_clip(canvas);
    long double extra = 0;
    const long double W0 = W;
    const bool continuing = stretch && !PrintFinished;
    bool changed = false;
    std::string before_print;
    if (!OutputText.empty() && OnPrint) {
        std::string value = OutputText;
        OnPrint(this, value);
        if (!(canvas.Font == Font)) canvas.Font.Assign(&Font);
        if (!continuing) H = Size()->NativeHeight();
        LH = canvas.TextHeight("W") / out.YFactor();
        if (value != OutputText) {
            before_print = OutputText;
            OutputText = value;
            FormatLines();
            changed = true;
        }
    }
    // A part that goes on with the same text on a further page breaks no
    // lines again: a long stretching text is broken once, not once a page.
    if (!(FormatDone && (changed || !PrintFinished))) FormatLines();
    W = Size()->NativeWidth();
    if (!Transparent()) {
        canvas.Pen.Width = 0;
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = Color();
        canvas.FillRect(TRect{out.ToDeviceX(L), out.ToDeviceY(T), out.ToDeviceX(L + W), out.ToDeviceY(T + H)});
    }
    const long double L0 = L, T0 = T;
    const long double fw = Rnd(Frame()->Width() / 72.0L * 254.0L);
    if (Frame()->DrawTop()) T += fw;
    if (Frame()->DrawLeft()) L += fw;
    long double limit = T + H + 1.0L;
    long double cur_y = T;
    long double X = L;
    if (AutoSize) {
        switch (Alignment()) {
        case taLeftJustify: break;
        case taRightJustify: X = L - (W - W0); break;
        case taCenter: X = L - (W - W0) / 2; break;
        }
    }
    canvas.Brush.Style = bsClear;
    int align = UseRightToLeftReading() ? TA_RTLREADING : 0;
    switch (AdjustedAlignment(Alignment())) {
    case taLeftJustify: align |= TA_LEFT; break;
    case taRightJustify:
        align |= TA_RIGHT;
        X += W;
        break;
    case taCenter:
        align |= TA_CENTER;
        X += W / 2;
        break;
    }
    canvas.TextAlign = align | TA_TOP;

    bool has_grown = false;
    auto* band = stretch ? dynamic_cast<TBRCustomBand*>(Parent()) : nullptr;
    if (band && !band->Report()) band = nullptr;
    auto line_fits = [&]() {
        // A stretching text stops at the page's bottom, whatever the
        // control's height, and goes on on the next page.
        if (cur_y + LH <= limit) return !band || band->RoomOnPage(cur_y + LH);
        if (!band || !band->RoomForGrowth(LH)) return false;
        const long double old = extra;
        band->GrowBand(LH, extra, has_grown);
        limit = T + H + 1.0L + extra;
        if (!Transparent()) {
            canvas.Brush.Style = bsSolid;
            canvas.Brush.Color = Color();
            canvas.FillRect(TRect{out.ToDeviceX(L0), out.ToDeviceY(T0 + H + old), out.ToDeviceX(L0 + W),
                                  out.ToDeviceY(T0 + H + extra)});
            canvas.Brush.Style = bsClear;
        }
        return true;
    };

    if (PrintFinished) NextLine = 0;
    const int last = FormattedLines()->Count() - 1;
    while (NextLine <= last && line_fits()) {
        const std::string line = FormattedLines()->Get(NextLine);
        if (!line.empty()) canvas.TextOut(out.ToDeviceX(X), out.ToDeviceY(cur_y), line);
        cur_y += LH;
        ++NextLine;
    }
    PrintFinished = !(NextLine <= last && stretch);
    if (changed) {
        OutputText = before_print;
        FormatLines();
    }
    if (Frame()->HasAnySide())
        Frame()->PaintFrame(canvas,
                            TRect{out.ToDeviceX(L0), out.ToDeviceY(T0), out.ToDeviceX(L0 + W),
                                  out.ToDeviceY(T0 + H + extra)},
                            out.XFactor(), out.YFactor());
}

// ---------------------------------------------------------------- TBRLabel


TClass TBRLabel::StaticClass() {
    static const TClassInfo info = [] {
        core::ClassBuilder<TBRLabel, TBRCustomLabel> b("TBRLabel");
        report::detail::publish_text_properties(b);
        b.String("Caption", &TBRLabel::Caption, &TBRLabel::SetCaption).NoDefault();
        return b.Build();
    }();
    return &info;
}
TClass TBRLabel::ClassType() const { return StaticClass(); }
