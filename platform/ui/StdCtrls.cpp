#include "platform/ui/StdCtrls.h"

#include "platform/core/ClassBuilder.h"

#include <QColor>
#include <QPainter>

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    Width = 65;
    Height = 13;
}

void TLabel::Paint(QPainter& painter, const QRect& bounds) const {
    if (!Transparent) {
        const std::uint32_t bg = ui::color_to_rgb(Color);
        painter.fillRect(bounds, QColor(bg & 0xFF, (bg >> 8) & 0xFF, (bg >> 16) & 0xFF));
    }
    const ui::TFont& font = EffectiveFont();
    const std::uint32_t fg = ui::color_to_rgb(font.FontColor);
    painter.save();
    painter.setFont(font.to_qfont());
    painter.setPen(QColor(fg & 0xFF, (fg >> 8) & 0xFF, (fg >> 16) & 0xFF));
    // An auto-sized label grows with its text; a fixed one clips it.
    QRect area = bounds;
    if (AutoSize) area.setSize(QSize(std::max(bounds.width(), 4096), std::max(bounds.height(), 1024)));
    else painter.setClipRect(bounds);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(Caption));
    painter.restore();
}

TClass TLabel::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TLabel, TControl>("TLabel")
        .String("Caption", &TLabel::Caption, &TLabel::Caption)
        .Integer("Color", &TLabel::Color, &TLabel::Color).Default(int(ui::clBtnFace))
        .Bool("Transparent", &TLabel::Transparent, &TLabel::Transparent)
        .Bool("AutoSize", &TLabel::AutoSize, &TLabel::AutoSize).Default(true)
        .Build();
    return &info;
}
TClass TLabel::ClassType() const { return StaticClass(); }
