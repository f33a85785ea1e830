#include "report/ui/BRPrev.h"

#include "report/print/BRHyperlinks.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "platform/graphics/qt/MetafilePlayer.h"

void DrawPage(const TMetafile* page, QPainter& painter, const QRect& r, bool withFrame) {
    if (!page && !withFrame) return;
    const int w = r.width(), h = r.height();
    const QRect sheet(r.left() + 1, r.top() + 1, w - 4, h - 4);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    if (page && sheet.width() > 0 && sheet.height() > 0) {
        // At the page's own size the page is played as it is rendered
        // elsewhere, one page pixel per pixel.
        const QImage image = sheet.size() == QSize(page->PageWidth(), page->PageHeight())
                                 ? graphics::qt::render_metafile(*page, 96)
                                 : QImage();
        if (!image.isNull()) painter.drawImage(sheet.topLeft(), image);
        else graphics::qt::play_metafile(*page, painter, QRectF(sheet));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    const QPoint corner[] = {{r.left(), r.top()},
                             {r.left(), r.top() + h - 3},
                             {r.left() + w - 3, r.top() + h - 3},
                             {r.left() + w - 3, r.top()},
                             {r.left(), r.top()}};
    painter.drawPolyline(corner, 5);
    painter.fillRect(QRect(QPoint(r.left() + w - 2, r.top() + 2), QPoint(r.right(), r.bottom())), Qt::black);
    painter.fillRect(QRect(QPoint(r.left() + 2, r.top() + h - 2), QPoint(r.right(), r.bottom())), Qt::black);
    painter.restore();
}

// ---------------------------------------------------------------- image

TBRPreviewImage::TBRPreviewImage(QWidget* parent) : QWidget(parent) {
    resize(100, 50);
    setMouseTracking(true);
}

TBRPreviewImage::~TBRPreviewImage() = default;

void TBRPreviewImage::SetPrinter(TBRPrinter* printer) {
    printer_ = printer;
    alive_ = printer ? printer->AliveToken() : nullptr;
    if (!printer_) {
        page_.reset();
        cache_ = QImage();
    }
}

void TBRPreviewImage::ShowPage(int n) {
    page_number_ = n;
    page_.reset();
    cache_ = QImage();
    if (TBRPrinter* p = Printer()) page_ = p->GetStoredPage(n);
    update();
}

void TBRPreviewImage::paintEvent(QPaintEvent*) {
    if (cache_.size() != size()) {
        cache_ = QImage(size(), QImage::Format_RGB32);
        cache_.fill(palette().color(QPalette::Window));
        QPainter p(&cache_);
        DrawPage(page_.get(), p, QRect(0, 0, width(), height()), false);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, cache_);
}

std::string TBRPreviewImage::LinkAt(int x, int y) {
    std::string link = report::LinkAt(HyperlinkAreas, x, y, zoom_);
    if (!link.empty()) last_link_ = link;
    return link;
}

void TBRPreviewImage::SetIsLink(bool value) {
    if (value == over_link_) return;
    over_link_ = value;
    if (!OnHyperlink) return;
    bool handled = false;
    if (value) OnHyperlink(Printer(), heCursorMoveOver, last_link_, handled);
    else OnHyperlink(Printer(), heCursorMoveAway, std::string(), handled);
}

void TBRPreviewImage::mouseMoveEvent(QMouseEvent* e) {
    const bool link = !LinkAt(int(e->position().x()), int(e->position().y())).empty();
    setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    SetIsLink(link);
    QWidget::mouseMoveEvent(e);
}

void TBRPreviewImage::mousePressEvent(QMouseEvent* e) {
    if (over_link_ && OnHyperlink) {
        bool handled = false;
        OnHyperlink(Printer(), heGoto, last_link_, handled);
        if (!handled) FollowHyperlink(Printer(), last_link_);
    }
    QWidget::mousePressEvent(e);
}

// ---------------------------------------------------------------- control

TBRPreview::TBRPreview(QWidget* parent) : QScrollArea(parent) {
    canvas_ = new QWidget;
    image_ = new TBRPreviewImage(canvas_);
    image_->move(0, 0);
    empty_notice_ = new QLabel(QString::fromUtf8(report::kEmptyReportText), canvas_);
    empty_notice_->setObjectName("EmptyNotice");
    empty_notice_->hide();
    setWidget(canvas_);
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Dark);
    resize(250, 250);
    setFocusPolicy(Qt::StrongFocus);
}

TBRPreview::~TBRPreview() { AttachPrinter(nullptr); }

void TBRPreview::AttachPrinter(TBRPrinter* printer) {
    if (TBRPrinter* old = Printer(); old && old->Preview == this) {
        old->Preview = nullptr;
        old->SetShowingPreview(false);
    }
    image_->SetPrinter(printer);
    geometry_.SetPrinter(printer);
    if (printer) {
        printer->Preview = this;
        printer->SetShowingPreview(true);
    }
    SetPageNumber(1);
    image_->ShowPage(1);
    page_number_ = 1;
    update();
    if (printer) printer->SetOutline(outline_);
    show_if_empty();
}

bool TBRPreview::ShowsEmptyReport() const {
    const TBRPrinter* p = Printer();
    return p && p->State() == 2 && p->PageCount() == 0;
}

void TBRPreview::show_if_empty() {
    const bool empty = ShowsEmptyReport();
    image_->setVisible(!empty);
    empty_notice_->setVisible(empty);
    if (!empty) return;
    empty_notice_->adjustSize();
    const QSize view = viewport()->size();
    empty_notice_->move(std::max(0, (view.width() - empty_notice_->width()) / 2),
                        std::max(0, (view.height() - empty_notice_->height()) / 2));
}

void TBRPreview::SetPageNumber(int value) {
    if (value == page_number_ && image_->HasPage()) return;
    if (value <= 0 || !Printer() || value > Printer()->PageCount()) return;
    image_->ShowPage(value);
    page_number_ = value;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TBRPreview::SetZoom(int value) {
    if (!geometry_.SetZoom(value)) return;
    SizePreviewImage();
}

void TBRPreview::place(const TRect& r) {
    const QSize view = viewport()->size();
    canvas_->resize(std::max(view.width(), r.Right), std::max(view.height(), r.Bottom));
    image_->setGeometry(r.Left, r.Top, r.Width(), r.Height());
    image_->SetZoom(geometry_.ImageZoom());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    show_if_empty();
}

const report::PreviewGeometry& TBRPreview::geometry() {
    // A printer destroyed meanwhile no longer gives the paper.
    if (!Printer()) geometry_.SetPrinter(nullptr);
    return geometry_;
}

void TBRPreview::SizePreviewImage() {
    geometry();
    place(geometry_.SizePreviewImage(viewport()->width(), viewport()->height()));
}

void TBRPreview::FitPageToWindow() {
    geometry();
    place(geometry_.FitPageToWindow(viewport()->width(), viewport()->height()));
}

void TBRPreview::FitPageToWidth() {
    geometry();
    place(geometry_.FitPageToWidth(viewport()->width(), viewport()->height()));
}

void TBRPreview::ApplyZoomState() {
    if (geometry_.ZoomState() == brZoomToFit) FitPageToWindow();
    else if (geometry_.ZoomState() == brZoomToWidth) FitPageToWidth();
    else SizePreviewImage();
}

void TBRPreview::RefreshPageIfDue() {
    if (!image_->HasPage() && Printer() && Printer()->AvailablePages() >= image_->PageNumber())
        image_->ShowPage(image_->PageNumber());
}

void TBRPreview::Notice(unsigned message, std::int64_t wParam, TBRPrinter*) {
    const int value = int(wParam);
    if (message == report::BRM_PAGES_AVAILABLE) {
        if (value == page_number_) RefreshPageIfDue();
        show_if_empty();
        if (OnPageAvailable) OnPageAvailable(this, value);
    } else if (message == report::BRM_PROGRESS) {
        if (OnProgressUpdate) OnProgressUpdate(this, value);
    }
}

void TBRPreview::resizeEvent(QResizeEvent* e) {
    QScrollArea::resizeEvent(e);
    ApplyZoomState();
}

void TBRPreview::focusInEvent(QFocusEvent* e) {
    QScrollArea::focusInEvent(e);
    // Focus (a click on the page) sizes the page again but keeps the place
    // the person scrolled to.
    const int x = horizontalScrollBar()->value(), y = verticalScrollBar()->value();
    ApplyZoomState();
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}
