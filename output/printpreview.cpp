#include "output/printpreview.h"

#include "app/dialogs.h"
#include "app/look.h"
#include "app/numbers.h"
#include "app/shell.h"
#include "output/exportfiles.h"
#include "output/gridprint.h"
#include "storage/storage.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int pageGap = 10; // grey space around the page on screen

// Shows the busy pointer for as long as it lives.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString defaultPdfFileName(QWidget* owner) {
    QString name = QFileDialog::getSaveFileName(owner, QStringLiteral("列印到 PDF 檔案"), QString(),
                                                QStringLiteral("PDF (*.pdf)"));
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".pdf");
    return name;
}

PdfFileChooser& pdfChooser() {
    static PdfFileChooser chooser = defaultPdfFileName;
    return chooser;
}

bool databaseOpen() {
    try {
        return tavroDatabase::current().isOpen();
    } catch (const dbException&) {
        return false;
    }
}

// A whole number typed by the user; anything else is a conversion error for the error box.
int wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------------------

PagePreview::PagePreview(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PagePreview::setZoom(int percent) {
    zoom_ = std::clamp(percent, minZoom, maxZoom);
    paperChanged();
}

void PagePreview::showPage(int number) {
    pageNumber_ = pages_.pageCount() == 0 ? 0 : std::clamp(number, 1, pages_.pageCount());
    update();
}

void PagePreview::paperChanged() {
    resize(sizeHint());
    updateGeometry();
    update();
}

double PagePreview::scale() const {
    return zoom_ / 100.0 * logicalDpiX() / paperDpi;
}

QSize PagePreview::sizeHint() const {
    return QSize(qCeil(pages_.pageWidthPx() * scale()) + 2 * pageGap,
                 qCeil(pages_.pageHeightPx() * scale()) + 2 * pageGap);
}

void PagePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(128, 128, 128));
    const double s = scale();
    const QRectF paper(pageGap, pageGap, pages_.pageWidthPx() * s, pages_.pageHeightPx() * s);
    painter.fillRect(paper.translated(3, 3), Qt::black);
    painter.fillRect(paper, Qt::white);
    if (pageNumber_ < 1)
        return;
    painter.setClipRect(paper);
    painter.translate(pageGap, pageGap);
    painter.scale(s, s);
    pages_.render(painter, pageNumber_ - 1);
}

// ---------------------------------------------------------------------------------------------

QString pdfPrinterName() {
    return QStringLiteral("PDF 檔案");
}

QStringList printerChoices() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.removeAll(pdfPrinterName());
    names << pdfPrinterName();
    return names;
}

int defaultPrinterChoice(const QStringList& choices) {
    const int index = choices.indexOf(QPrinterInfo::defaultPrinterName());
    return index >= 0 ? index : 0;
}

PdfFileChooser setPdfFileChooser(PdfFileChooser chooser) {
    PdfFileChooser previous = std::move(pdfChooser());
    pdfChooser() = chooser ? std::move(chooser) : PdfFileChooser(defaultPdfFileName);
    return previous;
}

// ---------------------------------------------------------------------------------------------

TPrintPreviewForm::TPrintPreviewForm(QWidget* owner) : QDialog(owner) {
    setupUi();
    // Opening: empty pages with 5 mm margins, the printers, A4, then the stored paper.
    pages().clear();
    pages().setMargins(5);
    pages().setFont(printButton->font());
    printer->addItems(printerChoices());
    printer->setCurrentIndex(defaultPrinterChoice(printerChoices()));
    pageSize->setCurrentIndex(1);
    loadSetup();
}

TPrintPreviewForm::~TPrintPreviewForm() = default;

void TPrintPreviewForm::setupUi() {
    setWindowTitle(QStringLiteral("列印報表"));
    resize(1024, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    const auto button = [this](const char* caption, const char* name, const char* hint = nullptr) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        if (hint)
            b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    const auto edit = [this](const char* text, const char* name, int width) {
        auto* e = new QLineEdit(QString::fromUtf8(text), this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(width);
        return e;
    };
    const auto label = [this](const char* text) {
        return new QLabel(QString::fromUtf8(text), this);
    };

    printer = new QComboBox(this);
    printer->setObjectName(QStringLiteral("printer"));
    printer->setMinimumWidth(220);
    pageSize = new QComboBox(this);
    pageSize->setObjectName(QStringLiteral("pageSize"));
    pageSize->addItems(paperChoiceNames());
    pageHeight = edit("297", "pageHeight", 70);
    pageWidth = edit("210", "pageWidth", 70);
    fromPage = edit("1", "fromPage", 50);
    toPage = edit("", "toPage", 50);
    uFirst = button("最前", "uFirst", "最前一頁");
    uPrevious = button("前頁", "uPrevious", "前一頁");
    uNext = button("後頁", "uNext", "後一頁");
    uLast = button("最後", "uLast", "最後一頁");
    for (QPushButton* b : {uFirst, uPrevious, uNext, uLast})
        b->setEnabled(false);
    zoomIn = button("放大T", "zoomIn");
    zoomOut = button("縮小", "zoomOut");
    printCurrentButton = button("列印此頁", "printCurrentButton");
    printButton = button("列印", "printButton");
    printButton->setFont(mingFont(22));
    exportButton = button("輸出", "exportButton");
    Button1 = button("關閉 Esc", "Button1");
    Button1->setShortcut(Qt::Key_Escape);

    auto* paperRow = new QHBoxLayout;
    paperRow->addWidget(label("列印機:"));
    paperRow->addWidget(printer);
    paperRow->addSpacing(12);
    paperRow->addWidget(label("紙張:"));
    paperRow->addWidget(pageSize);
    paperRow->addWidget(label("高度:"));
    paperRow->addWidget(pageHeight);
    paperRow->addWidget(label("(mm)"));
    paperRow->addWidget(label("寬度:"));
    paperRow->addWidget(pageWidth);
    paperRow->addWidget(label("(mm)"));
    paperRow->addStretch();

    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(label("頁數由:"));
    pageRow->addWidget(fromPage);
    pageRow->addWidget(label("至"));
    pageRow->addWidget(toPage);
    for (QPushButton* b : {uFirst, uPrevious, uNext, uLast, zoomIn, zoomOut, printCurrentButton,
                           printButton, exportButton})
        pageRow->addWidget(b);
    pageRow->addStretch();
    pageRow->addWidget(Button1);

    GmPreview1 = new PagePreview(this);
    GmPreview1->setObjectName(QStringLiteral("GmPreview1"));
    scroller_ = new QScrollArea(this);
    scroller_->setWidget(GmPreview1);
    scroller_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroller_->setBackgroundRole(QPalette::Dark);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    statusPages = new QLabel(this);
    statusPage = new QLabel(this);
    for (QLabel* panel : {statusPages, statusPage}) {
        panel->setFixedWidth(100);
        StatusBar1->addWidget(panel);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addLayout(paperRow);
    layout->addLayout(pageRow);
    layout->addWidget(scroller_, 1);
    layout->addWidget(StatusBar1);

    setSizeEditsEditable(false);
    GmPreview1->setZoom(80);

    connect(uFirst, &QPushButton::clicked, this, &TPrintPreviewForm::uFirstClick);
    connect(uPrevious, &QPushButton::clicked, this, &TPrintPreviewForm::uPreviousClick);
    connect(uNext, &QPushButton::clicked, this, &TPrintPreviewForm::uNextClick);
    connect(uLast, &QPushButton::clicked, this, &TPrintPreviewForm::uLastClick);
    connect(zoomIn, &QPushButton::clicked, this, &TPrintPreviewForm::zoomInClick);
    connect(zoomOut, &QPushButton::clicked, this, &TPrintPreviewForm::zoomOutClick);
    connect(printButton, &QPushButton::clicked, this, &TPrintPreviewForm::printButtonClick);
    connect(printCurrentButton, &QPushButton::clicked, this,
            &TPrintPreviewForm::printCurrentButtonClick);
    connect(exportButton, &QPushButton::clicked, this, &TPrintPreviewForm::exportButtonClick);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(pageSize, &QComboBox::activated, this, &TPrintPreviewForm::pageSizeChange);
    for (QLineEdit* e : {fromPage, pageHeight, pageWidth})
        e->installEventFilter(this);
}

bool TPrintPreviewForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == fromPage)
                fromPageKeyPress();
            else if (watched == pageHeight || watched == pageWidth)
                pageHeightKeyPress();
            else
                return QDialog::eventFilter(watched, event);
            return true; // Enter is consumed: it must not close the window
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPrintPreviewForm::loadSetup() {
    if (!databaseOpen())
        return;
    dbCursor<PrintPreviewSetup> setup;
    if (setup.select() == 0)
        return;
    const int index = std::clamp<int>(setup->pageSize, 0, paperChoiceCount - 1);
    pageSize->setCurrentIndex(index);
    pageHeight->setText(QString::number(setup->pageHeight));
    pageWidth->setText(QString::number(setup->pageWidth));
    pageSizeChange(index);
}

void TPrintPreviewForm::saveSetup() {
    if (!databaseOpen())
        return;
    PrintPreviewSetup record;
    record.pageSize = static_cast<std::int8_t>(pageSize->currentIndex());
    try {
        record.pageHeight = parseNumberText(pageHeight->text());
        record.pageWidth = parseNumberText(pageWidth->text());
    } catch (const std::invalid_argument&) {
        // A size that is not a number is not kept: the stored paper stays as it was.
        return;
    }
    dbCursor<PrintPreviewSetup> old(dbCursorForUpdate);
    old.select();
    while (!old.isEmpty())
        old.remove();
    insert(record);
}

void TPrintPreviewForm::done(int result) {
    saveSetup();
    QDialog::done(result);
}

void TPrintPreviewForm::setOrientation(QPageLayout::Orientation orientation) {
    pages().setOrientation(orientation);
    GmPreview1->paperChanged();
}

void TPrintPreviewForm::setPrinterIndex(int index) {
    if (index >= 0 && index < printer->count())
        printer->setCurrentIndex(index);
}

void TPrintPreviewForm::drawHeadings(const QString& heading1, const QString& heading2,
                                     const QString& heading3) {
    setWindowState(windowState() | Qt::WindowMaximized);
    headings_ = {heading1, heading2, heading3};
    layoutHeadings(pages(), printButton->font(), heading1, heading2, heading3);
}

void TPrintPreviewForm::drawGrid(QTableWidget* grid, int left, int top) {
    sourceGrid_ = grid;
    layoutGrid(pages(), *grid, left, top);
}

// --- navigation ------------------------------------------------------------------------------

void TPrintPreviewForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    exportButton->setVisible(sourceGrid_ != nullptr);
    statusPages->setText(QStringLiteral("總 %1 頁").arg(pages().pageCount()));
    toPage->setText(QString::number(pages().pageCount()));
    uFirstClick();
}

void TPrintPreviewForm::displayPage(int number) {
    GmPreview1->showPage(number);
    // A new page is read from its top.
    scroller_->verticalScrollBar()->setValue(0);
}

void TPrintPreviewForm::showPageNumber() {
    statusPage->setText(QStringLiteral("第 %1 頁").arg(GmPreview1->pageNumber()));
}

void TPrintPreviewForm::updateNavigation() {
    const int page = GmPreview1->pageNumber();
    const int count = pages().pageCount();
    uFirst->setEnabled(page > 1);
    uPrevious->setEnabled(page > 1);
    uNext->setEnabled(page < count);
    uLast->setEnabled(page < count);
    showPageNumber();
}

void TPrintPreviewForm::uFirstClick() {
    displayPage(1);
    updateNavigation();
}

void TPrintPreviewForm::uPreviousClick() {
    displayPage(GmPreview1->pageNumber() - 1);
    updateNavigation();
}

void TPrintPreviewForm::uNextClick() {
    displayPage(GmPreview1->pageNumber() + 1);
    updateNavigation();
}

void TPrintPreviewForm::uLastClick() {
    displayPage(pages().pageCount());
    updateNavigation();
}

void TPrintPreviewForm::fromPageKeyPress() {
    bool ok = false;
    const int page = fromPage->text().trimmed().toInt(&ok);
    if (!ok)
        return;
    if (page < 1) {
        messageBox(QStringLiteral("頁數不能少過零."), this);
        return;
    }
    if (page > pages().pageCount()) {
        messageBox(QStringLiteral("頁數不能太過總頁數."), this);
        return;
    }
    displayPage(page);
    showPageNumber();
}

// --- zoom and paper --------------------------------------------------------------------------

void TPrintPreviewForm::zoomInClick() {
    GmPreview1->setZoom(std::min(GmPreview1->zoom() + 10, PagePreview::maxZoom));
}

void TPrintPreviewForm::zoomOutClick() {
    if (GmPreview1->zoom() > 10)
        GmPreview1->setZoom(GmPreview1->zoom() - 10);
}

void TPrintPreviewForm::setSizeEditsEditable(bool editable) {
    for (QLineEdit* e : {pageHeight, pageWidth}) {
        e->setReadOnly(!editable);
        QPalette palette = e->palette();
        palette.setColor(QPalette::Base, editable ? QColor(Qt::white) : QColor(192, 192, 192));
        e->setPalette(palette);
    }
}

void TPrintPreviewForm::pageSizeChange(int index) {
    const auto choice = static_cast<PaperChoice>(std::clamp(index, 0, paperChoiceCount - 1));
    if (choice == PaperChoice::Custom) {
        // The edits open for typing even when their numbers are not a size yet.
        setSizeEditsEditable(true);
        try {
            pages().setCustomPaper(parseNumberText(pageHeight->text()),
                                   parseNumberText(pageWidth->text()));
        } catch (const std::invalid_argument&) {
            return; // not applied; the user corrects the numbers and presses Enter
        }
    } else {
        pages().setPaper(choice);
        pageHeight->setText(QString::number(pages().paperHeightMm()));
        pageWidth->setText(QString::number(pages().paperWidthMm()));
        setSizeEditsEditable(false);
    }
    GmPreview1->paperChanged();
}

void TPrintPreviewForm::pageHeightKeyPress() {
    const double width = parseNumberText(pageWidth->text());
    const double height = parseNumberText(pageHeight->text());
    pages().setCustomPaper(height, width);
    GmPreview1->paperChanged();
}

// --- printing --------------------------------------------------------------------------------

std::unique_ptr<QPrinter> TPrintPreviewForm::choosePrinter() {
    auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (printer->currentText() == pdfPrinterName()) {
        const QString file = pdfChooser()(this);
        if (file.isEmpty())
            return nullptr;
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(file);
    } else {
        device->setPrinterName(printer->currentText());
    }
    device->setColorMode(QPrinter::Color);
    device->setDuplex(QPrinter::DuplexNone);
    device->setCollateCopies(false);
    device->setDocName(QStringLiteral("<document>"));
    return device;
}

void TPrintPreviewForm::printPages(int from, int to) {
    std::unique_ptr<QPrinter> device = choosePrinter();
    if (!device)
        return;
    BusyCursor busy;
    pages().print(*device, from, to);
}

void TPrintPreviewForm::printButtonClick() {
    if (sameNumber(pages().paperHeightMm(), 297) && sameNumber(pages().paperWidthMm(), 210)) {
        pageSize->setCurrentIndex(static_cast<int>(PaperChoice::A4));
        pageSizeChange(static_cast<int>(PaperChoice::A4));
    }
    const int last = wholeNumber(toPage->text());
    const int first = wholeNumber(fromPage->text());
    printPages(first, std::min(last, pages().pageCount()));
}

void TPrintPreviewForm::printCurrentButtonClick() {
    if (GmPreview1->pageNumber() > 0)
        printPages(GmPreview1->pageNumber(), GmPreview1->pageNumber());
}

// --- export ----------------------------------------------------------------------------------

void TPrintPreviewForm::exportButtonClick() {
    if (!sourceGrid_)
        return;
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SaveDialog2"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(exportFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const int filterIndex = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    const QString fileName = exportFileName(dialog.selectedFiles().constFirst(), filterIndex);
    // The old file is replaced only once the new one is complete, so a failed export
    // leaves it as it was.
    if (QFileInfo::exists(fileName) && !confirmYesNo(QStringLiteral("檔案存在, 取代它嗎?"), this))
        return;
    {
        BusyCursor busy;
        writeExport(fileName, exportTable(*sourceGrid_, headings_));
    }
    if (confirmYesNo(QStringLiteral("%1 個資料已成功輸出到%2, 開啟嗎?")
                         .arg(sourceGrid_->rowCount())
                         .arg(QDir::toNativeSeparators(fileName)),
                     this))
        openWithShell(fileName);
}

// ---------------------------------------------------------------------------------------------

void printListGrid(QTableWidget* grid, const QString& caption, QWidget* owner) {
    TPrintPreviewForm preview(owner);
    if (totalColumnWidth(*grid) > portraitWidthLimit)
        preview.setOrientation(QPageLayout::Landscape);
    QString regName;
    {
        dbCursor<AboutConfig> about;
        if (about.select() > 0)
            regName = QString::fromUtf8(about->regName);
    }
    preview.drawHeadings(regName, caption, QString());
    preview.drawGrid(grid, 50, 130);
    tavroDatabase::current().commit();
    preview.exec();
}
