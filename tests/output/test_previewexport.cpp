// Export of the print preview's table to xls, csv, htm and doc files.

#include "app/dialogforms.h"
#include "app/look.h"
#include "output/exportfiles.h"
#include "output/printpreview.h"
#include "output/tavroexcel.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

// Hidden ID column, two texts, a visible 5 px column, a last text column.
std::unique_ptr<QTableWidget> makeGrid(int rows) {
    auto grid = std::make_unique<QTableWidget>(rows, 5);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("名稱"),
                                     QStringLiteral("用途"), QStringLiteral("窄"),
                                     QStringLiteral("備註")});
    for (int c = 0; c < 5; ++c)
        grid->setColumnWidth(c, c == 0 ? 1 : c == 3 ? 5 : 120);
    const QStringList names{QStringLiteral("PANADOL"), QStringLiteral("007"),
                            QStringLiteral("A, \"B\""), QStringLiteral("<b>&amp;</b>")};
    for (int r = 0; r < rows; ++r) {
        grid->setItem(r, 0, new QTableWidgetItem(QString::number(10 + r)));
        grid->setItem(r, 1, new QTableWidgetItem(names[r % names.size()]));
        grid->setItem(r, 2, new QTableWidgetItem(QStringLiteral("止痛%1").arg(r)));
        grid->setItem(r, 3, new QTableWidgetItem(QStringLiteral("hidden%1").arg(r)));
        grid->setItem(r, 4, new QTableWidgetItem(QStringLiteral("飯後")));
    }
    return grid;
}

ModalDriver::Action chooseFile(const QString& path, int filterIndex) {
    return [=](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(files);
        QCOMPARE(files->objectName(), QStringLiteral("SaveDialog2"));
        files->selectNameFilter(files->nameFilters().at(filterIndex));
        // The dialog reads its folder in the background: type the name as a user would.
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog*>(files)->accept();
        QCOMPARE(files->result(), int(QDialog::Accepted));
    };
}

ModalDriver::Action answer(bool yes, QString* message = nullptr) {
    return [=](QWidget* dialog) {
        auto* question = qobject_cast<TYesNoForm*>(dialog);
        QVERIFY(question);
        if (message)
            *message = question->msg->text();
        (yes ? question->YesButton : question->NoButton)->click();
    };
}

QStringList csvLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {QStringLiteral("no byte-order mark")};
    QString text = QString::fromUtf8(bytes.mid(3));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// A form with headings A, B and an empty third over grid, never shown.
struct Preview {
    explicit Preview(QTableWidget* grid) : form(nullptr) {
        form.drawHeadings(QStringLiteral("A"), QStringLiteral("B"), QString());
        form.drawGrid(grid, 50, 130);
    }
    TPrintPreviewForm form;
};

} // namespace

class TestPreviewExport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ModalDriver::clear(); }

    void tableRows();
    void fileNames_data();
    void fileNames();
    void csvExport();
    void unknownExtensionTakesTheFilter();
    void replaceQuestion_data();
    void replaceQuestion();
    void emptyGridCountsZero();
    void cancelWritesNothing();
    void htmlExport();
    void xlsExport();
    void docExport();
};

void TestPreviewExport::tableRows() {
    auto grid = makeGrid(2);
    const ExportTable table =
        exportTable(*grid, {QStringLiteral("A"), QStringLiteral("B"), QString()});
    QCOMPARE(table.size(), std::size_t(7));
    for (const QStringList& row : table)
        QCOMPARE(row.size(), 5);
    QCOMPARE(table[0], (QStringList{QStringLiteral("A"), "", "", "", ""}));
    QCOMPARE(table[1], (QStringList{QStringLiteral("B"), "", "", "", ""}));
    QCOMPARE(table[2], (QStringList{"", "", "", "", ""}));
    QCOMPARE(table[3], (QStringList{"", "", "", "", ""}));
    // ID (1 px) and the 5 px column are left out; one empty cell per column left out.
    QCOMPARE(table[4], (QStringList{QStringLiteral("名稱"), QStringLiteral("用途"),
                                    QStringLiteral("備註"), "", ""}));
    QCOMPARE(table[5], (QStringList{QStringLiteral("PANADOL"), QStringLiteral("止痛0"),
                                    QStringLiteral("飯後"), "", ""}));
    // Without headings the header row comes first.
    QCOMPARE(exportTable(*grid, {QString(), QString(), QString()}).front().front(),
             QStringLiteral("名稱"));
    // A blank heading is not empty: it takes its row.
    QCOMPARE(exportTable(*grid, {QStringLiteral(" "), QString(), QString()}).size(),
             std::size_t(6));
}

void TestPreviewExport::fileNames_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::newRow("csv kept") << "/t/a.csv" << 0 << "/t/a.csv";
    QTest::newRow("no extension") << "/t/a" << 2 << "/t/a.htm";
    QTest::newRow("other extension") << "/t/a.txt" << 1 << "/t/a.txt.csv";
    QTest::newRow("upper case is other") << "/t/a.XLS" << 3 << "/t/a.XLS.doc";
    QTest::newRow("xls") << "/t/a.xls" << 3 << "/t/a.xls";
}

void TestPreviewExport::fileNames() {
    QFETCH(QString, chosen);
    QFETCH(int, filter);
    QFETCH(QString, written);
    QCOMPARE(exportFileName(chosen, filter), written);
}

void TestPreviewExport::csvExport() {
    TempDatabase db;
    ShellRecorder shell;
    auto grid = makeGrid(4);
    Preview preview(grid.get());
    const QString path = db.filePath(QStringLiteral("list.csv"));
    QString success;
    ModalDriver::expect(chooseFile(path, 1));
    ModalDriver::expect(answer(true, &success));
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(success, QStringLiteral("4 個資料已成功輸出到%1, 開啟嗎?").arg(path));
    QCOMPARE(shell.opened(), QStringList{path});
    const QStringList lines = csvLines(path);
    QCOMPARE(lines.mid(0, 5),
             (QStringList{"A,,,,", "B,,,,", ",,,,", ",,,,", QStringLiteral("名稱,用途,備註,,")}));
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[5], QStringLiteral("PANADOL,止痛0,飯後,,"));
    QCOMPARE(lines[7], QStringLiteral("\"A, \"\"B\"\"\",止痛2,飯後,,"));
    QVERIFY(!lines.join("").contains(QStringLiteral("hidden")));
}

void TestPreviewExport::unknownExtensionTakesTheFilter() {
    TempDatabase db;
    ShellRecorder shell;
    auto grid = makeGrid(1);
    Preview preview(grid.get());
    ModalDriver::expect(chooseFile(db.filePath(QStringLiteral("list.txt")), 1));
    QString success;
    ModalDriver::expect(answer(false, &success));
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone());
    const QString written = db.filePath(QStringLiteral("list.txt.csv"));
    QCOMPARE(success, QStringLiteral("1 個資料已成功輸出到%1, 開啟嗎?").arg(written));
    QCOMPARE(csvLines(written).size(), 6);
    QVERIFY(!QFile::exists(db.filePath(QStringLiteral("list.txt"))));
    QVERIFY(shell.opened().isEmpty());
}

void TestPreviewExport::replaceQuestion_data() {
    QTest::addColumn<bool>("replace");
    QTest::newRow("no keeps the file") << false;
    QTest::newRow("yes replaces it") << true;
}

void TestPreviewExport::replaceQuestion() {
    QFETCH(bool, replace);
    TempDatabase db;
    ShellRecorder shell;
    auto grid = makeGrid(1);
    Preview preview(grid.get());
    const QString path = db.filePath(QStringLiteral("old.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QString question;
    ModalDriver::expect(chooseFile(path, 1));
    ModalDriver::expect(answer(replace, &question));
    if (replace)
        ModalDriver::expect(answer(false));
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(question, QStringLiteral("檔案存在, 取代它嗎?"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content == "old", !replace);
}

void TestPreviewExport::emptyGridCountsZero() {
    TempDatabase db;
    ShellRecorder shell;
    auto grid = makeGrid(0);
    Preview preview(grid.get());
    const QString path = db.filePath(QStringLiteral("empty.htm"));
    QString success;
    ModalDriver::expect(chooseFile(path, 0));
    ModalDriver::expect(answer(false, &success));
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(success, QStringLiteral("0 個資料已成功輸出到%1, 開啟嗎?").arg(path));
    QVERIFY(QFile::exists(path));
}

void TestPreviewExport::cancelWritesNothing() {
    TempDatabase db;
    auto grid = makeGrid(1);
    Preview preview(grid.get());
    ModalDriver::expect([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(QDir(db.dir()).entryList({QStringLiteral("*.xls"), QStringLiteral("*.csv")}),
             QStringList());
}

void TestPreviewExport::htmlExport() {
    QTemporaryDir dir;
    auto grid = makeGrid(4);
    const QString path = dir.filePath(QStringLiteral("t.htm"));
    writeExport(path, exportTable(*grid, {QStringLiteral("護老院"), QString(), QString()}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("<tr><td>護老院</td><td></td>")));
    QVERIFY(html.contains(QStringLiteral("<td>&lt;b&gt;&amp;amp;&lt;/b&gt;</td>")));
    QVERIFY(html.contains(QStringLiteral("<td>A, &quot;B&quot;</td>")));
    QCOMPARE(html.count(QStringLiteral("<tr>")), 1 + 2 + 1 + 4);
}

void TestPreviewExport::xlsExport() {
    TempDatabase db;
    ShellRecorder shell;
    auto grid = makeGrid(4);
    Preview preview(grid.get());
    const QString path = db.filePath(QStringLiteral("list.xls"));
    ModalDriver::expect(chooseFile(path, 0));
    ModalDriver::expect(answer(false));
    preview.form.exportButtonClick();
    QVERIFY(ModalDriver::waitDone(120000));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(8).startsWith("\xD0\xCF\x11\xE0")); // Excel 97-2003 compound file
    file.close();
    TTavroExcel excel(path);
    QCOMPARE(excel.getCellText(1, 1), QStringLiteral("A"));
    QCOMPARE(excel.getCellText(1, 2), QStringLiteral("B"));
    QCOMPARE(excel.getCellText(1, 3), QString());
    QCOMPARE(excel.getCellText(1, 5), QStringLiteral("名稱"));
    QCOMPARE(excel.getCellText(3, 5), QStringLiteral("備註"));
    QCOMPARE(excel.getCellText(4, 5), QString());
    QCOMPARE(excel.getCellText(1, 6), QStringLiteral("PANADOL"));
    QCOMPARE(excel.getCellText(1, 7), QStringLiteral("007")); // text, not the number 7
    QCOMPARE(excel.getCellText(2, 9), QStringLiteral("止痛3"));
    QCOMPARE(excel.getCellText(1, 10), QString());
    excel.close();
}

void TestPreviewExport::docExport() {
    QTemporaryDir dir;
    auto grid = makeGrid(2);
    const QString path = dir.filePath(QStringLiteral("list.doc"));
    writeExport(path, exportTable(*grid, {QStringLiteral("仁愛護老院"), QString(), QString()}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(8).startsWith("\xD0\xCF\x11\xE0")); // Word 97 compound file
    file.close();
    // Read it back through the word processor as plain text.
    QProcess office;
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                  QStringLiteral("-env:UserInstallation=file://") + dir.filePath("profile"),
                  QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                  QStringLiteral("--outdir"), dir.filePath(QStringLiteral("txt")), path});
    QVERIFY(office.waitForFinished(180000));
    QFile text(dir.filePath(QStringLiteral("txt/list.txt")));
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(text.readAll());
    for (const char* expected : {"仁愛護老院", "名稱", "備註", "PANADOL", "止痛1", "007"})
        QVERIFY2(content.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!content.contains(QStringLiteral("hidden")));
}

DOSARIX_TEST_MAIN(TestPreviewExport)
#include "test_previewexport.moc"
