// Mailing labels: the label dialog, the placement of labels on pages, and the print from a list.

#include "app/dialogforms.h"
#include "output/pagemodel.h"
#include "output/printpreview.h"
#include "residents/labelsetupform.h"
#include "residents/patientlistform.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

struct Placed {
    int page;
    double x; // mm
    double y;
    QString text;
};

std::vector<Placed> textsOf(const PageModel& pages) {
    std::vector<Placed> placed;
    for (int p = 0; p < pages.pageCount(); ++p)
        for (const PageItem& item : pages.page(p).items)
            if (item.kind == PageItem::Text)
                placed.push_back({p, pxToMm(item.rect.left()), pxToMm(item.rect.top()), item.text});
    return placed;
}

bool near(double a, double b) {
    return qAbs(a - b) < 1e-6;
}

dbReference<Patient> addPatient(const QString& name, const QString& address) {
    tavroBuffer arena;
    Patient p;
    p.chiName = arena.store(name.toUtf8().constData());
    p.address = arena.store(address.toUtf8().constData());
    return insert(p);
}

// A list grid as the resident list fills it: hidden ID column, then the name.
std::unique_ptr<QTableWidget> listGrid(const std::vector<dbReference<Patient>>& residents) {
    auto grid = std::make_unique<QTableWidget>(static_cast<int>(residents.size()), 2);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->setColumnWidth(0, 1);
    grid->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("姓名")});
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < grid->rowCount(); ++r) {
        const dbReference<Patient> ref = residents[static_cast<std::size_t>(r)];
        grid->setItem(r, 0, new QTableWidgetItem(QString::number(ref.oid)));
        dbCursor<Patient> p;
        p.at(ref);
        grid->setItem(r, 1, new QTableWidgetItem(QString::fromUtf8(p->chiName)));
    }
    return grid;
}

void selectRows(QTableWidget& grid, int top, int bottom) {
    grid.clearSelection();
    grid.setRangeSelected(QTableWidgetSelectionRange(top, 0, bottom, grid.columnCount() - 1), true);
}

} // namespace

class TestLabels : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ModalDriver::clear(); }

    void fifteenLabelsOnTwoPages();
    void addressLines_data();
    void addressLines();
    void dialogFirstAndLaterOpenings();
    void printSavesWithoutCommit();
    void badNumberChangesNothing_data();
    void badNumberChangesNothing();
    void cancelPrintsNothing();
    void selectedRangeInGridOrder();
    void printAllTakesTheListedRows();
    void emptyListDoesNothing_data();
    void emptyListDoesNothing();
    void labelsPrintToPdf();
    void fromTheResidentList();
};

void TestLabels::fifteenLabelsOnTwoPages() {
    PageModel pages;
    std::vector<LabelResident> residents;
    for (int i = 0; i < 15; ++i)
        residents.push_back({QStringLiteral("院友%1").arg(i), QString()});
    drawLabels(pages, LabelGeometry(), residents);
    QCOMPARE(pages.pageCount(), 2); // no empty page after the last label
    const auto placed = textsOf(pages);
    QCOMPARE(placed.size(), std::size_t(15));
    for (int i = 0; i < 14; ++i) {
        QCOMPARE(placed[i].page, 0);
        QCOMPARE(placed[i].text, QStringLiteral("院友%1").arg(i));
        QVERIFY2(near(placed[i].x, i % 2 ? 131.6 : 30), qPrintable(QString::number(placed[i].x)));
        QVERIFY(near(placed[i].y, 20 + 38.1 * (i / 2)));
    }
    QVERIFY(near(placed[13].y, 248.6));
    QCOMPARE(placed[14].page, 1);
    QVERIFY(near(placed[14].x, 30) && near(placed[14].y, 20));
}

void TestLabels::addressLines_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QList<double>>("offsets"); // mm below the name, of each text after it
    QTest::newRow("three lines") << QStringLiteral("九龍\r\n旺角道1號\r\n3樓")
                                 << QList<double>{6, 11, 16};
    QTest::newRow("empty line keeps its place")
        << QStringLiteral("九龍\r\n\r\n3樓") << QList<double>{6, 11, 16};
    QTest::newRow("no address") << QString() << QList<double>{};
    QTest::newRow("blank address") << QStringLiteral(" \r\n ") << QList<double>{};
}

void TestLabels::addressLines() {
    QFETCH(QString, address);
    QFETCH(QList<double>, offsets);
    PageModel pages;
    LabelGeometry geometry;
    geometry.rows = 1;
    drawLabels(pages, geometry,
               {{QStringLiteral("陳大文"), address},
                {QStringLiteral("李小明"), QString()},
                {QStringLiteral("黃美玉"), QString()}});
    const auto placed = textsOf(pages);
    QCOMPARE(placed.size(), std::size_t(3 + offsets.size()));
    QCOMPARE(placed[0].text, QStringLiteral("陳大文"));
    for (int k = 0; k < offsets.size(); ++k) {
        QVERIFY(near(placed[k + 1].x, 30));
        QVERIFY(near(placed[k + 1].y - placed[0].y, offsets[k]));
    }
    if (address.contains(QStringLiteral("3樓")))
        QCOMPARE(placed[offsets.size()].text, QStringLiteral("3樓"));
    // The next resident takes the next position whether or not there was an address,
    // and with one row a page the third goes to page 2.
    const Placed& second = placed[offsets.size() + 1];
    QCOMPARE(second.text, QStringLiteral("李小明"));
    QVERIFY(near(second.x, 131.6) && near(second.y, 20));
    QCOMPARE(placed.back().page, 1);
    QVERIFY(near(placed.back().x, 30) && near(placed.back().y, 20));
}

void TestLabels::dialogFirstAndLaterOpenings() {
    TempDatabase db;
    {
        TLabelSetupForm dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("郵寄標籤列印"));
        QCOMPARE(dialog.size(), QSize(609, 438));
        QCOMPARE(dialog.top->text(), QStringLiteral("20"));
        QCOMPARE(dialog.left->text(), QStringLiteral("30"));
        QCOMPARE(dialog.width->text(), QStringLiteral("101.6"));
        QCOMPARE(dialog.height->text(), QStringLiteral("38.1"));
        QCOMPARE(dialog.row->text(), QStringLiteral("7"));
        QVERIFY(dialog.range->isChecked() && !dialog.printAll->isChecked());
        QCOMPARE(dialog.printer->itemText(dialog.printer->count() - 1), pdfPrinterName());
        QCOMPARE(dialog.printer->currentIndex(), defaultPrinterChoice(printerChoices()));
    }
    {
        dbCursor<LabelSetup> setup;
        QCOMPARE(setup.select(), 1);
        const LabelGeometry g = labelGeometry(*setup);
        QCOMPARE(g.top, 20.0);
        QCOMPARE(g.width, 101.6);
        QCOMPARE(g.height, 38.1);
        QCOMPARE(g.rows, 7);
    }
    TLabelSetupForm again(nullptr);
    QCOMPARE(again.top->text(), QStringLiteral("20.00"));
    QCOMPARE(again.left->text(), QStringLiteral("30.00"));
    QCOMPARE(again.width->text(), QStringLiteral("101.60"));
    QCOMPARE(again.height->text(), QStringLiteral("38.10"));
    QCOMPARE(again.row->text(), QStringLiteral("7"));
    dbCursor<LabelSetup> setup;
    QCOMPARE(setup.select(), 1);
}

void TestLabels::printSavesWithoutCommit() {
    TempDatabase db;
    TLabelSetupForm first(nullptr);
    db.db().commit();
    TLabelSetupForm dialog(nullptr);
    dialog.top->setText(QStringLiteral("12.5"));
    dialog.row->setText(QStringLiteral("8"));
    dialog.LMDShapeButton1Click();
    QCOMPARE(dialog.result(), int(mrOk));
    {
        dbCursor<LabelSetup> setup;
        QCOMPARE(setup.select(), 1);
        QCOMPARE(labelGeometry(*setup).top, 12.5);
        QCOMPARE(labelGeometry(*setup).rows, 8);
    }
    db.db().rollback();
    dbCursor<LabelSetup> setup;
    QCOMPARE(setup.select(), 1);
    QCOMPARE(labelGeometry(*setup).top, 20.0);
}

void TestLabels::badNumberChangesNothing_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::newRow("top letters") << "top"
                                 << "abc";
    QTest::newRow("height empty") << "height"
                                  << "";
    QTest::newRow("row not whole") << "row"
                                   << "7.5";
}

void TestLabels::badNumberChangesNothing() {
    QFETCH(QString, edit);
    QFETCH(QString, text);
    TempDatabase db;
    TLabelSetupForm dialog(nullptr);
    QVERIFY(showAndActivate(&dialog));
    dialog.left->setText(QStringLiteral("44"));
    dialog.findChild<QLineEdit*>(edit)->setText(text);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, dialog.LMDShapeButton1Click());
    QVERIFY(dialog.isVisible());
    dbCursor<LabelSetup> setup;
    QCOMPARE(setup.select(), 1);
    QCOMPARE(labelGeometry(*setup).left, 30.0);
    dialog.reject();
}

void TestLabels::cancelPrintsNothing() {
    TempDatabase db;
    const auto a = addPatient(QStringLiteral("陳大文"), QString());
    auto grid = listGrid({a});
    selectRows(*grid, 0, 0);
    QString caption;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        caption = form->range->text();
        form->top->setText(QStringLiteral("99"));
        form->LMDShapeButton3->click();
    });
    printResidentLabels(grid.get(), nullptr);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(caption, QStringLiteral("只列印選擇範圍 (1個)"));
    QVERIFY(!QApplication::activeModalWidget());
    dbCursor<LabelSetup> setup;
    QCOMPARE(setup.select(), 1);
    QCOMPARE(labelGeometry(*setup).top, 20.0);
}

void TestLabels::selectedRangeInGridOrder() {
    TempDatabase db;
    std::vector<dbReference<Patient>> refs;
    for (int i = 0; i < 6; ++i)
        refs.push_back(
            addPatient(QStringLiteral("院友%1").arg(i), QStringLiteral("地址%1").arg(i)));
    auto grid = listGrid(refs);
    selectRows(*grid, 2, 4);
    QString caption;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        caption = form->range->text();
        form->LMDShapeButton1->click();
    });
    std::vector<Placed> placed;
    bool maximised = true;
    bool exportVisible = true;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* preview = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(preview);
        placed = textsOf(preview->pages());
        maximised = preview->windowState() & Qt::WindowMaximized;
        exportVisible = preview->exportButton->isVisible();
        QCOMPARE(preview->pages().font().pointSize(), 12);
        QVERIFY(!preview->pages().font().bold());
    });
    printResidentLabels(grid.get(), nullptr);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(caption, QStringLiteral("只列印選擇範圍 (3個)"));
    QVERIFY(!maximised && !exportVisible);
    QCOMPARE(placed.size(), std::size_t(6));
    QCOMPARE(placed[0].text, QStringLiteral("院友2"));
    QCOMPARE(placed[1].text, QStringLiteral("地址2"));
    QCOMPARE(placed[2].text, QStringLiteral("院友3"));
    QVERIFY(near(placed[2].x, 131.6));
    QCOMPARE(placed[4].text, QStringLiteral("院友4"));
    QVERIFY(near(placed[4].y, 58.1));
}

void TestLabels::printAllTakesTheListedRows() {
    TempDatabase db;
    // Only the listed residents print, not everyone in the data file.
    addPatient(QStringLiteral("不在名單"), QString());
    std::vector<dbReference<Patient>> refs;
    for (int i = 0; i < 3; ++i)
        refs.push_back(addPatient(QStringLiteral("院友%1").arg(i), QString()));
    auto grid = listGrid(refs);
    selectRows(*grid, 1, 1);
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        form->printAll->setChecked(true);
        form->LMDShapeButton1->click();
    });
    QStringList names;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* preview = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(preview);
        for (const Placed& p : textsOf(preview->pages()))
            names << p.text;
    });
    printResidentLabels(grid.get(), nullptr);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(names, (QStringList{QStringLiteral("院友0"), QStringLiteral("院友1"),
                                 QStringLiteral("院友2")}));
    // The list keeps every row selected.
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 3);
}

void TestLabels::emptyListDoesNothing_data() {
    QTest::addColumn<bool>("all");
    QTest::newRow("range") << false;
    QTest::newRow("all") << true;
}

void TestLabels::emptyListDoesNothing() {
    QFETCH(bool, all);
    TempDatabase db;
    auto grid = listGrid({});
    QString caption;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        caption = form->range->text();
        form->printAll->setChecked(all);
        form->LMDShapeButton1->click();
    });
    bool previewShown = false;
    ModalDriver::expect([&](QWidget*) { previewShown = true; });
    printResidentLabels(grid.get(), nullptr);
    QTest::qWait(200);
    QCOMPARE(ModalDriver::pending(), 1); // the preview never came
    QVERIFY(!previewShown);
    QCOMPARE(caption, QStringLiteral("只列印選擇範圍 (0個)"));
}

void TestLabels::labelsPrintToPdf() {
    TempDatabase db;
    const QString pdf = db.filePath(QStringLiteral("labels.pdf"));
    const PdfFileChooser previous = setPdfFileChooser([&](QWidget*) { return pdf; });
    std::vector<dbReference<Patient>> refs;
    for (int i = 0; i < 15; ++i)
        refs.push_back(
            addPatient(QStringLiteral("院友%1").arg(i), QStringLiteral("旺角道%1號").arg(i)));
    auto grid = listGrid(refs);
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        form->printer->setCurrentIndex(form->printer->findText(pdfPrinterName()));
        form->printAll->setChecked(true);
        form->LMDShapeButton1->click();
    });
    ModalDriver::expect([&](QWidget* dialog) {
        auto* preview = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(preview);
        // The printer chosen in the label dialog is the preview's.
        QCOMPARE(preview->printer->currentText(), pdfPrinterName());
        QCOMPARE(preview->toPage->text(), QStringLiteral("2"));
        preview->printButtonClick();
    });
    printResidentLabels(grid.get(), nullptr);
    QVERIFY(ModalDriver::waitDone());
    setPdfFileChooser(previous);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY(text.waitForFinished(30000));
    const QString content = QString::fromUtf8(text.readAllStandardOutput());
    QCOMPARE(content.count(QChar(0x0C)), 2); // two pages
    for (const char* expected : {"院友0", "旺角道13號", "院友14"})
        QVERIFY2(content.contains(QString::fromUtf8(expected)), expected);
}

void TestLabels::fromTheResidentList() {
    TempDatabase db;
    for (const char* bed : {"3", "1", "2"}) {
        tavroBuffer arena;
        Patient p;
        p.sid = bed;
        p.chiName =
            arena.store(QStringLiteral("床%1").arg(QLatin1String(bed)).toUtf8().constData());
        insert(p);
    }
    db.db().commit();
    TPatientListForm list(nullptr);
    QVERIFY(showAndActivate(&list));
    QTableWidget* grid = list.gridWidget();
    QCOMPARE(grid->rowCount(), 3);
    selectRows(*grid, 1, 2);
    QString caption;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* form = qobject_cast<TLabelSetupForm*>(dialog);
        QVERIFY(form);
        caption = form->range->text();
        form->LMDShapeButton1->click();
    });
    QStringList names;
    ModalDriver::expect([&](QWidget* dialog) {
        auto* preview = qobject_cast<TPrintPreviewForm*>(dialog);
        QVERIFY(preview);
        QCOMPARE(preview->parentWidget(), &list);
        for (const Placed& p : textsOf(preview->pages()))
            names << p.text;
    });
    auto* env = list.findChild<QAction*>(QStringLiteral("envAction"));
    QVERIFY(env);
    env->trigger();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(caption, QStringLiteral("只列印選擇範圍 (2個)"));
    // Listed by bed number: 1, 2, 3; rows 2 and 3 of the list print.
    QCOMPARE(names, (QStringList{QStringLiteral("床2"), QStringLiteral("床3")}));
}

DOSARIX_TEST_MAIN(TestLabels)
#include "test_labels.moc"
