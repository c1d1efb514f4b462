// The monthly medication sheet: the cells of each page, the line's values from the catalogue,
// and sheets filled into the real template, printed by LibreOffice and read back from PDF.

#include "output/tavroexcel.h"
#include "residents/medication_sheet.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

MedicationLine line(int n) {
    MedicationLine l;
    l.drugName = QStringLiteral("DRUG%1").arg(n);
    l.prescribed = QStringLiteral("2026/%1/01").arg(n % 12 + 1);
    l.day = QStringLiteral("3");
    l.m1 = QStringLiteral("08:00");
    l.m2 = QStringLiteral("12:00");
    l.a1 = QStringLiteral("17:00");
    l.a2 = QStringLiteral("21:00");
    l.po = QStringLiteral("PO%1").arg(n);
    l.function = QStringLiteral("SRC%1").arg(n);
    l.remark = QStringLiteral("REM%1").arg(n);
    l.quantity = QStringLiteral("2");
    l.unit = QStringLiteral("粒");
    return l;
}

MedicationSheet sheetWith(int lines, const QString& name = QStringLiteral("陳大文")) {
    MedicationSheet s;
    s.allergies = QStringLiteral("盤尼西林");
    s.name = name;
    s.bed = QStringLiteral("A12");
    s.year = QStringLiteral("2026");
    s.month = QStringLiteral("12");
    for (int i = 1; i <= lines; ++i)
        s.lines.push_back(line(i));
    return s;
}

QString cellText(const std::vector<SheetCell>& page, int column, int row) {
    QString found = QStringLiteral("<not written>");
    for (const SheetCell& c : page)
        if (c.column == column && c.row == row)
            found = c.text;
    return found;
}

QByteArray md5(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5);
}

// "共 <total> 頁 第 <page> 頁" as the template lays it out.
bool showsPage(const QString& text, int page, int total) {
    return text.contains(QRegularExpression(
        QStringLiteral("共\\s*%1\\s*頁\\s*第\\s*%2\\s*頁").arg(total).arg(page)));
}

void answerText(QWidget* dialog, const QString& expectedPrompt, const QString& expectedStart,
                const QString& answer) {
    QCOMPARE(dialogMessage(dialog), expectedPrompt);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("inputText"));
    QVERIFY(edit);
    QCOMPARE(edit->text(), expectedStart);
    edit->setText(answer);
    dialog->findChild<QPushButton*>(QStringLiteral("YesButton"))->click();
}

} // namespace

class TestMedicationSheet : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(QStringLiteral(DOSARIX_TEMPLATE)));
        keep_ = std::make_unique<OfficeKeepAlive>();
    }

    void cleanupTestCase() {
        keep_.reset();
        setPrintDestinationChooser({});
    }

    void cleanup() { setPrintDestinationChooser({}); }

    void totalPages_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("none") << 0 << 1;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("seven") << 7 << 1;
        QTest::newRow("eight") << 8 << 2;
        QTest::newRow("fourteen") << 14 << 2;
        QTest::newRow("fifteen") << 15 << 3;
    }

    void totalPages() {
        QFETCH(int, lines);
        QFETCH(int, pages);
        const auto written = medicationSheetPages(sheetWith(lines));
        QCOMPARE(static_cast<int>(written.size()), pages);
        QCOMPARE(cellText(written[0], 31, 3), QString::number(pages));
        QCOMPARE(cellText(written[0], 34, 3), QStringLiteral("1"));
        for (int p = 1; p < pages; ++p)
            QCOMPARE(cellText(written[static_cast<std::size_t>(p)], 34, 3), QString::number(p + 1));
        // Every block of every page is written, used or emptied: 12 cells each.
        int blockCells = 0;
        for (const auto& page : written)
            for (const SheetCell& c : page)
                blockCells += c.row >= 7 ? 1 : 0;
        QCOMPARE(blockCells, pages * 7 * 12);
    }

    void pageCells() {
        const auto pages = medicationSheetPages(sheetWith(8));
        const auto& first = pages[0];
        QCOMPARE(cellText(first, 3, 3), QStringLiteral("盤尼西林"));
        QCOMPARE(cellText(first, 7, 3), QStringLiteral("陳大文"));
        QCOMPARE(cellText(first, 23, 3), QStringLiteral("A12"));
        QCOMPARE(cellText(first, 39, 3), QStringLiteral("12"));
        QCOMPARE(cellText(first, 41, 3), QStringLiteral("2026"));
        // Block 6 (rows 31-34) of page 1 holds line 7.
        const MedicationLine l7 = line(7);
        const int r = 31;
        QCOMPARE(cellText(first, 2, r), l7.drugName);
        QCOMPARE(cellText(first, 8, r), l7.day);
        QCOMPARE(cellText(first, 12, r), l7.m1);
        QCOMPARE(cellText(first, 8, r + 1), l7.quantity);
        QCOMPARE(cellText(first, 10, r + 1), l7.unit);
        QCOMPARE(cellText(first, 12, r + 1), l7.m2);
        QCOMPARE(cellText(first, 1, r + 2), l7.prescribed);
        QCOMPARE(cellText(first, 7, r + 2), l7.po);
        QCOMPARE(cellText(first, 12, r + 2), l7.a1);
        QCOMPARE(cellText(first, 3, r + 3), l7.function);
        QCOMPARE(cellText(first, 6, r + 3), l7.remark);
        QCOMPARE(cellText(first, 12, r + 3), l7.a2);
        // Page 2: line 8 in block 0, blocks 1-6 emptied, the header left as it was.
        const auto& second = pages[1];
        QCOMPARE(cellText(second, 2, 7), QStringLiteral("DRUG8"));
        QCOMPARE(cellText(second, 6, 10), QStringLiteral("REM8"));
        QCOMPARE(cellText(second, 2, 11), QString());
        QCOMPARE(cellText(second, 12, 34), QString());
        QCOMPARE(cellText(second, 7, 3), QStringLiteral("<not written>"));
    }

    void lineTakesCatalogueQuantityAndUnsavedLines() {
        TempDatabase db;
        tavroBuffer arena;
        Drug drug;
        drug.name = "PANADOL";
        drug.quantity = "2";
        drug.unit = arena.store("粒");
        const auto drugRef = insert(drug);
        db.db().commit();
        DrugTake take;
        take.drug = drugRef;
        take.quantity = "9"; // the line's own quantity is not what the sheet prints
        take.day = "3";
        take.m1 = "08:00";
        take.m2 = "13:00";
        take.a1 = "18:00";
        take.a2 = "22:00";
        take.po = "飯後";
        take.function = "醫院";
        take.remark = "痛時服";
        // Not committed: a line just added in the open form.
        const auto takeRef = insert(take);
        const MedicationLine l = medicationLine(takeRef, QStringLiteral("PANADOL"), "2026/12/01");
        QCOMPARE(l.quantity, QStringLiteral("2"));
        QCOMPARE(l.unit, QStringLiteral("粒"));
        QCOMPARE(l.day, QStringLiteral("3"));
        QCOMPARE(l.m1, QStringLiteral("08:00"));
        QCOMPARE(l.m2, QStringLiteral("13:00"));
        QCOMPARE(l.a1, QStringLiteral("18:00"));
        QCOMPARE(l.a2, QStringLiteral("22:00"));
        QCOMPARE(l.po, QStringLiteral("飯後"));
        QCOMPARE(l.function, QStringLiteral("醫院"));
        QCOMPARE(l.remark, QStringLiteral("痛時服"));
        QCOMPARE(l.drugName, QStringLiteral("PANADOL"));
        QCOMPARE(l.prescribed, QStringLiteral("2026/12/01"));
        db.db().rollback();
    }

    void printsPages_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("no lines") << 0 << 1;
        QTest::newRow("eight lines") << 8 << 2;
    }

    void printsPages() {
        QFETCH(int, lines);
        QFETCH(int, pages);
        TempDatabase db;
        const QString templatePath = installTemplate(db);
        const QByteArray before = md5(templatePath);
        QStringList files;
        setPrintDestinationChooser([&] {
            files << db.filePath(QStringLiteral("page%1.pdf").arg(files.size() + 1));
            return PrintDestination{QString(), files.back()};
        });
        QCOMPARE(printMedicationSheet(sheetWith(lines), templatePath), 0);
        QCOMPARE(files.size(), pages);
        for (int p = 0; p < pages; ++p) {
            QCOMPARE(pdfPageCount(files[p]), 1);
            const QString text = pdfText(files[p]);
            QVERIFY2(text.contains(QStringLiteral("陳大文")), qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("盤尼西林")));
            QVERIFY(text.contains(QStringLiteral("A12")));
            QVERIFY(text.contains(QStringLiteral("每月服藥紀錄")));
            QVERIFY2(showsPage(text, p + 1, pages), qPrintable(text));
            for (int n = 1; n <= lines; ++n) {
                const bool onThisPage = (n - 1) / 7 == p;
                QCOMPARE(text.contains(QRegularExpression(QStringLiteral("\\bDRUG%1\\b").arg(n))),
                         onThisPage);
                QCOMPARE(text.contains(QRegularExpression(QStringLiteral("\\bREM%1\\b").arg(n))),
                         onThisPage);
            }
        }
        // The template is only ever read.
        QCOMPARE(md5(templatePath), before);
        QCOMPARE(QDir(db.dir()).entryList({QStringLiteral(".~lock*")}, QDir::Hidden | QDir::Files),
                 QStringList());
    }

    void printRunWithoutPrinterTellsOnce() {
        TempDatabase db;
        installTemplate(db);
        setPrintDestinationChooser(noPrinterDestination);
        const QStringList names{QStringLiteral("陳大文"), QStringLiteral("李小明"),
                                QStringLiteral("黃美玲")};
        QString told;
        ModalDriver::expect([&](QWidget* dialog) { told = dialogMessage(dialog); });
        QWidget owner;
        // 0, 4 and 8 lines: one, one and two pages.
        QVERIFY(runMedicationPrint(&owner, 3, [&](int i) { return sheetWith(4 * i, names[i]); }));
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(told, QStringLiteral("沒有安裝打印機, 4 頁藥紙已存成 PDF 檔案, 放在 ") +
                           noPrinterFolder());
        QCOMPARE(noPrinterFolder(), db.filePath(QStringLiteral("列印")));
        QDir folder(noPrinterFolder());
        const QStringList files =
            folder.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 4);
        // In print order: resident 1, resident 2, resident 3.
        QStringList order;
        for (const QString& f : files) {
            const QString text = pdfText(folder.filePath(f));
            for (const QString& n : names)
                if (text.contains(n))
                    order << n;
        }
        QCOMPARE(order, (QStringList{names[0], names[1], names[2], names[2]}));
    }

    void missingTemplateIsTold() {
        TempDatabase db;
        int printed = 0;
        setPrintDestinationChooser([&] {
            ++printed;
            return PrintDestination{QString(), db.filePath(QStringLiteral("x.pdf"))};
        });
        QString told;
        ModalDriver::expect([&](QWidget* dialog) { told = dialogMessage(dialog); });
        QWidget owner;
        QVERIFY(!runMedicationPrint(&owner, 1, [](int) { return sheetWith(1); }));
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(told, QStringLiteral("找不到檔案") + db.filePath(QStringLiteral("print.xls")));
        QCOMPARE(printed, 0);
    }

    void emptyRunPrintsNothing() {
        TempDatabase db;
        QWidget owner;
        bool asked = false;
        QVERIFY(runMedicationPrint(&owner, 0, [&](int) {
            asked = true;
            return MedicationSheet();
        }));
        QVERIFY(!asked);
        QCOMPARE(ModalDriver::pending(), 0);
    }

    void asksYearThenMonth() {
        const QDate today = QDate::currentDate();
        QWidget owner;
        QString year = QStringLiteral("old"), month = QStringLiteral("old");
        ModalDriver::expect([&](QWidget* d) {
            answerText(d, QStringLiteral("年份:"), QString::number(today.year()), "2025");
        });
        ModalDriver::expect([&](QWidget* d) {
            answerText(d, QStringLiteral("月份:"), QString::number(today.month()), "2");
        });
        QVERIFY(askSheetMonth(&owner, year, month));
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(year, QStringLiteral("2025"));
        QCOMPARE(month, QStringLiteral("2"));

        // Cancel at the month: nothing changes.
        ModalDriver::expect([&](QWidget* d) {
            answerText(d, QStringLiteral("年份:"), QString::number(today.year()), "2030");
        });
        ModalDriver::expect([&](QWidget* d) {
            QCOMPARE(dialogMessage(d), QStringLiteral("月份:"));
            d->findChild<QPushButton*>(QStringLiteral("NoButton"))->click();
        });
        QVERIFY(!askSheetMonth(&owner, year, month));
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(year, QStringLiteral("2025"));
        QCOMPARE(month, QStringLiteral("2"));
    }

private:
    static QString installTemplate(TempDatabase& db) {
        const QString path = db.filePath(QStringLiteral("print.xls"));
        QFile::copy(QStringLiteral(DOSARIX_TEMPLATE), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    std::unique_ptr<OfficeKeepAlive> keep_;
};

DOSARIX_TEST_MAIN(TestMedicationSheet)
#include "test_medication_sheet.moc"
