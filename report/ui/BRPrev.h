#pragma once
// The preview control: one stored page of a TBRPrinter at a chosen zoom in a
// scroll area, following the pages as a run produces them; hyperlink areas
// turn mouse moves and clicks into hyperlink events.

#include <QImage>
#include <QScrollArea>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/print/BRPrntr.h"
#include "report/ui/BRPreviewLogic.h"

class QLabel;
class QPainter;
class TBRPreview;

using TBRPreviewHyperlinkEvent =
    std::function<void(TObject* Sender, TBRHyperlinkEventType EventType, const std::string& Link, bool& Handled)>;
using TBRPageAvailableEvent = std::function<void(QObject* Sender, int PageNum)>;
using TBRProgressUpdateEvent = std::function<void(QObject* Sender, int Progress)>;

// Draws page (or nothing) into r with a white sheet, a black frame and a
// shadow on the right and bottom; the page fills the sheet, inside the frame.
void DrawPage(const TMetafile* page, QPainter& painter, const QRect& r, bool withFrame);

// The page image inside the preview.
class TBRPreviewImage : public QWidget {
public:
    explicit TBRPreviewImage(QWidget* parent = nullptr);
    ~TBRPreviewImage() override;

    // Loads page n of the printer (nothing when it has none) and repaints.
    void ShowPage(int n);
    bool HasPage() const { return page_ != nullptr; }
    int PageNumber() const { return page_number_; }
    const TMetafile* Page() const { return page_.get(); }
    void SetPrinter(TBRPrinter* printer);
    // The printer, or null once it was destroyed.
    TBRPrinter* Printer() const { return alive_ && *alive_ ? printer_ : nullptr; }
    void SetZoom(int zoom) { zoom_ = zoom; }
    int Zoom() const { return zoom_; }

    std::vector<report::HyperlinkArea> HyperlinkAreas;
    TBRPreviewHyperlinkEvent OnHyperlink;
    std::string LinkAt(int x, int y);
    void SetIsLink(bool value);
    bool OverLink() const { return over_link_; }
    const std::string& LastLink() const { return last_link_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    TBRPrinter* printer_ = nullptr;
    core::Lifeline<TBRPrinter>::Watch alive_;
    int page_number_ = 1;
    std::unique_ptr<TMetafile> page_;
    int zoom_ = 100;
    bool over_link_ = false;
    std::string last_link_;
    // The page drawn at the sheet's size, kept until the page or size changes.
    QImage cache_;
};

class TBRPreview : public QScrollArea, public report::NoticeWindow {
public:
    explicit TBRPreview(QWidget* parent = nullptr);
    ~TBRPreview() override;

    // Shows printer's pages from page 1 (nullptr: none); the printer is
    // marked as showing a preview while attached. A printer destroyed while
    // attached is noticed: the preview reads it no more.
    void AttachPrinter(TBRPrinter* printer);
    // The printer, or null once it was destroyed.
    TBRPrinter* Printer() const { return image_->Printer(); }
    TBRPreviewImage& Image() const { return *image_; }
    // The printer has finished with no pages: no sheet is shown, only a
    // line saying the report is empty.
    bool ShowsEmptyReport() const;

    int PageNumber() const { return page_number_; }
    void SetPageNumber(int value);
    int Zoom() const { return geometry_.Zoom(); }
    void SetZoom(int value);
    TBRZoomState ZoomState() const { return geometry_.ZoomState(); }
    // The outline view (not owned; nullptr: none): an attached printer shows
    // its page list's outline in it.
    TBROutlineNodes* Outline() const { return outline_; }
    void SetOutline(TBROutlineNodes* nodes) { outline_ = nodes; }

    void FitPageToWindow();
    void FitPageToWidth();
    void ApplyZoomState();
    void SizePreviewImage();
    void RefreshPageIfDue();

    TBRPageAvailableEvent OnPageAvailable;
    TBRProgressUpdateEvent OnProgressUpdate;
    void SetOnHyperlink(TBRPreviewHyperlinkEvent handler) { image_->OnHyperlink = std::move(handler); }

    // The printer's notices (page available, progress).
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter* lParam) override;

protected:
    void resizeEvent(QResizeEvent*) override;
    void focusInEvent(QFocusEvent*) override;

private:
    void place(const TRect& r);
    void show_if_empty();
    const report::PreviewGeometry& geometry();
    TBRPreviewImage* image_;
    QWidget* canvas_;
    QLabel* empty_notice_;
    int page_number_ = 1;
    TBROutlineNodes* outline_ = nullptr;
    report::PreviewGeometry geometry_;
};
