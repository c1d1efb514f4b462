// TTavroExcel against the real LibreOffice: open-or-new, formats, texts that must stay text,
// displayed dates, sheet choice, printing to PDF, quitting, and an office that is missing,
// dies at start or never answers.

#include "output/officeplugin.h"
#include "output/tavroexcel.h"
#include "tests/support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

QByteArray signature(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(4);
}

const QByteArray oleSignature("\xD0\xCF\x11\xE0", 4); // Excel 97-2003 (.xls)
const QByteArray zipSignature("PK\x03\x04", 4);       // Excel 2007+ XML (.xlsx)

// Three sheets; the first holds a date and a number with their own display formats.
const char* const threeSheets = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <number:number-style style:name="N2"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>
 <style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N1"/>
 <style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N2"/>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="one"><table:table-row>
 <table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="2024-01-05"><text:p>2024-01-05</text:p></table:table-cell>
 <table:table-cell table:style-name="ce2" office:value-type="float" office:value="3.5"><text:p>3.50</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>first</text:p></table:table-cell>
</table:table-row></table:table>
<table:table table:name="two"><table:table-row><table:table-cell office:value-type="string"><text:p>second</text:p></table:table-cell></table:table-row></table:table>
<table:table table:name="three"><table:table-row><table:table-cell office:value-type="string"><text:p>third</text:p></table:table-cell></table:table-row></table:table>
</office:spreadsheet></office:body></office:document>
)";

} // namespace

class TestTavroExcel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keep_ = std::make_unique<OfficeKeepAlive>();
        setPrintDestinationChooser([this] {
            return PrintDestination{QString(),
                                    dir_.filePath(QStringLiteral("page-%1.pdf").arg(++pages_))};
        });
    }

    void cleanupTestCase() {
        keep_.reset();
        setPrintDestinationChooser({});
        QCOMPARE(officeProcessId(), 0);
    }

    void groupCellWrites_data() {
        QTest::addColumn<QList<QPoint>>("cells"); // (column, row) from 0
        QTest::addColumn<QStringList>("blocks");  // "col,row,cols x rows"
        QTest::newRow("one cell") << QList<QPoint>{{2, 3}} << QStringList{"2,3,1x1"};
        QTest::newRow("a row run")
            << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}} << QStringList{"0,0,3x1"};
        QTest::newRow("a full table")
            << QList<QPoint>{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0, 2}, {1, 2}}
            << QStringList{"0,0,2x3"};
        QTest::newRow("gaps split runs")
            << QList<QPoint>{{0, 0}, {2, 0}, {0, 1}, {2, 1}} << QStringList{"0,0,1x2", "2,0,1x2"};
        QTest::newRow("a missing row splits blocks")
            << QList<QPoint>{{1, 0}, {1, 2}} << QStringList{"1,0,1x1", "1,2,1x1"};
        QTest::newRow("different widths")
            << QList<QPoint>{{0, 0}, {1, 0}, {0, 1}} << QStringList{"0,0,2x1", "0,1,1x1"};
    }

    void groupCellWrites() {
        QFETCH(QList<QPoint>, cells);
        QFETCH(QStringList, blocks);
        std::map<std::pair<int, int>, QString> writes;
        for (const QPoint& p : cells)
            writes[{p.y(), p.x()}] = QStringLiteral("%1:%2").arg(p.x()).arg(p.y());
        QStringList got;
        int written = 0;
        for (const CellBlock& b : ::groupCellWrites(writes)) {
            const int width = static_cast<int>(b.rows.front().size());
            got << QStringLiteral("%1,%2,%3x%4")
                       .arg(b.col)
                       .arg(b.row)
                       .arg(width)
                       .arg(b.rows.size());
            for (std::size_t r = 0; r < b.rows.size(); ++r) {
                QCOMPARE(static_cast<int>(b.rows[r].size()), width);
                for (int c = 0; c < width; ++c) {
                    QCOMPARE(
                        b.rows[r][static_cast<std::size_t>(c)],
                        QStringLiteral("%1:%2").arg(b.col + c).arg(b.row + static_cast<int>(r)));
                    ++written;
                }
            }
        }
        got.sort();
        blocks.sort();
        QCOMPARE(got, blocks);
        QCOMPARE(written, static_cast<int>(cells.size()));
    }

    void missingFileStartsNewWorkbook() {
        const QString path = dir_.filePath(QStringLiteral("new.xls"));
        {
            TTavroExcel excel(path);
            QVERIFY(excel.isWorkbookOpen());
            QVERIFY(excel.fileName().isEmpty());
            QCOMPARE(excel.getCellText(1, 1), QString());
            excel.setCell(1, 1, QStringLiteral("床號"));
            excel.setCell(13, 2, QStringLiteral("女"));
            QVERIFY(excel.save(path));
        }
        QVERIFY(QFile::exists(path));
        TTavroExcel again(path);
        QCOMPARE(again.fileName(), path);
        QCOMPARE(again.getCellText(1, 1), QStringLiteral("床號"));
        QCOMPARE(again.getCellText(13, 2), QStringLiteral("女"));
        QCOMPARE(again.getCellText(2, 1), QString());
        QCOMPARE(again.getCellText(100, 1000), QString());
    }

    void saveFormatFollowsExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow(".xls") << "a.xls" << oleSignature;
        QTest::newRow(".XLS") << "b.XLS" << zipSignature;
        QTest::newRow(".xlsx") << "c.xlsx" << zipSignature;
        QTest::newRow("other") << "d.data" << zipSignature;
    }

    void saveFormatFollowsExtension() {
        QFETCH(QString, name);
        QFETCH(QByteArray, magic);
        const QString path = dir_.filePath(name);
        TTavroExcel excel(path);
        excel.setCell(1, 1, QStringLiteral("x"));
        QVERIFY(excel.save(path));
        QCOMPARE(signature(path), magic);
    }

    void textsStayText_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xls") << "texts.xls";
        QTest::newRow("xlsx") << "texts.xlsx";
    }

    void textsStayText() {
        QFETCH(QString, name);
        const QStringList values{"007",        "1/2",  "=1+1", "陳大文",  "1,234",
                                 "2024-01-05", "TRUE", "3.50", "'quoted", "地址一\n地址二"};
        const QString path = dir_.filePath(name);
        {
            TTavroExcel excel(path);
            for (int i = 0; i < values.size(); ++i)
                excel.setCell(2, i + 1, values[i]);
            excel.setCell(3, 1, QStringLiteral("  padded  "));
            // Unsaved writes read back at once.
            QCOMPARE(excel.getCellText(2, 1), QStringLiteral("007"));
            QVERIFY(excel.save(path));
        }
        TTavroExcel excel(path);
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(excel.getCellText(2, i + 1), values[i]);
        QCOMPARE(excel.getCellText(3, 1), QStringLiteral("padded"));
    }

    void savesInPlace() {
        const QString path = dir_.filePath(QStringLiteral("inplace.xls"));
        {
            TTavroExcel excel(path);
            excel.setCell(1, 1, QStringLiteral("before"));
            QVERIFY(excel.save(path));
        }
        {
            TTavroExcel excel(path);
            QCOMPARE(excel.fileName(), path);
            excel.setCell(1, 1, QStringLiteral("after"));
            QVERIFY(excel.save(path));
        }
        QCOMPARE(signature(path), oleSignature);
        TTavroExcel excel(path);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("after"));
    }

    void displayedTextOfDatesAndNumbers() {
        const QString path = writeThreeSheets();
        TTavroExcel excel(path);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("2024-01-05"));
        QCOMPARE(excel.getCellText(2, 1), QStringLiteral("3.50"));
        QCOMPARE(excel.getCellText(3, 1), QStringLiteral("first"));
    }

    void selectSheet() {
        TTavroExcel excel(writeThreeSheets());
        excel.selectSheet(2);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("second"));
        excel.selectSheet(5);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("second"));
        excel.selectSheet(0);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("second"));
        excel.selectSheet(3);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("third"));
        // Writes go to the active sheet.
        excel.setCell(2, 1, QStringLiteral("on three"));
        excel.selectSheet(1);
        QCOMPARE(excel.getCellText(2, 1), QStringLiteral("3.50"));
        excel.selectSheet(3);
        QCOMPARE(excel.getCellText(2, 1), QStringLiteral("on three"));
    }

    void printsActiveSheetToPdf() {
        const int before = pages_;
        TTavroExcel excel(writeThreeSheets());
        excel.selectSheet(2);
        excel.setCell(2, 2, QStringLiteral("PRINTED-ON-TWO"));
        QVERIFY(excel.printSheet());
        QCOMPARE(pages_, before + 1);
        const QString text = pdfText(dir_.filePath(QStringLiteral("page-%1.pdf").arg(pages_)));
        QVERIFY2(text.contains(QLatin1String("PRINTED-ON-TWO")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("second")));
        QVERIFY(!text.contains(QLatin1String("first")));
        QVERIFY(!text.contains(QLatin1String("third")));
    }

    void closedWorkbookReadsAndWritesNothing() {
        TTavroExcel excel(dir_.filePath(QStringLiteral("none.xls")));
        excel.setCell(1, 1, QStringLiteral("x"));
        excel.closeWorkbook();
        QVERIFY(!excel.isWorkbookOpen());
        QCOMPARE(excel.getCellText(1, 1), QString());
        excel.setCell(1, 1, QStringLiteral("y"));
        QVERIFY(!excel.save(dir_.filePath(QStringLiteral("none.xls"))));
        QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("none.xls"))));
        QVERIFY(!excel.printSheet());
    }

    void closeQuitsOnlyWhenNoWorkbookIsLeft() {
        keep_.reset();
        QCOMPARE(officeProcessId(), 0);
        TTavroExcel first(dir_.filePath(QStringLiteral("q1.xls")));
        TTavroExcel second(dir_.filePath(QStringLiteral("q2.xls")));
        const qint64 pid = officeProcessId();
        QVERIFY(pid != 0);
        first.close();
        QVERIFY(!first.isStarted());
        QCOMPARE(officeProcessId(), pid);
        QCOMPARE(::kill(static_cast<pid_t>(pid), 0), 0);
        second.setCell(1, 1, QStringLiteral("still here"));
        QVERIFY(second.save(dir_.filePath(QStringLiteral("q2.xls"))));
        second.close();
        QCOMPARE(officeProcessId(), 0);
        QVERIFY(::kill(static_cast<pid_t>(pid), 0) != 0);
        second.close();
        first.close();
        keep_ = std::make_unique<OfficeKeepAlive>();
    }

    void officeMissing_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("plugin");
        QTest::newRow("no office program") << "/nonexistent/soffice.bin"
                                           << "";
        QTest::newRow("no plugin") << ""
                                   << "/nonexistent/libdosarix_uno.so";
    }

    void officeMissing() {
        QFETCH(QString, program);
        QFETCH(QString, plugin);
        keep_.reset();
        QCOMPARE(officeProcessId(), 0);
        const OfficeSetup saved = officeSetup();
        officeSetup().program = program;
        officeSetup().plugin = plugin;
        QString message;
        try {
            TTavroExcel excel(dir_.filePath(QStringLiteral("x.xls")));
        } catch (const officeError& e) {
            message = e.text();
        }
        officeSetup() = saved;
        keep_ = std::make_unique<OfficeKeepAlive>();
        QVERIFY2(message.contains(QStringLiteral("沒有安裝試算表程式")), qPrintable(message));
    }

    void officeThatFailsToStart_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exits at once") << "exit 3"
                                       << "啟動後立即結束";
        QTest::newRow("never answers") << "exec sleep 30"
                                       << "沒有回應";
    }

    void officeThatFailsToStart() {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        keep_.reset();
        QCOMPARE(officeProcessId(), 0);
        const QString fake = dir_.filePath(QStringLiteral("fake-office.sh"));
        QFile f(fake);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(("#!/bin/sh\n" + script + "\n").toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const OfficeSetup saved = officeSetup();
        officeSetup().program = fake;
        officeSetup().startTimeoutMs = 1500;
        QElapsedTimer clock;
        clock.start();
        QString message;
        try {
            TTavroExcel excel(dir_.filePath(QStringLiteral("x.xls")));
        } catch (const officeError& e) {
            message = e.text();
        }
        const qint64 elapsed = clock.elapsed();
        officeSetup() = saved;
        keep_ = std::make_unique<OfficeKeepAlive>();
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY2(elapsed < 8000, qPrintable(QString::number(elapsed)));
        QCOMPARE(officeProcessId(), 0);
    }

private:
    QString writeThreeSheets() {
        const QString path = dir_.filePath(QStringLiteral("three.fods"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(threeSheets);
        return path;
    }

    QTemporaryDir dir_;
    std::unique_ptr<OfficeKeepAlive> keep_;
    int pages_ = 0;
};

DOSARIX_TEST_MAIN(TestTavroExcel)
#include "test_tavroexcel.moc"
