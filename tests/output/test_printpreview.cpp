// The print preview: headings and grid on pages, navigation, zoom, paper, printing to PDF.

#include "app/dialogforms.h"
#include "app/look.h"
#include "app/numbers.h"
#include "output/gridprint.h"
#include "output/printpreview.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

namespace {

// A list grid as the list windows build it: hidden ID column, then the given widths.
std::unique_ptr<QTableWidget> makeGrid(const QList<int>& widths, int rows, int rowHeight = 24) {
    auto grid = std::make_unique<QTableWidget>(rows, static_cast<int>(widths.size()) + 1);
    grid->setFont(mingFont(16));
    QStringList headers{QStringLiteral("ID")};
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->setColumnWidth(0, 1);
    for (int c = 0; c < widths.size(); ++c) {
        headers << QStringLiteral("欄%1").arg(c + 1);
        grid->setColumnWidth(c + 1, widths[c]);
    }
    grid->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < rows; ++r) {
        grid->setRowHeight(r, rowHeight);
        grid->setItem(r, 0, new QTableWidgetItem(QString::number(1000 + r)));
        for (int c = 1; c < grid->columnCount(); ++c)
            grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
    }
    return grid;
}

// Cells of a page, in drawing order.
std::vector<PageItem> cellsOf(const Page& page) {
    std::vector<PageItem> cells;
    for (const PageItem& item : page.items)
        if (item.kind == PageItem::Cell)
            cells.push_back(item);
    return cells;
}

void selectPdfPrinter(TPrintPreviewForm& form) {
    form.setPrinterIndex(form.printer->findText(pdfPrinterName()));
    QCOMPARE(form.printer->currentText(), pdfPrinterName());
}

// Sends every print of the test into one PDF file.
struct PdfTarget {
    explicit PdfTarget(const QString& path) : path(path) {
        previous = setPdfFileChooser([path](QWidget*) { return path; });
    }
    ~PdfTarget() { setPdfFileChooser(previous); }
    QString path;
    PdfFileChooser previous;
};

void setRegName(const char* name) {
    AboutConfig about;
    about.regName = name;
    insert(about);
}

} // namespace

class TestPrintPreview : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ModalDriver::clear(); }

    void listPrintOrientation_data();
    void listPrintOrientation();
    void listPrintHeadingsAndGrid();
    void headingLines_data();
    void headingLines();
    void gridRepeatsHeaderOnEveryPage();
    void emptyGridPrintsOnePage();
    void gridColumnsAsOnScreen();
    void showSetsCountersAndButtons();
    void fromPageChecks_data();
    void fromPageChecks();
    void zoomBounds();
    void paperChoices_data();
    void paperChoices();
    void customPaperStoredAndReopened();
    void badCustomSizeIsNotApplied();
    void customA4PrintsAsA4();
    void printRangeClippedToLastPage_data();
    void printRangeClippedToLastPage();
    void printCurrentPage();
    void printedTextMatchesPages();
    void printerListEndsWithPdf();
};

void TestPrintPreview::listPrintOrientation_data() {
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<bool>("landscape");
    // The hidden ID column counts too: 1 + 700 = 701 stays portrait.
    QTest::newRow("701 portrait") << QList<int>{300, 400} << false;
    QTest::newRow("702 landscape") << QList<int>{300, 401} << true;
    QTest::newRow("narrow portrait") << QList<int>{100} << false;
}

void TestPrintPreview::listPrintOrientation() {
    QFETCH(QList<int>, widths);
    QFETCH(bool, landscape);
    TempDatabase db;
    auto grid = makeGrid(widths, 3);
    bool seen = false;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(form);
        seen = true;
        QCOMPARE(form->pages().orientation() == QPageLayout::Landscape, landscape);
        QCOMPARE(form->pages().pageWidthMm(), landscape ? 297.0 : 210.0);
    });
    QWidget owner;
    printListGrid(grid.get(), QStringLiteral("藥物資料列表"), &owner);
    QVERIFY(seen);
}

void TestPrintPreview::listPrintHeadingsAndGrid() {
    TempDatabase db;
    setRegName("仁愛護老院");
    db.db().commit();
    auto grid = makeGrid({200, 200}, 2);
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(form);
        QCOMPARE(form->headings(), (QStringList{QStringLiteral("仁愛護老院"),
                                                QStringLiteral("藥物資料列表"), QString()}));
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QVERIFY(form->exportButton->isVisible());
        const Page& page = form->pages().page(0);
        // Name and caption, the rule at 100/105, then the header row at (50, 130).
        QStringList texts;
        for (const PageItem& item : page.items)
            if (item.kind == PageItem::Text)
                texts << item.text;
        QCOMPARE(texts,
                 (QStringList{QStringLiteral("仁愛護老院"), QStringLiteral("藥物資料列表")}));
        const auto cells = cellsOf(page);
        QVERIFY(!cells.empty());
        QCOMPARE(cells.front().rect.topLeft(), QPointF(50, 130));
        QCOMPARE(cells.front().text, QStringLiteral("欄1"));
    });
    QWidget owner;
    printListGrid(grid.get(), QStringLiteral("藥物資料列表"), &owner);
    QVERIFY(ModalDriver::waitDone());
    // printListGrid committed: the preview's closing wrote its paper setting after that, and
    // a rollback takes it away again.
    db.db().rollback();
    dbCursor<PrintPreviewSetup> setup;
    QCOMPARE(setup.select(), 0);
}

void TestPrintPreview::headingLines_data() {
    QTest::addColumn<QString>("heading2");
    QTest::addColumn<QString>("heading3");
    QTest::addColumn<QList<double>>("tops");
    QTest::addColumn<double>("rule");
    QTest::newRow("one line") << QString() << QString() << QList<double>{50} << 80.0;
    QTest::newRow("blank second") << QStringLiteral("  ") << QString() << QList<double>{50} << 80.0;
    QTest::newRow("two lines") << QStringLiteral("B") << QString() << QList<double>{50, 75}
                               << 100.0;
    QTest::newRow("three lines") << QStringLiteral("B") << QStringLiteral("C")
                                 << QList<double>{50, 75, 100} << 120.0;
    QTest::newRow("first and third")
        << QString() << QStringLiteral("C") << QList<double>{50, 100} << 80.0;
}

void TestPrintPreview::headingLines() {
    QFETCH(QString, heading2);
    QFETCH(QString, heading3);
    QFETCH(QList<double>, tops);
    QFETCH(double, rule);
    PageModel pages;
    layoutHeadings(pages, mingFont(22), QStringLiteral("護老院名稱"), heading2, heading3);
    QCOMPARE(pages.pageCount(), 1);
    QList<double> seenTops;
    QList<double> sizes;
    QList<double> rules;
    for (const PageItem& item : pages.page(0).items) {
        if (item.kind == PageItem::Text) {
            seenTops << item.rect.top();
            sizes << item.font.pointSizeF();
            QVERIFY(!item.font.bold());
            // Centred across the full width of the page.
            const double width = paperTextWidth(item.font, item.text);
            QVERIFY(width > 0);
            QVERIFY(qAbs(item.rect.left() - (pages.pageWidthPx() - width) / 2) < 0.01);
        } else if (item.kind == PageItem::Line) {
            rules << item.line.y1();
            QCOMPARE(item.line.x1(), 50.0);
            QCOMPARE(item.line.x2(), pages.pageWidthPx() - 50);
            QCOMPARE(item.line.y1(), item.line.y2());
        }
    }
    QCOMPARE(seenTops, tops);
    const QList<double> allSizes{18, 14, 12};
    QCOMPARE(sizes.front(), 18.0);
    if (tops.size() == 3)
        QCOMPARE(sizes, allSizes);
    if (tops.size() == 2)
        QCOMPARE(sizes.back(), tops.back() == 75 ? 14.0 : 12.0);
    QCOMPARE(rules, (QList<double>{rule, rule + 5}));
}

void TestPrintPreview::gridRepeatsHeaderOnEveryPage() {
    const int rows = 120;
    auto grid = makeGrid({150, 200, 5}, rows);
    PageModel pages;
    layoutHeadings(pages, mingFont(22), QStringLiteral("A"), QStringLiteral("B"), QString());
    layoutGrid(pages, *grid, 50, 130);
    QVERIFY(pages.pageCount() >= 3);
    const double bottom = pages.pageHeightPx() - mmToPx(5);
    const double headerHeight = grid->horizontalHeader()->sizeHint().height();
    int dataRowsSeen = 0;
    for (int p = 0; p < pages.pageCount(); ++p) {
        const auto cells = cellsOf(pages.page(p));
        QVERIFY(cells.size() >= 6);
        // The header row: three visible columns (the ID column is left out, the 5 px one not).
        const double top = p == 0 ? 130 : mmToPx(15);
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(cells[c].text, QStringLiteral("欄%1").arg(c + 1));
            QCOMPARE(cells[c].rect.top(), top);
            QCOMPARE(cells[c].rect.height(), headerHeight);
            QCOMPARE(cells[c].brush, grid->horizontalHeader()->palette().color(QPalette::Button));
        }
        QCOMPARE(cells[0].rect.left(), 50.0);
        QCOMPARE(cells.size() % 3, std::size_t(0));
        for (std::size_t i = 3; i < cells.size(); i += 3) {
            // Data rows follow one another in grid order, none below the bottom margin.
            QCOMPARE(cells[i].text, QStringLiteral("r%1c1").arg(dataRowsSeen));
            QCOMPARE(cells[i + 2].text, QStringLiteral("r%1c3").arg(dataRowsSeen));
            QCOMPARE(cells[i].brush, QColor(Qt::white));
            QCOMPARE(cells[i].pen, QColor(Qt::white));
            QVERIFY(cells[i].rect.bottom() <= bottom + 1e-9);
            ++dataRowsSeen;
        }
        // A page ends only when the next row would cross the margin.
        if (p + 1 < pages.pageCount())
            QVERIFY(cells.back().rect.bottom() + 24 > bottom);
    }
    QCOMPARE(dataRowsSeen, rows);
    // The ID column's text is on no page.
    for (const Page& page : pages.pages())
        for (const PageItem& item : page.items)
            QVERIFY(item.text != QStringLiteral("1000") && item.text != QStringLiteral("ID"));
}

void TestPrintPreview::emptyGridPrintsOnePage() {
    TempDatabase db;
    auto grid = makeGrid({200, 200}, 0);
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("A"), QStringLiteral("B"), QString());
    form.drawGrid(grid.get(), 50, 130);
    QCOMPARE(form.pages().pageCount(), 1);
    const auto cells = cellsOf(form.pages().page(0));
    QCOMPARE(cells.size(), std::size_t(2));
    QCOMPARE(cells[1].text, QStringLiteral("欄2"));
}

void TestPrintPreview::gridColumnsAsOnScreen() {
    auto grid = makeGrid({120, 33}, 1, 40);
    grid->item(0, 1)->setText(QStringLiteral("一段很長的文字"));
    PageModel pages;
    layoutGrid(pages, *grid, 10, 20);
    const auto cells = cellsOf(pages.page(0));
    QCOMPARE(cells.size(), std::size_t(4));
    const double scale = paperDpi / grid->logicalDpiX();
    QCOMPARE(cells[0].rect.width(), 120 * scale);
    QCOMPARE(cells[1].rect.width(), 33 * scale);
    QCOMPARE(cells[1].rect.left(), 10 + 120 * scale);
    QCOMPARE(cells[2].rect.top(), cells[0].rect.bottom());
    QCOMPARE(cells[2].rect.height(), 40 * paperDpi / grid->logicalDpiY());
    QCOMPARE(cells[2].text, QStringLiteral("一段很長的文字"));
    QCOMPARE(cells[2].innerMargin, mmToPx(1));
    // The grid's font, as large on paper as on the screen.
    QCOMPARE(cells[2].font.pointSizeF(), 16 * 72.0 / grid->logicalDpiY());
}

void TestPrintPreview::showSetsCountersAndButtons() {
    TempDatabase db;
    auto grid = makeGrid({200}, 150);
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("A"), QString(), QString());
    form.drawGrid(grid.get(), 50, 130);
    const int count = form.pages().pageCount();
    QVERIFY(count >= 3);
    QVERIFY(showAndActivate(&form));
    QCOMPARE(form.statusPages->text(), QStringLiteral("總 %1 頁").arg(count));
    QCOMPARE(form.statusPage->text(), QStringLiteral("第 1 頁"));
    QCOMPARE(form.toPage->text(), QString::number(count));
    QCOMPARE(form.fromPage->text(), QStringLiteral("1"));
    QCOMPARE(form.GmPreview1->zoom(), 80);
    QVERIFY(!form.uFirst->isEnabled() && !form.uPrevious->isEnabled());
    QVERIFY(form.uNext->isEnabled() && form.uLast->isEnabled());
    QCOMPARE(form.uFirst->toolTip(), QStringLiteral("最前一頁"));
    QTest::mouseClick(form.uNext, Qt::LeftButton);
    QCOMPARE(form.GmPreview1->pageNumber(), 2);
    QVERIFY(form.uFirst->isEnabled() && form.uNext->isEnabled());
    QTest::mouseClick(form.uLast, Qt::LeftButton);
    QCOMPARE(form.GmPreview1->pageNumber(), count);
    QCOMPARE(form.statusPage->text(), QStringLiteral("第 %1 頁").arg(count));
    QVERIFY(!form.uNext->isEnabled() && !form.uLast->isEnabled());
    QVERIFY(form.uPrevious->isEnabled());
    QTest::mouseClick(form.uPrevious, Qt::LeftButton);
    QCOMPARE(form.GmPreview1->pageNumber(), count - 1);
    QTest::mouseClick(form.uFirst, Qt::LeftButton);
    QCOMPARE(form.GmPreview1->pageNumber(), 1);
    // Esc closes the window.
    QTest::keyClick(&form, Qt::Key_Escape);
    QTRY_VERIFY(!form.isVisible());
}

void TestPrintPreview::fromPageChecks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: no message box
    QTest::addColumn<int>("shownPage");
    QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("頁數不能少過零.") << 1;
    QTest::newRow("negative") << QStringLiteral("-2") << QStringLiteral("頁數不能少過零.") << 1;
    QTest::newRow("beyond") << QStringLiteral("COUNT+1") << QStringLiteral("頁數不能太過總頁數.")
                            << 1;
    QTest::newRow("letters") << QStringLiteral("abc") << QString() << 1;
    QTest::newRow("last") << QStringLiteral("COUNT") << QString() << -1;
    QTest::newRow("second") << QStringLiteral("2") << QString() << 2;
}

void TestPrintPreview::fromPageChecks() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, shownPage);
    TempDatabase db;
    auto grid = makeGrid({200}, 150);
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("A"), QString(), QString());
    form.drawGrid(grid.get(), 50, 130);
    const int count = form.pages().pageCount();
    QVERIFY(showAndActivate(&form));
    text.replace(QStringLiteral("COUNT+1"), QString::number(count + 1));
    text.replace(QStringLiteral("COUNT"), QString::number(count));
    if (shownPage < 0)
        shownPage = count;
    form.fromPage->setFocus();
    form.fromPage->setText(text);
    QString seen;
    if (!message.isEmpty())
        ModalDriver::expect([&](QWidget* dialog) { seen = dialogMessage(dialog); });
    QTest::keyClick(form.fromPage, Qt::Key_Return);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(seen, message);
    QVERIFY(form.isVisible()); // Enter is consumed, it never closes the window
    QCOMPARE(form.GmPreview1->pageNumber(), shownPage);
    QCOMPARE(form.statusPage->text(), QStringLiteral("第 %1 頁").arg(shownPage));
    // The navigation buttons keep the state they had at page 1.
    QVERIFY(!form.uFirst->isEnabled());
    QVERIFY(form.uLast->isEnabled());
}

void TestPrintPreview::zoomBounds() {
    TempDatabase db;
    TPrintPreviewForm form(nullptr);
    QCOMPARE(form.GmPreview1->zoom(), 80);
    QList<int> seen;
    for (int i = 0; i < 10; ++i) {
        form.zoomOutClick();
        seen << form.GmPreview1->zoom();
    }
    QCOMPARE(seen, (QList<int>{70, 60, 50, 40, 30, 20, 10, 10, 10, 10}));
    for (int i = 0; i < 45; ++i)
        form.zoomInClick();
    QCOMPARE(form.GmPreview1->zoom(), 400);
    // The page on screen grows with the zoom.
    const int wide = form.GmPreview1->sizeHint().width();
    form.zoomOutClick();
    QVERIFY(form.GmPreview1->sizeHint().width() < wide);
}

void TestPrintPreview::paperChoices_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::newRow("A3") << 0 << QStringLiteral("420") << QStringLiteral("297");
    QTest::newRow("A4") << 1 << QStringLiteral("297") << QStringLiteral("210");
    QTest::newRow("A6") << 3 << QStringLiteral("148") << QStringLiteral("105");
    QTest::newRow("Letter") << 6 << QStringLiteral("279.4") << QStringLiteral("215.9");
    QTest::newRow("Legal") << 7 << QStringLiteral("355.6") << QStringLiteral("215.9");
}

void TestPrintPreview::paperChoices() {
    QFETCH(int, index);
    QFETCH(QString, height);
    QFETCH(QString, width);
    TempDatabase db;
    TPrintPreviewForm form(nullptr);
    QCOMPARE(form.pageSize->count(), 9);
    QCOMPARE(form.pageSize->itemText(8), QStringLiteral("自定"));
    QCOMPARE(form.pageSize->currentIndex(), 1);
    // First custom, which opens the edits, then the named paper closes them again.
    form.pageSize->setCurrentIndex(8);
    form.pageSizeChange(8);
    QVERIFY(!form.pageHeight->isReadOnly());
    QCOMPARE(form.pageHeight->palette().color(QPalette::Base), QColor(Qt::white));
    form.pageSize->setCurrentIndex(index);
    form.pageSizeChange(index);
    QCOMPARE(form.pageHeight->text(), height);
    QCOMPARE(form.pageWidth->text(), width);
    QVERIFY(form.pageHeight->isReadOnly() && form.pageWidth->isReadOnly());
    QCOMPARE(form.pageWidth->palette().color(QPalette::Base), QColor(192, 192, 192));
    QCOMPARE(form.pages().paperHeightMm(), height.toDouble());
    QCOMPARE(form.pages().paperWidthMm(), width.toDouble());
}

void TestPrintPreview::customPaperStoredAndReopened() {
    TempDatabase db;
    {
        TPrintPreviewForm form(nullptr);
        form.pageSize->setCurrentIndex(8);
        form.pageSizeChange(8);
        form.pageHeight->setText(QStringLiteral("100"));
        form.pageWidth->setText(QStringLiteral("150"));
        form.pageHeightKeyPress();
        QCOMPARE(form.pages().paperHeightMm(), 100.0);
        QCOMPARE(form.pages().paperWidthMm(), 150.0);
        QVERIFY(showAndActivate(&form));
        form.Button1->click();
        QVERIFY(!form.isVisible());
    }
    {
        dbCursor<PrintPreviewSetup> setup;
        QCOMPARE(setup.select(), 1);
        QCOMPARE(int(setup->pageSize), 8);
        QCOMPARE(setup->pageHeight, 100.0);
        QCOMPARE(setup->pageWidth, 150.0);
    }
    {
        TPrintPreviewForm form(nullptr);
        QCOMPARE(form.pageSize->currentIndex(), 8);
        QCOMPARE(form.pageHeight->text(), QStringLiteral("100"));
        QCOMPARE(form.pageWidth->text(), QStringLiteral("150"));
        QVERIFY(!form.pageHeight->isReadOnly());
        QCOMPARE(form.pages().paperHeightMm(), 100.0);
        QCOMPARE(form.pages().paperWidthMm(), 150.0);
        // Closing again keeps exactly one record.
        form.reject();
    }
    dbCursor<PrintPreviewSetup> setup;
    QCOMPARE(setup.select(), 1);
}

void TestPrintPreview::badCustomSizeIsNotApplied() {
    TempDatabase db;
    TPrintPreviewForm form(nullptr);
    form.pageSize->setCurrentIndex(8);
    form.pageHeight->setText(QStringLiteral("abc"));
    form.pageSizeChange(8); // ignored without a message
    QCOMPARE(form.pages().paperHeightMm(), 297.0);
    QVERIFY(!form.pageHeight->isReadOnly());
    // Enter in the edit reports the conversion error and keeps the paper.
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, form.pageHeightKeyPress());
    QCOMPARE(form.pages().paperHeightMm(), 297.0);
    // Closing with a size that is no number keeps the stored setting as it was.
    form.reject();
    dbCursor<PrintPreviewSetup> setup;
    QCOMPARE(setup.select(), 0);
}

void TestPrintPreview::customA4PrintsAsA4() {
    TempDatabase db;
    PdfTarget pdf(db.filePath(QStringLiteral("a4.pdf")));
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("A"), QString(), QString());
    form.pageSize->setCurrentIndex(8);
    form.pageSizeChange(8);
    form.pageHeight->setText(QStringLiteral("297"));
    form.pageWidth->setText(QStringLiteral("210.0004"));
    form.pageHeightKeyPress();
    QCOMPARE(form.pages().paper(), PaperChoice::Custom);
    selectPdfPrinter(form);
    form.toPage->setText(QStringLiteral("1"));
    form.printButtonClick();
    QCOMPARE(form.pageSize->currentIndex(), 1);
    QCOMPARE(form.pages().paper(), PaperChoice::A4);
    QVERIFY(form.pageHeight->isReadOnly());
    QVERIFY(pdfInfo(pdf.path, QStringLiteral("Page size")).contains(QStringLiteral("(A4)")));
}

void TestPrintPreview::printRangeClippedToLastPage_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("printed"); // -1: nothing, the conversion error is raised
    QTest::newRow("all") << QStringLiteral("1") << QStringLiteral("COUNT") << 0;
    QTest::newRow("beyond the end") << QStringLiteral("2") << QStringLiteral("999") << -2;
    QTest::newRow("one page") << QStringLiteral("2") << QStringLiteral("2") << 1;
    QTest::newRow("to not a number") << QStringLiteral("1") << QStringLiteral("x") << -1;
    QTest::newRow("from not a number") << QStringLiteral("") << QStringLiteral("2") << -1;
}

void TestPrintPreview::printRangeClippedToLastPage() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, printed);
    TempDatabase db;
    PdfTarget pdf(db.filePath(QStringLiteral("range.pdf")));
    auto grid = makeGrid({200}, 150);
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("A"), QString(), QString());
    form.drawGrid(grid.get(), 50, 130);
    const int count = form.pages().pageCount();
    QVERIFY(count >= 3);
    selectPdfPrinter(form);
    form.fromPage->setText(from);
    form.toPage->setText(QString(to).replace(QStringLiteral("COUNT"), QString::number(count)));
    if (printed == -1) {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, form.printButtonClick());
        QVERIFY(!QFile::exists(pdf.path));
        return;
    }
    form.printButtonClick();
    const int expected = printed == 0 ? count : printed == -2 ? count - 1 : printed;
    QCOMPARE(pdfInfo(pdf.path, QStringLiteral("Pages")), QString::number(expected));
}

void TestPrintPreview::printCurrentPage() {
    TempDatabase db;
    PdfTarget pdf(db.filePath(QStringLiteral("current.pdf")));
    auto grid = makeGrid({200}, 150);
    TPrintPreviewForm form(nullptr);
    form.setOrientation(QPageLayout::Landscape);
    form.drawHeadings(QStringLiteral("A"), QString(), QString());
    form.drawGrid(grid.get(), 50, 130);
    QVERIFY(showAndActivate(&form));
    selectPdfPrinter(form);
    form.uNextClick();
    form.printCurrentButtonClick();
    QCOMPARE(pdfInfo(pdf.path, QStringLiteral("Pages")), QStringLiteral("1"));
    const QString size = pdfInfo(pdf.path, QStringLiteral("Page size"));
    QVERIFY2(size.startsWith(QStringLiteral("842 x 595")), qPrintable(size)); // landscape A4
    // Page 2 begins with the header row and goes on with the rows after page 1's.
    const QString text = pdfText(pdf.path);
    QVERIFY(text.contains(QStringLiteral("欄1")));
    QVERIFY(!text.contains(QStringLiteral("r0c1")));
    // Cancelling the file name prints nothing.
    QFile::remove(pdf.path);
    const PdfFileChooser keep = setPdfFileChooser([](QWidget*) { return QString(); });
    form.printCurrentButtonClick();
    setPdfFileChooser(keep);
    QVERIFY(!QFile::exists(pdf.path));
}

void TestPrintPreview::printedTextMatchesPages() {
    TempDatabase db;
    PdfTarget pdf(db.filePath(QStringLiteral("all.pdf")));
    auto grid = makeGrid({200, 200}, 60);
    grid->item(59, 2)->setText(QStringLiteral("最後一行"));
    TPrintPreviewForm form(nullptr);
    form.drawHeadings(QStringLiteral("仁愛護老院"), QStringLiteral("藥物資料列表"), QString());
    form.drawGrid(grid.get(), 50, 130);
    selectPdfPrinter(form);
    form.toPage->setText(QString::number(form.pages().pageCount()));
    form.printButtonClick();
    QCOMPARE(pdfInfo(pdf.path, QStringLiteral("Pages")), QString::number(form.pages().pageCount()));
    const QString text = pdfText(pdf.path);
    for (const char* expected : {"仁愛護老院", "藥物資料列表", "r0c1", "r58c2", "最後一行"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // The header row is printed once per page.
    QCOMPARE(text.count(QStringLiteral("欄2")), form.pages().pageCount());
    QVERIFY(!text.contains(QStringLiteral("1059")));
}

void TestPrintPreview::printerListEndsWithPdf() {
    TempDatabase db;
    TPrintPreviewForm form(nullptr);
    const QStringList choices = printerChoices();
    QCOMPARE(choices.back(), pdfPrinterName());
    QCOMPARE(form.printer->count(), choices.size());
    QCOMPARE(form.printer->currentIndex(), defaultPrinterChoice(choices));
}

DOSARIX_TEST_MAIN(TestPrintPreview)
#include "test_printpreview.moc"
