#include "report/controls/BRPrintable.h"

#include "platform/core/ClassBuilder.h"
#include "report/bands/BandRptReport.h"
#include "report/controls/BRPrintableEditor.h"

using report::Rnd;

// ------------------------------------------------------- TBRPrintableSize

TBRPrintableSize::TBRPrintableSize(TBRPrintable* printable) : Printable(printable) {}

TClass TBRPrintableSize::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRPrintableSize, TBRUnitBase>("TBRPrintableSize")
            .Float("Height", [](const TBRPrintableSize& s) { return double(s.GetValue(0)); },
                   [](TBRPrintableSize& s, double v) { s.SetValue(0, v); })
            .Stored(false)
            .Float("Left", [](const TBRPrintableSize& s) { return double(s.GetValue(1)); },
                   [](TBRPrintableSize& s, double v) { s.SetValue(1, v); })
            .Stored(false)
            .Float("Top", [](const TBRPrintableSize& s) { return double(s.GetValue(2)); },
                   [](TBRPrintableSize& s, double v) { s.SetValue(2, v); })
            .Stored(false)
            .Float("Width", [](const TBRPrintableSize& s) { return double(s.GetValue(3)); },
                   [](TBRPrintableSize& s, double v) { s.SetValue(3, v); })
            .Stored(false)
            .Strings("Values", [](const TBRPrintableSize& s) { return s.Values(); })
            .Build();
    return &info;
}
TClass TBRPrintableSize::ClassType() const { return StaticClass(); }

long double TBRPrintableSize::GetValue(int index) const {
    // Pixels are read at the size object's zoom only: the control keeps it
    // equal to its parent's, so the parent's zoom is not applied again.
    switch (index) {
    case 0: return FromNative(CurrentUnit(), false, height_);
    case 1: return FromNative(CurrentUnit(), true, left_);
    case 2: return FromNative(CurrentUnit(), false, top_);
    case 3: return FromNative(CurrentUnit(), true, width_);
    default: return 0;
    }
}

void TBRPrintableSize::SetValue(int index, long double value) {
    switch (index) {
    case 0: height_ = ToNative(CurrentUnit(), false, value); break;
    case 1: left_ = ToNative(CurrentUnit(), true, value); break;
    case 2: top_ = ToNative(CurrentUnit(), false, value); break;
    case 3: width_ = ToNative(CurrentUnit(), true, value); break;
    default: break;
    }
    UpdateControlBounds();
}

void TBRPrintableSize::UpdateControlBounds() {
    if (!Printable) return;
    SyncGuard guard(*this);
    Printable->SetBounds(int(Rnd(FromNative(TBRUnit::Pixels, true, left_))),
                         int(Rnd(FromNative(TBRUnit::Pixels, false, top_))),
                         int(Rnd(FromNative(TBRUnit::Pixels, true, width_))),
                         int(Rnd(FromNative(TBRUnit::Pixels, false, height_))));
}

void TBRPrintableSize::SetNativeLeft(long double left) {
    left_ = left;
    UpdateControlBounds();
}

void TBRPrintableSize::SetNativeLeftWidth(long double left, long double width) {
    left_ = left;
    width_ = width;
    UpdateControlBounds();
}

void TBRPrintableSize::ReadValueList(const std::vector<long double>& values) {
    if (values.size() > 0) height_ = values[0];
    if (values.size() > 1) left_ = values[1];
    if (values.size() > 2) top_ = values[2];
    if (values.size() > 3) width_ = values[3];
}

void TBRPrintableSize::AssignTo(TPersistent* dest) const {
    if (auto* d = dynamic_cast<TBRPrintableSize*>(dest)) {
        d->height_ = height_;
        d->left_ = left_;
        d->top_ = top_;
        d->width_ = width_;
        d->UpdateControlBounds();
        return;
    }
    TBRUnitBase::AssignTo(dest);
}

// ----------------------------------------------------- TBRPrintableEditor

TClass TBRPrintableEditor::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRPrintableEditor, TObject>("TBRPrintableEditor").Build();
    return &info;
}
TClass TBRPrintableEditor::ClassType() const { return StaticClass(); }
TClass TBRPrintableEditor::ServedPrintableClass() const { return TBRPrintable::StaticClass(); }

namespace report {
std::unique_ptr<TBRPrintableEditor> create_printable_editor(TBRPrintable& control) {
    TClass cls = GetClass(control.EditorClass());
    if (!cls || !cls->Factory || !cls->InheritsFrom(TBRPrintableEditor::StaticClass())) return nullptr;
    std::unique_ptr<TObject> made(cls->Factory(&control));
    auto* editor = dynamic_cast<TBRPrintableEditor*>(made.get());
    if (!editor) return nullptr;
    made.release();
    return std::unique_ptr<TBRPrintableEditor>(editor);
}
}  // namespace report

// ----------------------------------------------------------- TBRPrintable


TBRPrintable::TBRPrintable(TComponent* owner)
    : Printable(owner), size_(std::make_unique<TBRPrintableSize>(this)), frame_(std::make_unique<TBRFrame>()) {
    frame_->Control = this;
    SetColor(clWhite);
    SetHeight(10);
    SetWidth(10);
}

TBRPrintable::~TBRPrintable() {
    size_->Printable = nullptr;
    frame_->Control = nullptr;
}

TClass TBRPrintable::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRPrintable, report::Printable>("TBRPrintable")
            .Abstract()
            .Integer("Tag", &TBRPrintable::Tag, &TBRPrintable::SetTag)
            .Integer("Left", &TBRPrintable::Left, &TBRPrintable::SetLeft)
            .NoDefault()
            .Integer("Top", &TBRPrintable::Top, &TBRPrintable::SetTop)
            .NoDefault()
            .Integer("Width", &TBRPrintable::Width, &TBRPrintable::SetWidth)
            .NoDefault()
            .Integer("Height", &TBRPrintable::Height, &TBRPrintable::SetHeight)
            .NoDefault()
            .Bool("Enabled", &TBRPrintable::Enabled, &TBRPrintable::SetEnabled)
            .Default(true)
            .Bool("Visible", &TBRPrintable::Visible, &TBRPrintable::SetVisible)
            .Default(true)
            .Object("Frame", &TBRPrintable::Frame)
            .Object("Size", &TBRPrintable::Size)
            .Build();
    return &info;
}
TClass TBRPrintable::ClassType() const { return StaticClass(); }

void TBRPrintable::SetSize(const TBRPrintableSize* size) {
    if (size && size != size_.get()) size_->Assign(size);
}

void TBRPrintable::SetFrame(const TBRFrame* frame) {
    if (frame && frame != frame_.get()) frame_->Assign(frame);
    Invalidate();
}

void TBRPrintable::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    if (AlignToBand) ApplyBandAlignment();
    Invalidate();
}

void TBRPrintable::SetAlignToBand(bool align) {
    AlignToBand = align;
    ApplyBandAlignment();
}

void TBRPrintable::SetTransparent(bool transparent) {
    if (transparent == Transparent()) return;
    opaque_ = !transparent;
    Invalidate();
}

void TBRPrintable::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Invalidate();
}

void TBRPrintable::SetBiDiMode(TBiDiMode mode) {
    bidi_mode_ = mode;
    parent_bidi_mode_ = false;
    Invalidate();
}

void TBRPrintable::SetParentBiDiMode(bool parent) {
    parent_bidi_mode_ = parent;
    Invalidate();
}

TAlignment TBRPrintable::AdjustedAlignment(TAlignment alignment) const {
    if (!UseRightToLeftAlignment()) return alignment;
    if (alignment == taLeftJustify) return taRightJustify;
    if (alignment == taRightJustify) return taLeftJustify;
    return alignment;
}

bool TBRPrintable::IsPrintable() const { return Enabled() || !Visible(); }

void TBRPrintable::ApplyBandAlignment() {
    // A control still loading is aligned by its Loaded, once its stored
    // Size is in place.
    if (!AlignToBand || InState(csLoading)) return;
    auto* band = dynamic_cast<TBRCustomBand*>(Parent());
    if (alignment_ != taLeftJustify && !band) return;
    // The place in pixels, and the same place from the native widths: the
    // native one is kept when it lands on that pixel, so the printed
    // edge (or centre) sits exactly where the band puts it.
    int target = 0;
    long double left = 0;
    if (alignment_ == taRightJustify) {
        target = band->Width() - Width();
        left = band->Size()->NativeWidth() - size_->NativeWidth();
    } else if (alignment_ == taCenter) {
        target = (band->Width() - Width()) / 2;
        left = (band->Size()->NativeWidth() - size_->NativeWidth()) / 2;
    }
    if (Rnd(size_->FromNative(TBRUnit::Pixels, true, left)) != target)
        left = size_->ToNative(TBRUnit::Pixels, true, target);
    if (left == size_->NativeLeft() && Left() == target) return;
    // Through the size object, which printing reads: the pixel bounds follow.
    Aligning = true;
    size_->SetNativeLeft(left);
    Aligning = false;
}

void TBRPrintable::PrepareForRun() {
    report::Printable::PrepareForRun();
    OutputPrinter = ParentReport ? ParentReport->Output() : nullptr;
}

void TBRPrintable::UnprepareAfterRun() { Printing = false; }

void TBRPrintable::PrintAt(int offset_x, int offset_y) {
    if (!frame_->HasAnySide() || !OutputPrinter) return;
    report::OutputDevice& out = *OutputPrinter;
    const long double L = size_->Left() + offset_x, T = size_->Top() + offset_y;
    const TRect box{out.ToDeviceX(L), out.ToDeviceY(T), out.ToDeviceX(L + size_->Width()),
                    out.ToDeviceY(T + size_->Height())};
    frame_->PaintFrame(out.Canvas(), box, out.XFactor(), out.YFactor());
}

void TBRPrintable::LevelNotification(TComponent* sender, std::uint8_t code) {
    (void)sender;
    if (code == 2) ApplyBandAlignment();
}

void TBRPrintable::SetZoom(int zoom) {
    Printable::SetZoom(zoom);
    size_->ZoomPercent = zoom;
    size_->ApplyZoom();
}

void TBRPrintable::SetParent(report::Control* parent) {
    Printable::SetParent(parent);
    // Keeping the pixel position: the size follows it at the new zoom.
    auto take_zoom = [this](TCustomBandReport* report) {
        ParentReport = report;
        size_->Report = report;
        const long double top = size_->Top(), left = size_->Left();
        SetZoom(report->Zoom());
        size_->SetTop(top);
        size_->SetLeft(left);
    };
    if (auto* report = dynamic_cast<TCustomBandReport*>(parent)) {
        size_->SetCurrentUnit(report->Units());
        take_zoom(report);
    } else if (auto* band = dynamic_cast<TBRCustomBand*>(parent)) {
        size_->SetCurrentUnit(BandSizeUnit(this));
        if (band->Report()) take_zoom(band->Report());
        size_->SetTop(size_->Top());
        size_->SetLeft(size_->Left());
    }
}

void TBRPrintable::ApplySizeBounds(int left, int top, int width, int height) {
    ApplyBounds(left, top, width, height);
    if (ParentReport) ParentReport->RequestRepaint();
}

void TBRPrintable::SetBounds(int left, int top, int width, int height) {
    if (size_->SyncingControl) {
        ApplySizeBounds(left, top, width, height);
    } else if (InState(csLoading)) {
        if (left != 0) PendingLeft = left;
        if (top != 0) PendingTop = top;
        if (width != 0) PendingWidth = width;
        if (height != 0) PendingHeight = height;
    } else {
        // A side whose pixel value stays keeps its stored value exactly
        // (a layout designed in millimetres is not rounded to pixels).
        size_->PushPixelUnit();
        if (Rnd(size_->Height()) != height) size_->SetHeight(height);
        if (Rnd(size_->Width()) != width) size_->SetWidth(width);
        if (Rnd(size_->Top()) != top) size_->SetTop(top);
        if (Rnd(size_->Left()) != left) size_->SetLeft(left);
        size_->PopUnit();
    }
    if (AlignToBand && !Aligning) ApplyBandAlignment();
}

void TBRPrintable::Loaded() {
    Printable::Loaded();
    size_->AfterLoad();
    if (PendingLeft != 0 && Left() == 0) SetLeft(PendingLeft);
    if (PendingTop != 0 && Top() == 0) SetTop(PendingTop);
    if (PendingWidth != 0 && Width() == 0) SetWidth(PendingWidth);
    if (PendingHeight != 0 && Height() == 0) SetHeight(PendingHeight);
    ApplyBandAlignment();
}

void TBRPrintable::PaintCornerMarks(TCanvas& canvas) const {
    const int W = Width(), H = Height();
    canvas.Pen.Color = clBlack;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    auto mark = [&canvas](TPoint a, TPoint b, TPoint c) {
        canvas.MoveTo(a.X, a.Y);
        canvas.LineTo(b.X, b.Y);
        canvas.LineTo(c.X, c.Y);
    };
    mark({0, 3}, {0, 0}, {3, 0});
    mark({0, H - 4}, {0, H - 1}, {3, H - 1});
    mark({W - 4, 0}, {W - 1, 0}, {W - 1, 3});
    mark({W - 4, H - 1}, {W - 1, H - 1}, {W - 1, H - 4});
}

void TBRPrintable::Paint(TCanvas& canvas) {
    if (Printing) return;
    if (!Transparent()) {
        canvas.Brush.Style = bsSolid;
        canvas.Brush.Color = clWhite;
        canvas.FillRect(ClientRect());
    }
    PaintCornerMarks(canvas);
    const long double factor = Zoom() * (report::screen_pixels_per_inch() / 254.0L) / 100.0L;
    frame_->PaintFrame(canvas, TRect{0, 0, Width() - 1, Height() - 1}, factor, factor);
}
