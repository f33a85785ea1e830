#include "report/ui/BRStdPrev.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "platform/core/HostServices.h"
#include "platform/core/SysUtils.h"
#include "platform/ui/Headless.h"
#include "report/pages/BRTextSearch.h"
#include "report/ui/BRPrgres.h"
#include "report/ui/BRSearchDlg.h"

std::string PreviewTitleText;

namespace {

// How many pages a search reads between two turns of the message loop.
constexpr int kSearchSlice = 50;

void error_box(const std::string& text) {
    core::MessageBoxRequest box;
    box.Text = text;
    box.Flags = core::MB_OK | core::MB_ICONERROR;
    core::host().MessageBox(box);
}

constexpr const char* kNoPrinter = "There is no printer";

// The process's host while the preview prints: the preview's progress form
// is the one progress window (its Cancel stops the job), so the host's own
// progress shows nothing; everything else goes to the host.
class FormProgressHost : public core::HostServices {
public:
    explicit FormProgressHost(core::HostServices& outer) : outer_(outer) {}
    std::string Title() const override { return outer_.Title(); }
    int MessageBox(const core::MessageBoxRequest& request) override { return outer_.MessageBox(request); }
    void Information(const std::string& text) override { outer_.Information(text); }
    std::unique_ptr<core::ProgressMonitor> BeginProgress(const std::string&) override {
        struct Quiet : core::ProgressMonitor {
            bool Step(int, const std::string&) override { return true; }
        };
        return std::make_unique<Quiet>();
    }
    void ProcessMessages() override { outer_.ProcessMessages(); }
    void Post(std::function<void()> notice) override { outer_.Post(std::move(notice)); }

private:
    core::HostServices& outer_;
};

// The printer has pages to print and a destination, or a file to print into.
bool can_print(const TBRPrinter* p) {
    return p && p->State() == 2 && p->PageCount() > 0 && (p->PrintersPresent() || !p->OutputFile.empty());
}

}  // namespace

// Paints a thumbnail: the page in the cell, its number at the top left.
class ThumbDelegate : public QStyledItemDelegate {
public:
    ThumbDelegate(TBRStandardPreview& form) : QStyledItemDelegate(form.ThumbGrid), form_(form) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect cell = option.rect;
        painter->save();
        painter->fillRect(cell, option.palette.color(QPalette::Button));
        if (option.state & QStyle::State_Selected) painter->fillRect(cell, option.palette.color(QPalette::Highlight));
        if (TBRPrinter* printer = form_.Printer()) {
            if (auto page = printer->GetStoredPage(index.row() + 1))
                DrawPage(page.get(), *painter,
                         QRect(QPoint(cell.left() + form_.thumb_hoffset_, cell.top() + 10),
                               QPoint(cell.right() + 1 - 30, cell.bottom() + 1 - 10)),
                         true);
        }
        painter->setPen(option.palette.color(QPalette::ButtonText));
        painter->drawText(cell.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(index.row() + 1));
        painter->restore();
    }

private:
    TBRStandardPreview& form_;
};

TBRStandardPreview::TBRStandardPreview(QWidget* owner, TBRPrinter* printer) : QMainWindow(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    // Without a report of its own the preview shows thumbnails and search
    // and fits the page to the window.
    BRPreview->AttachPrinter(printer);
    if (printer && !printer->Title.empty()) setWindowTitle(QString::fromStdString(printer->Title));
    const bool tabs = show_thumbs_ || show_search_;
    Tabs->setVisible(tabs);
    if (tabs) {
        if (printer) ThumbGrid->setRowCount(printer->PageCount());
        Tabs->setTabVisible(Tabs->indexOf(TabThumbs), show_thumbs_);
        if (!show_search_) {
            Tabs->setTabVisible(Tabs->indexOf(TabSearchResult), false);
            FindButton->setVisible(false);
        }
    }
    if (initial_zoom_ == brZoomToFit) {
        BRPreview->FitPageToWindow();
        ZoomFit->setChecked(true);
    } else if (initial_zoom_ == brZoomToWidth) {
        BRPreview->FitPageToWidth();
        ZoomToWidth->setChecked(true);
    } else {
        BRPreview->SetZoom(100);
        BRPreview->SizePreviewImage();
        Zoom100->setChecked(true);
    }
    const bool finished = printer && printer->State() == 2;
    // Without a printer, Print is off and Printer setup says why.
    Print->setEnabled(can_print(printer));
    PrintSetup->setEnabled(finished);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

TBRStandardPreview::~TBRStandardPreview() = default;

void TBRStandardPreview::build() {
    setObjectName("BRStandardPreview");
    setWindowTitle("Print Preview");
    resize(800, 639);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - 800) / 2, area.top() + (area.height() - 639) / 2);
    }

    ToolBar1 = addToolBar("ToolBar1");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    QStyle* s = style();
    auto action = [&](const char* name, const char* text, const char* hint, QStyle::StandardPixmap icon,
                      void (TBRStandardPreview::*handler)()) {
        QAction* a = icon == QStyle::SP_CustomBase ? ToolBar1->addAction(text) : ToolBar1->addAction(s->standardIcon(icon), text);
        a->setObjectName(name);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    ZoomFit = action("ZoomFit", "Fit", "Zoom to fit", QStyle::SP_CustomBase, &TBRStandardPreview::ZoomToFitClick);
    ZoomToWidth = action("ZoomToWidth", "Width", "Zoom to width", QStyle::SP_CustomBase,
                         &TBRStandardPreview::ZoomToWidthClick);
    Zoom100 = action("Zoom100", "100%", "100%", QStyle::SP_CustomBase, &TBRStandardPreview::ZoomTo100Click);
    auto* zooms = new QActionGroup(this);
    for (QAction* a : {ZoomFit, ZoomToWidth, Zoom100}) {
        a->setCheckable(true);
        zooms->addAction(a);
    }
    ToolBar1->addSeparator();
    FirstPage = action("FirstPage", "First", "First page", QStyle::SP_MediaSkipBackward, &TBRStandardPreview::FirstPageClick);
    PreviousPage = action("PreviousPage", "Previous", "Previous page", QStyle::SP_MediaSeekBackward,
                          &TBRStandardPreview::PrevPageClick);
    ToolButton2 = action("ToolButton2", "Next", "Next page", QStyle::SP_MediaSeekForward, &TBRStandardPreview::NextPageClick);
    LastPage = action("LastPage", "Last", "Last page", QStyle::SP_MediaSkipForward, &TBRStandardPreview::LastPageClick);
    ToolBar1->addSeparator();
    GotoPageButton = action("GotoPageButton", "Go to", "Go to page", QStyle::SP_CustomBase,
                            &TBRStandardPreview::GotoPageButtonClick);
    FindButton = action("FindButton", "Find", "Search for text", QStyle::SP_FileDialogContentsView,
                        &TBRStandardPreview::FindButtonClick);
    ToolBar1->addSeparator();
    PrintSetup = action("PrintSetup", "Setup", "Printer setup", QStyle::SP_FileDialogDetailedView,
                        &TBRStandardPreview::PrintSetupClick);
    Print = action("Print", "Print", "Print", QStyle::SP_CustomBase, &TBRStandardPreview::PrintClick);
    ToolBar1->addSeparator();
    SaveReport = action("SaveReport", "Save", "Save Report", QStyle::SP_DialogSaveButton, &TBRStandardPreview::SaveClick);
    LoadReport = action("LoadReport", "Load", "Load Report", QStyle::SP_DialogOpenButton, &TBRStandardPreview::LoadClick);
    ToolBar1->addSeparator();
    ExitButton = new QToolButton(ToolBar1);
    ExitButton->setObjectName("ExitButton");
    ExitButton->setText("&Close");
    ExitButton->setToolTip("Close preview");
    connect(ExitButton, &QToolButton::clicked, this, [this] { ExitClick(); });
    ToolBar1->addWidget(ExitButton);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName("Splitter1");
    Tabs = new QTabWidget(Splitter1);
    Tabs->setObjectName("Tabs");
    TabThumbs = new QWidget;
    TabThumbs->setObjectName("TabThumbs");
    ThumbGrid = new QTableWidget(0, 1, TabThumbs);
    ThumbGrid->setObjectName("ThumbGrid");
    ThumbGrid->horizontalHeader()->hide();
    ThumbGrid->verticalHeader()->hide();
    ThumbGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ThumbGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ThumbGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ThumbGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ThumbGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ThumbGrid->setShowGrid(false);
    ThumbGrid->verticalHeader()->setDefaultSectionSize(90);
    ThumbGrid->horizontalHeader()->setDefaultSectionSize(90);
    ThumbGrid->setItemDelegate(new ThumbDelegate(*this));
    connect(ThumbGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ThumbGridSelectCell(row); });
    (new QVBoxLayout(TabThumbs))->addWidget(ThumbGrid);
    Tabs->addTab(TabThumbs, "Thumbnails");
    TabSearchResult = new QWidget;
    TabSearchResult->setObjectName("TabSearchResult");
    auto* searchLayout = new QVBoxLayout(TabSearchResult);
    GroupBox1 = new QGroupBox("Search text", TabSearchResult);
    GroupBox1->setObjectName("GroupBox1");
    SearchTextLabel = new QLabel(GroupBox1);
    SearchTextLabel->setObjectName("SearchTextLabel");
    (new QVBoxLayout(GroupBox1))->addWidget(SearchTextLabel);
    SearchResultBox = new QListWidget(TabSearchResult);
    SearchResultBox->setObjectName("SearchResultBox");
    SearchResultBox->setEnabled(false);
    connect(SearchResultBox, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString text = item->text();
        if (text.startsWith("Page ")) GoToPage(text.mid(5).toInt());
    });
    searchLayout->addWidget(GroupBox1);
    searchLayout->addWidget(SearchResultBox);
    Tabs->addTab(TabSearchResult, "Search result");

    BRPreview = new TBRPreview(Splitter1);
    BRPreview->setObjectName("BRPreview");
    BRPreview->SetZoom(70);
    BRPreview->OnPageAvailable = [this](QObject*, int count) { BRPreviewPageAvailable(count); };
    BRPreview->OnProgressUpdate = [this](QObject*, int percent) { BRPreviewProgressUpdate(percent); };
    Splitter1->addWidget(Tabs);
    Splitter1->addWidget(BRPreview);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({193, 800 - 193});
    setCentralWidget(Splitter1);

    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    StatusProgress = new QLabel("0%");
    StatusProgress->setObjectName("StatusProgress");
    StatusProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusProgress->setFixedWidth(40);
    StatusPage = new QLabel("Page");
    StatusPage->setObjectName("StatusPage");
    StatusPage->setFixedWidth(120);
    StatusTitle = new QLabel;
    StatusTitle->setObjectName("StatusTitle");
    StatusTitle->setMinimumWidth(50);
    StatusBar->addWidget(StatusProgress);
    StatusBar->addWidget(StatusPage);
    StatusBar->addWidget(StatusTitle, 1);
}

void TBRStandardPreview::ShowPreview() {
    show();
    UpdateStatusText();
    SizeThumbnails();
}

void TBRStandardPreview::UpdateStatusText() {
    TBRPrinter* p = Printer();
    StatusPage->setText(BRPreview->ShowsEmptyReport()
                            ? QString::fromUtf8(report::kEmptyReportText)
                            : QString::fromStdString(report::PageStatusText(BRPreview->PageNumber(), p ? p->PageCount() : 0)));
    StatusTitle->setText(QString::fromStdString(PreviewTitleText));
}

void TBRStandardPreview::select_row(int row) {
    selecting_row_ = true;
    ThumbGrid->setCurrentCell(row, 0);
    selecting_row_ = false;
}

void TBRStandardPreview::GoToPage(int n) {
    BRPreview->SetPageNumber(n);
    UpdateStatusText();
    TBRPrinter* p = Printer();
    if (p && n >= 1 && n <= p->PageCount()) select_row(n - 1);
}

void TBRStandardPreview::SizeThumbnails() {
    const int text_height = ThumbGrid->fontMetrics().boundingRect("P").height();
    const int column = std::max(ThumbGrid->viewport()->width() - 4, 1);
    thumb_width_ = column - 20;
    TBRPrinter* p = Printer();
    double width = p ? p->PagePaperWidth() : 2159, length = p ? p->PagePaperLength() : 2794;
    if (width <= 0 || length <= 0) width = length = 1;
    const int row = std::max(int(std::lrint(thumb_width_ * length / width - text_height)), 1);
    ThumbGrid->setColumnWidth(0, column);
    ThumbGrid->verticalHeader()->setDefaultSectionSize(row);
    thumb_hoffset_ = int(std::lrint((column - thumb_width_) / 2.0));
    ThumbGrid->viewport()->update();
}

bool TBRStandardPreview::AskSearchText(std::string& text, bool& matchCase) {
    if (SearchQuery) return SearchQuery(text, matchCase);
    TSearchDlg dialog(this);
    dialog.exec();
    if (dialog.Cancelled) return false;
    text = dialog.Edit1->text().toStdString();
    matchCase = dialog.CheckBox1->isChecked();
    return true;
}

void TBRStandardPreview::ZoomToFitClick() {
    QApplication::processEvents();
    BRPreview->FitPageToWindow();
}

void TBRStandardPreview::ZoomTo100Click() {
    QApplication::processEvents();
    BRPreview->SetZoom(100);
    BRPreview->SizePreviewImage();
}

void TBRStandardPreview::ZoomToWidthClick() {
    QApplication::processEvents();
    BRPreview->FitPageToWidth();
}

void TBRStandardPreview::FirstPageClick() { GoToPage(1); }
void TBRStandardPreview::PrevPageClick() { GoToPage(BRPreview->PageNumber() - 1); }
void TBRStandardPreview::NextPageClick() { GoToPage(BRPreview->PageNumber() + 1); }
void TBRStandardPreview::LastPageClick() { GoToPage(Printer() ? Printer()->PageCount() : 0); }

void TBRStandardPreview::GotoPageButtonClick() {
    const int count = Printer() ? Printer()->PageCount() : 0;
    const std::string caption = "Select a page from 1 to " + std::to_string(count);
    const std::string prompt = "Go to page >>";
    const std::string value = std::to_string(BRPreview->PageNumber());
    std::optional<std::string> answer;
    if (InputQuery) {
        answer = InputQuery(caption, prompt, value);
    } else {
        bool ok = false;
        const QString text = QInputDialog::getText(this, QString::fromStdString(caption), QString::fromStdString(prompt),
                                                   QLineEdit::Normal, QString::fromStdString(value), &ok);
        if (ok) answer = text.toStdString();
    }
    GoToPage(report::GoToPageAnswer(answer, BRPreview->PageNumber(), count));
}

void TBRStandardPreview::FindButtonClick() {
    // One search at a time: a click while one runs is refused.
    if (searching_ || report::TextSearchBusy()) return;
    std::string text;
    bool match_case = false;
    if (!AskSearchText(text, match_case)) return;
    searching_ = true;
    SearchResultBox->setEnabled(true);
    SearchTextLabel->setText(QString::fromStdString(text));
    SearchResultBox->clear();
    QPointer<TBRStandardPreview> alive(this);
    for (int n = 1; alive && !close_pending_ && Printer() && n <= Printer()->PageCount(); ++n) {
        if (auto page = Printer()->GetStoredPage(n); page && FindTextInPage(text, *page, match_case))
            SearchResultBox->addItem("Page " + QString::number(n));
        if (n % kSearchSlice == 0) QApplication::processEvents();
    }
    if (!alive) return;
    searching_ = false;
    if (SearchResultBox->count() == 0) {
        SearchResultBox->addItem("No matching text");
        SearchResultBox->setEnabled(false);
    }
    if (close_pending_) close();
}

void TBRStandardPreview::PrintClick() {
    TBRPrinter* p = Printer();
    if (!p || p->State() != 2 || p->PageCount() == 0) return;
    if (!can_print(p)) {
        Print->setEnabled(false);
        error_box(kNoPrinter);
        return;
    }
    TBRProgressForm progress(p, this);
    progress.show();
    p->Preview = &progress;
    FormProgressHost quiet(core::host());
    try {
        const core::ScopedService<core::HostServices*> one_progress(core::host_slot, &quiet);
        p->PrintStoredPages();
    } catch (const std::exception& e) {
        error_box(e.what());
    }
    if (Printer() == p) p->Preview = BRPreview;
}

void TBRStandardPreview::PrintSetupClick() {
    TBRPrinter* p = Printer();
    if (!p) return;
    QStringList names;
    for (const std::string& name : p->Printer().Printers()) names << QString::fromStdString(name);
    if (names.isEmpty()) {
        Print->setEnabled(can_print(p));
        error_box(kNoPrinter);
        return;
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, "Printer setup", "Printer", names, 0, false, &ok);
    if (ok) p->SelectPrinter(int(names.indexOf(chosen)));
}

void TBRStandardPreview::SaveClick() {
    TBRPrinter* p = Printer();
    if (!p || p->State() != 2) return;
    std::optional<std::string> name;
    if (SaveQuery) {
        name = SaveQuery();
    } else {
        QFileDialog dialog(this, "Save report", QString(), "BandReport file (*.BRP *.brp)");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("BRP");
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            name = dialog.selectedFiles().front().toStdString();
    }
    if (!name || name->empty()) return;
    try {
        p->SavePageStreamFile(*name);
    } catch (const std::exception& e) {
        error_box(e.what());
    }
}

void TBRStandardPreview::LoadClick() {
    std::optional<std::string> name;
    if (LoadQuery) {
        name = LoadQuery();
    } else {
        const QString file =
            QFileDialog::getOpenFileName(this, "Load report", QString(), "BandReport file (*.BRP *.brp)");
        if (!file.isEmpty()) name = file.toStdString();
    }
    if (name && !name->empty()) LoadFile(*name);
}

void TBRStandardPreview::LoadFile(const std::string& fileName) {
    TBRPrinter* p = Printer();
    if (!p) return;
    if (!FileExists(fileName)) {
        error_box("File does not exist");
        return;
    }
    try {
        // A damaged file is refused before the pages shown are let go.
        TBRPageList probe;
        probe.OpenStoredPages(fileName);
        p->LoadPageStreamFile(fileName);
    } catch (const std::exception& e) {
        error_box(e.what());
        return;
    }
    PreviewTitleText = fileName;
    BRPreview->SetPageNumber(1);
    BRPreview->Image().ShowPage(1);
    BRPreview->ApplyZoomState();
    BRPreviewPageAvailable(p->PageCount());
    select_row(0);
    report::StoredFileLoaded = true;
    Print->setEnabled(can_print(p));
}

void TBRStandardPreview::ExitClick() { close(); }

bool TBRStandardPreview::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ==
                      Qt::ControlModifier;
    switch (key) {
        case Qt::Key_Escape: close(); return true;
        case Qt::Key_PageUp: ctrl ? FirstPageClick() : PrevPageClick(); return true;
        case Qt::Key_Home: FirstPageClick(); return true;
        case Qt::Key_PageDown: ctrl ? LastPageClick() : NextPageClick(); return true;
        case Qt::Key_End: LastPageClick(); return true;
        default: return false;
    }
}

bool TBRStandardPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ThumbGrid && event->type() == QEvent::Resize) SizeThumbnails();
    // The form sees keys before its controls.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers())) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TBRStandardPreview::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key(), event->modifiers())) QMainWindow::keyPressEvent(event);
}

void TBRStandardPreview::BRPreviewPageAvailable(int count) {
    UpdateStatusText();
    if (Printer()) ThumbGrid->setRowCount(Printer()->PageCount());
    (void)count;
    ThumbGrid->viewport()->update();
    if (Printer() && Printer()->State() == 2) {
        PrintSetup->setEnabled(true);
        Print->setEnabled(can_print(Printer()));
    }
}

void TBRStandardPreview::BRPreviewProgressUpdate(int percent) {
    if (const auto text = progress_.Update(percent)) StatusProgress->setText(QString::fromStdString(*text));
}

void TBRStandardPreview::BRPreviewHyperlink(const std::string& link) {
    StatusTitle->setText(QString::fromStdString(link));
}

void TBRStandardPreview::ThumbGridSelectCell(int row) {
    if (selecting_row_ || row < 0) return;
    BRPreview->SetPageNumber(row + 1);
    UpdateStatusText();
}

void TBRStandardPreview::closeEvent(QCloseEvent* event) {
    if (searching_) {
        // The search ends first, then the form closes.
        close_pending_ = true;
        event->ignore();
        return;
    }
    if (TBRPrinter* p = Printer()) p->SendCloseNotice();
    BRPreview->AttachPrinter(nullptr);
    QMainWindow::closeEvent(event);
}

void TBRStandardPreview::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    BRPreview->SizePreviewImage();
    SizeThumbnails();
}

report::PreviewWindow* TBRStandardPreviewInterface::Show(TBRPrinter* printer) {
    auto* form = new TBRStandardPreview(nullptr, printer);
    form->ShowPreview();
    return form;
}

report::PreviewWindow* TBRStandardPreviewInterface::ShowModal(TBRPrinter* printer) {
    // Without a screen no one could close the window: nothing is shown.
    if (ui::is_headless()) return nullptr;
    auto* form = new TBRStandardPreview(nullptr, printer);
    form->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form->ShowPreview();
    loop.exec();
    return nullptr;
}
