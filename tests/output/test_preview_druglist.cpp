// The drug list's printout (F11) through the print preview.

#include "drugs/druglistform.h"
#include "output/printpreview.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QComboBox>
#include <QProcess>
#include <QTableWidget>

namespace {

void addDrugs(int count) {
    tavroBuffer arena;
    for (int i = 0; i < count; ++i) {
        Drug d;
        d.name = arena.store(
            QStringLiteral("DRUG %1").arg(i, 3, 10, QLatin1Char('0')).toUtf8().constData());
        d.function = "醫院";
        d.day = "3";
        d.quantity = "1";
        insert(d);
    }
    AboutConfig about;
    about.regName = "仁愛護老院";
    insert(about);
    tavroDatabase::current().commit();
}

struct Printout {
    bool shown = false;
    bool landscape = false;
    QStringList headings;
    int pages = 0;
};

// Presses F11 in the list and reads the preview it shows.
Printout pressPrint(TDrugListForm& list, const std::function<void(TPrintPreviewForm*)>& more = {}) {
    Printout seen;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* preview = qobject_cast<TPrintPreviewForm*>(dialog);
        if (!preview)
            return;
        seen.shown = true;
        seen.landscape = preview->pages().orientation() == QPageLayout::Landscape;
        seen.headings = preview->headings();
        seen.pages = preview->pages().pageCount();
        if (more)
            more(preview);
    });
    activate(&list);
    pressKey(&list, Qt::Key_F11);
    ModalDriver::waitDone(3000);
    ModalDriver::clear();
    return seen;
}

} // namespace

class TestPreviewDrugList : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ModalDriver::clear(); }
    void initialWidthsPrintLandscape();
    void orientationFollowsTheColumns_data();
    void orientationFollowsTheColumns();
    void pickerDoesNotPrint();
    void printsToPdf();
};

void TestPreviewDrugList::initialWidthsPrintLandscape() {
    TempDatabase db;
    addDrugs(3);
    TDrugListForm list(nullptr);
    QVERIFY(showAndActivate(&list));
    int total = 0;
    for (int c = 0; c < list.gridWidget()->columnCount(); ++c)
        total += list.gridWidget()->columnWidth(c);
    QCOMPARE(total, 781);
    const Printout seen = pressPrint(list);
    QVERIFY(seen.shown);
    QVERIFY(seen.landscape);
    QCOMPARE(seen.headings, (QStringList{QStringLiteral("仁愛護老院"),
                                         QStringLiteral("藥物資料列表"), QString()}));
}

void TestPreviewDrugList::orientationFollowsTheColumns_data() {
    QTest::addColumn<int>("nameWidth");
    QTest::addColumn<bool>("landscape");
    // ID 1 + name + four columns of 80 px.
    QTest::newRow("701") << 380 << false;
    QTest::newRow("702") << 381 << true;
}

void TestPreviewDrugList::orientationFollowsTheColumns() {
    QFETCH(int, nameWidth);
    QFETCH(bool, landscape);
    TempDatabase db;
    addDrugs(3);
    TDrugListForm list(nullptr);
    QVERIFY(showAndActivate(&list));
    list.gridWidget()->setColumnWidth(1, nameWidth);
    const Printout seen = pressPrint(list);
    QVERIFY(seen.shown);
    QCOMPARE(seen.landscape, landscape);
}

void TestPreviewDrugList::pickerDoesNotPrint() {
    TempDatabase db;
    addDrugs(3);
    TDrugListForm list(nullptr);
    list.setPicker(true);
    QVERIFY(showAndActivate(&list));
    const Printout seen = pressPrint(list);
    QVERIFY(!seen.shown);
}

void TestPreviewDrugList::printsToPdf() {
    TempDatabase db;
    addDrugs(80);
    const QString pdf = db.filePath(QStringLiteral("drugs.pdf"));
    const PdfFileChooser previous = setPdfFileChooser([&](QWidget*) { return pdf; });
    TDrugListForm list(nullptr);
    QVERIFY(showAndActivate(&list));
    const Printout seen = pressPrint(list, [](TPrintPreviewForm* preview) {
        preview->printer->setCurrentIndex(preview->printer->findText(pdfPrinterName()));
        preview->printButtonClick();
    });
    setPdfFileChooser(previous);
    QVERIFY(seen.pages >= 2);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString content = QString::fromUtf8(text.readAllStandardOutput());
    QCOMPARE(content.count(QChar(0x0C)), seen.pages);
    for (const char* expected : {"仁愛護老院", "藥物資料列表", "DRUG 000", "DRUG 079", "醫院"})
        QVERIFY2(content.contains(QString::fromUtf8(expected)), expected);
    // The header row heads every page.
    QCOMPARE(content.count(QStringLiteral("名稱")), seen.pages);
}

DOSARIX_TEST_MAIN(TestPreviewDrugList)
#include "test_preview_druglist.moc"
