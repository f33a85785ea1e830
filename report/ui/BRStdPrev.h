#pragma once
// The standard preview window: toolbar (zoom, pages, search, printer set-up,
// print, save, load, close), thumbnails and search results beside the
// preview control, and a status bar with progress, page position and title.

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

#include "report/print/BRPreviewFactory.h"
#include "report/ui/BRPrev.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QToolButton;

// The title shown in the status bar's third panel.
extern std::string PreviewTitleText;

class TBRStandardPreview : public QMainWindow, public report::PreviewWindow {
public:
    TBRStandardPreview(QWidget* owner, TBRPrinter* printer);
    ~TBRStandardPreview() override;

    // Shows the window, then the status text.
    void ShowPreview();
    void UpdateStatusText();
    void GoToPage(int n);
    void SizeThumbnails();
    // Asks for the text to find; false when cancelled.
    bool AskSearchText(std::string& text, bool& matchCase);
    void ClosePreview() override { close(); }

    // Handlers of the toolbar, keys, grid and preview.
    void ZoomToFitClick();
    void ZoomTo100Click();
    void ZoomToWidthClick();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void GotoPageButtonClick();
    void FindButtonClick();
    void PrintClick();
    void PrintSetupClick();
    void SaveClick();
    void LoadClick();
    void ExitClick();
    // Loads a page stream file into the preview's printer ("File does not
    // exist" when it is not there).
    void LoadFile(const std::string& fileName);
    // Handles a key the form sees first; true when it was one of its keys.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void BRPreviewPageAvailable(int count);
    void BRPreviewProgressUpdate(int percent);
    void BRPreviewHyperlink(const std::string& link);
    void ThumbGridSelectCell(int row);

    // The printer shown (null once it was freed).
    TBRPrinter* Printer() const { return BRPreview->Printer(); }

    // Where the form asks a person; tests and tools may answer instead.
    // The go-to-page box (caption, prompt, value): the text, or nothing when cancelled.
    std::function<std::optional<std::string>(const std::string&, const std::string&, const std::string&)> InputQuery;
    // The search dialog: true with the text and match case, false when cancelled.
    std::function<bool(std::string& text, bool& matchCase)> SearchQuery;
    // The open and save dialogs: the file chosen, or nothing.
    std::function<std::optional<std::string>()> LoadQuery;
    std::function<std::optional<std::string>()> SaveQuery;

    // Components.
    QStatusBar* StatusBar;
    QLabel* StatusProgress;
    QLabel* StatusPage;
    QLabel* StatusTitle;
    QToolBar* ToolBar1;
    QAction *ZoomFit, *ZoomToWidth, *Zoom100, *FirstPage, *PreviousPage, *ToolButton2, *LastPage, *GotoPageButton,
        *FindButton, *PrintSetup, *Print, *SaveReport, *LoadReport;
    QToolButton* ExitButton;
    TBRPreview* BRPreview;
    QSplitter* Splitter1;
    QTabWidget* Tabs;
    QWidget* TabThumbs;
    QTableWidget* ThumbGrid;
    QWidget* TabSearchResult;
    QGroupBox* GroupBox1;
    QLabel* SearchTextLabel;
    QListWidget* SearchResultBox;

protected:
    void closeEvent(QCloseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void build();
    void select_row(int row);
    bool show_thumbs_ = true;
    bool show_search_ = true;
    TBRZoomState initial_zoom_ = brZoomToFit;
    report::ProgressPanel progress_;
    bool selecting_row_ = false;
    bool searching_ = false;
    bool close_pending_ = false;
    int thumb_width_ = 0;
    int thumb_hoffset_ = 0;
    friend class ThumbDelegate;
};

// Opens the standard preview. ShowModal shows nothing without a screen,
// where no one could close the window.
class TBRStandardPreviewInterface : public TBRPreviewInterface {
public:
    using TBRPreviewInterface::TBRPreviewInterface;
    report::PreviewWindow* Show(TBRPrinter* printer) override;
    report::PreviewWindow* ShowModal(TBRPrinter* printer) override;
};
