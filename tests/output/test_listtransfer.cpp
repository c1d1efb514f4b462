// Resident and drug lists to and from spreadsheet files, through the real LibreOffice: round
// trips, files the office made itself, where an import stops, and imports that are all or
// nothing.

#include "drugs/drug_transfer.h"
#include "drugs/druglistform.h"
#include "output/listtransfer.h"
#include "output/tavroexcel.h"
#include "residents/patient_transfer.h"
#include "residents/patientlistform.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QImage>
#include <QTableWidget>
#include <QTest>

namespace {

struct ResidentData {
    QString sid, engName, chiName, hkid, tel, mobile, contactPerson, contactTel, address, remark;
    QDate regDate, birthDate;
    bool sex;
};

oid_t addResident(const ResidentData& d, std::int32_t id) {
    tavroBuffer arena;
    auto s = [&](const QString& t) { return arena.store(t.toUtf8().constData()); };
    Patient p;
    p.id = id;
    p.sid = s(d.sid);
    p.engName = s(d.engName);
    p.chiName = s(d.chiName);
    p.hkid = s(d.hkid);
    p.tel = s(d.tel);
    p.mobile = s(d.mobile);
    p.contactPerson = s(d.contactPerson);
    p.contactTel = s(d.contactTel);
    p.address = s(d.address);
    p.remark = s(d.remark);
    p.regDate = toDbDateTime(QDateTime(d.regDate, QTime(9, 30)));
    p.birthDate = tavroTDateTime(toCalendarReal(QDateTime(d.birthDate, QTime())));
    p.sex = d.sex;
    return insert(p).oid;
}

ResidentData readBack(const Patient& p) {
    auto q = [](const char* t) { return QString::fromUtf8(t); };
    return {q(p.sid),
            q(p.engName),
            q(p.chiName),
            q(p.hkid),
            q(p.tel),
            q(p.mobile),
            q(p.contactPerson),
            q(p.contactTel),
            q(p.address),
            q(p.remark),
            toTDateTime(p.regDate).date(),
            p.birthDate.toQDateTime().date(),
            p.sex};
}

// The fields that differ, for the failure message; empty when none.
QString differences(const ResidentData& a, const ResidentData& b) {
    QStringList out;
    auto check = [&](const char* name, const QString& x, const QString& y) {
        if (x != y)
            out << QStringLiteral("%1: '%2' != '%3'").arg(QLatin1String(name), x, y);
    };
    check("sid", a.sid, b.sid);
    check("engName", a.engName, b.engName);
    check("chiName", a.chiName, b.chiName);
    check("hkid", a.hkid, b.hkid);
    check("tel", a.tel, b.tel);
    check("mobile", a.mobile, b.mobile);
    check("contactPerson", a.contactPerson, b.contactPerson);
    check("contactTel", a.contactTel, b.contactTel);
    check("address", a.address, b.address);
    check("remark", a.remark, b.remark);
    check("regDate", a.regDate.toString(Qt::ISODate), b.regDate.toString(Qt::ISODate));
    check("birthDate", a.birthDate.toString(Qt::ISODate), b.birthDate.toString(Qt::ISODate));
    check("sex", a.sex ? "m" : "f", b.sex ? "m" : "f");
    return out.join(QStringLiteral("; "));
}

const ResidentData chan{"A1",         "盤尼西林",   "陳大文",
                        "A123456(7)", "23456789",   "91234567",
                        "陳小明",     "98765432",   "九龍彌敦道 1 號\r\n3 樓 A 室",
                        "糖尿病",     {2020, 5, 1}, {1935, 2, 28},
                        true};
const ResidentData lee{"A2",     "", "李美玲",       "B765432(1)",  "",   "", "", "",
                       "香港仔", "", {2021, 12, 31}, {1940, 11, 3}, false};
const ResidentData wong{"B7", "亞士匹靈", "黃志強", "C111111(1)", "",           "6000 0000", "黃太",
                        "",   "",         "007",    {2024, 1, 5}, {1950, 1, 1}, true};

int countOf(const char* table) {
    if (QByteArray(table) == "Patient") {
        dbCursor<Patient> c;
        return c.select();
    }
    dbCursor<Drug> c;
    return c.select();
}

// Answers the next file dialog with path.
void chooseFile(const QString& path) {
    setFileNameChooser([path](QWidget*, bool) { return path; });
}

void expectMessage(QString& into) {
    ModalDriver::expect([&into](QWidget* d) { into = dialogMessage(d); });
}

// A flat ODF workbook: rows of cells, each "t:text" or "d:yyyy-mm-dd" (a date cell).
QString writeFods(const QString& path, const QList<QStringList>& rows) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
        "<office:automatic-styles><number:date-style style:name=\"N1\"><number:day/>"
        "<number:text>.</number:text><number:month/><number:text>.</number:text>"
        "<number:year number:style=\"long\"/></number:date-style>"
        "<style:style style:name=\"ce1\" style:family=\"table-cell\" "
        "style:parent-style-name=\"Default\" style:data-style-name=\"N1\"/>"
        "</office:automatic-styles><office:body><office:spreadsheet><table:table "
        "table:name=\"Sheet1\">");
    for (const QStringList& row : rows) {
        xml += QStringLiteral("<table:table-row>");
        for (const QString& cell : row) {
            const QString value = cell.mid(2).toHtmlEscaped();
            if (cell.startsWith(QLatin1String("d:")))
                xml += QStringLiteral("<table:table-cell table:style-name=\"ce1\" "
                                      "office:value-type=\"date\" office:date-value=\"%1\"/>")
                           .arg(value);
            else if (cell.isEmpty())
                xml += QStringLiteral("<table:table-cell/>");
            else
                xml += QStringLiteral("<table:table-cell office:value-type=\"string\">"
                                      "<text:p>%1</text:p></table:table-cell>")
                           .arg(value);
        }
        xml += QStringLiteral("</table:table-row>");
    }
    xml += QStringLiteral("</table:table></office:spreadsheet></office:body></office:document>");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(xml.toUtf8());
    return path;
}

QStringList residentRow(const ResidentData& d, const QString& reg, const QString& birth) {
    return {"t:" + d.sid,
            "t:" + d.engName,
            "t:" + d.chiName,
            "t:" + d.hkid,
            "t:" + d.tel,
            "t:" + d.mobile,
            "t:" + d.contactPerson,
            "t:" + d.contactTel,
            "t:" + d.address,
            "t:" + d.remark,
            reg,
            birth,
            d.sex ? "t:男" : "t:女"};
}

QStringList headerRow() {
    QStringList r;
    for (const QString& h : residentSheetHeaders())
        r << "t:" + h;
    return r;
}

} // namespace

class TestListTransfer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { keep_ = std::make_unique<OfficeKeepAlive>(); }
    void cleanupTestCase() { keep_.reset(); }
    void cleanup() {
        ModalDriver::clear();
        setFileNameChooser({});
    }

    void residentsRoundTrip() {
        TempDatabase db;
        const oid_t a = addResident(chan, 1);
        addResident(lee, 2);
        const oid_t c = addResident(wong, 3);
        db.db().commit();
        const QString file = db.filePath(QStringLiteral("residents.xls"));
        {
            // A search result: the first and third resident, third first.
            TTavroExcel excel(file);
            writeResidents(excel, {c, a});
            QVERIFY(excel.save(file));
        }
        int imported = 0;
        {
            TTavroExcel excel(file);
            QCOMPARE(excel.getCellText(13, 1), QStringLiteral("性別"));
            // Birth dates keep their four-digit year in the file.
            QVERIFY(excel.getCellText(12, 3).contains(QStringLiteral("1935")));
            imported = readResidents(excel);
        }
        db.db().commit();
        QCOMPARE(imported, 2);
        dbCursor<Patient> cursor;
        QCOMPARE(cursor.select(dbQuery().orderBy("id")), 5);
        std::vector<Patient> all;
        std::vector<ResidentData> data;
        do {
            data.push_back(readBack(*cursor));
            all.push_back(*cursor);
        } while (cursor.next());
        // New records, in file order, with the next ids, every field as it was.
        QCOMPARE(all[3].id, 4);
        QCOMPARE(all[4].id, 5);
        QCOMPARE(differences(data[3], wong), QString());
        QCOMPARE(differences(data[4], chan), QString());
        QCOMPARE(data[4].birthDate.year(), 1935);
        QCOMPARE(data[4].address, QStringLiteral("九龍彌敦道 1 號\r\n3 樓 A 室"));
        QVERIFY(!all[3].isLeave);
        QVERIFY(all[3].takes.empty());
    }

    void officeMadeFilesImport_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << "office.xlsx";
        QTest::newRow("xls") << "office.xls";
    }

    void officeMadeFilesImport() {
        QFETCH(QString, name);
        TempDatabase db;
        // Real date cells shown as d.m.yyyy, saved by the office in its own formats.
        const QString fods =
            writeFods(db.filePath(QStringLiteral("source.fods")),
                      {headerRow(), residentRow(chan, "d:2020-05-01", "d:1935-02-28"),
                       residentRow(lee, "d:2021-12-31", "d:1940-11-03")});
        const QString file = db.filePath(name);
        {
            TTavroExcel excel(fods);
            QVERIFY(!excel.fileName().isEmpty());
            QCOMPARE(excel.getCellText(12, 2), QStringLiteral("28.2.1935"));
            QVERIFY(excel.save(file));
        }
        TTavroExcel excel(file);
        QCOMPARE(readResidents(excel), 2);
        db.db().commit();
        dbCursor<Patient> cursor;
        QCOMPARE(cursor.select(dbQuery().orderBy("id")), 2);
        QCOMPARE(differences(readBack(*cursor), chan), QString());
        cursor.next();
        QCOMPARE(readBack(*cursor).birthDate, lee.birthDate);
    }

    void importStopsAtFirstBlankBed() {
        TempDatabase db;
        const QString file =
            writeFods(db.filePath(QStringLiteral("gap.fods")),
                      {headerRow(), residentRow(chan, "t:2020/05/01", "t:1935/02/28"),
                       residentRow(ResidentData{"",
                                                "",
                                                "無床號",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                {2020, 1, 1},
                                                {1930, 1, 1},
                                                true},
                                   "t:2020/01/01", "t:1930/01/01"),
                       residentRow(lee, "t:2021/12/31", "t:1940/11/03")});
        TTavroExcel excel(file);
        QCOMPARE(readResidents(excel), 1);
    }

    void badDateImportsNothing_data() {
        QTest::addColumn<QString>("birth");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not a date") << "t:abc"
                                    << "匯入失敗: 第 3 行第 12 欄 (出生日期) 的 \"abc\" 不是日期. "
                                       "沒有匯入任何資料.";
        QTest::newRow("empty") << ""
                               << "匯入失敗: 第 3 行第 12 欄 (出生日期) 是空的, 應該是日期. "
                                  "沒有匯入任何資料.";
    }

    void badDateImportsNothing() {
        QFETCH(QString, birth);
        QFETCH(QString, expected);
        TempDatabase db;
        addResident(wong, 1);
        db.db().commit();
        // Confirmed in the list before the import (kept until the next commit, like a label
        // sheet): the failed import must not take it away.
        LabelSetup sheet;
        sheet.top = 25;
        insert(sheet);
        const QString file =
            writeFods(db.filePath(QStringLiteral("bad.fods")),
                      {headerRow(), residentRow(chan, "t:2020/05/01", "t:1935/02/28"),
                       residentRow(lee, "t:2021/12/31", birth),
                       residentRow(chan, "t:2020/05/01", "t:1935/02/28")});
        QWidget owner;
        QString told;
        bool refreshed = false;
        chooseFile(file);
        expectMessage(told);
        runListImport(&owner, readResidents, [&] { refreshed = true; });
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, expected);
        QVERIFY(!refreshed);
        db.db().rollback();
        QCOMPARE(countOf("Patient"), 1);
        dbCursor<LabelSetup> kept;
        QCOMPARE(kept.select(), 1);
    }

    void importOfNoSpreadsheetImportsNothing() {
        TempDatabase db;
        // A picture named like a workbook: the office opens it, but not as a spreadsheet.
        const QString file = db.filePath(QStringLiteral("picture.xls"));
        QImage picture(32, 32, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(file, "PNG"));
        QWidget owner;
        QString told;
        chooseFile(file);
        expectMessage(told);
        runListImport(&owner, readResidents, [] {});
        QVERIFY(ModalDriver::waitDone(30000));
        // The office may read the bytes as rows of text; either way the user is told and
        // nothing is imported.
        QVERIFY2(told.startsWith(QStringLiteral("無法開啟試算表檔案 ")) ||
                     told.startsWith(QStringLiteral("匯入失敗: ")),
                 qPrintable(told));
        QVERIFY(told.endsWith(QStringLiteral("沒有匯入任何資料.")));
        QCOMPARE(countOf("Patient"), 0);
    }

    void importReportsCount() {
        TempDatabase db;
        const QString file =
            writeFods(db.filePath(QStringLiteral("two.fods")),
                      {headerRow(), residentRow(chan, "t:2020/05/01", "t:1935/02/28"),
                       residentRow(lee, "t:2021/12/31", "t:1940/11/03")});
        QWidget owner;
        QString told;
        bool refreshed = false;
        chooseFile(file);
        expectMessage(told);
        runListImport(&owner, readResidents, [&] { refreshed = true; });
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("2資料已成功由") + file + QStringLiteral("輸入."));
        QVERIFY(refreshed);
        db.db().rollback(); // committed already: nothing to undo
        QCOMPARE(countOf("Patient"), 2);
    }

    void exportOfEmptyListWritesNothing() {
        TempDatabase db;
        QWidget owner;
        QString told;
        bool wrote = false;
        expectMessage(told);
        runListExport(&owner, 0, [&](TTavroExcel&) { wrote = true; });
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(told, QStringLiteral("沒有資料."));
        QVERIFY(!wrote);
    }

    void exportAsksBeforeReplacing() {
        TempDatabase db;
        const QString file = db.filePath(QStringLiteral("old.xls"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
        f.close();
        QWidget owner;
        QString asked;
        bool wrote = false;
        chooseFile(file);
        ModalDriver::expect([&](QWidget* d) {
            asked = dialogMessage(d);
            d->findChild<QWidget*>(QStringLiteral("NoButton"))->setFocus();
            QTest::keyClick(d, Qt::Key_N);
        });
        runListExport(&owner, 3, [&](TTavroExcel&) { wrote = true; });
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(asked, QStringLiteral("檔案存在, 取代它嗎?"));
        QVERIFY(!wrote);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
    }

    void exportReplacesAndOffersToOpen() {
        TempDatabase db;
        ShellRecorder shell;
        const QString file = db.filePath(QStringLiteral("out.xls"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.close();
        QWidget owner;
        QString asked;
        chooseFile(file);
        ModalDriver::expect([&](QWidget* d) { QTest::keyClick(d, Qt::Key_Y); });
        ModalDriver::expect([&](QWidget* d) {
            asked = dialogMessage(d);
            QTest::keyClick(d, Qt::Key_Y);
        });
        runListExport(&owner, 1,
                      [](TTavroExcel& excel) { excel.setCell(1, 1, QStringLiteral("床號")); });
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(asked, QStringLiteral("1資料已成功輸出到") + file + QStringLiteral(", 開啟嗎?"));
        QCOMPARE(shell.opened(), QStringList{file});
        TTavroExcel excel(file);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("床號"));
    }

    void drugsRoundTrip() {
        TempDatabase db;
        QTableWidget grid(2, 6);
        const QStringList headers{"ID", "名稱", "來源", "備註", "每天次數", "每次數量"};
        grid.setHorizontalHeaderLabels(headers);
        const QStringList rows[2] = {{"11", "Panadol", "醫院", "痛時服", "3", "2"},
                                     {"12", "阿莫西林", "診所", "", "4", "1/2"}};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 6; ++c)
                grid.setItem(r, c, new QTableWidgetItem(rows[r][c]));
        const QString file = db.filePath(QStringLiteral("drugs.xls"));
        {
            TTavroExcel excel(file);
            writeDrugGrid(excel, grid);
            QVERIFY(excel.save(file));
        }
        TTavroExcel excel(file);
        QCOMPARE(excel.getCellText(1, 1), QStringLiteral("名稱"));
        QCOMPARE(excel.getCellText(5, 1), QStringLiteral("每次數量"));
        QCOMPARE(excel.getCellText(6, 1), QString()); // the hidden ID column is not written
        QCOMPARE(readDrugs(excel), 2);
        dbCursor<Drug> cursor;
        QCOMPARE(cursor.select(), 2);
        QCOMPARE(QString::fromUtf8(cursor->name), QStringLiteral("Panadol")); // kept as read
        QCOMPARE(QString::fromUtf8(cursor->function), QStringLiteral("醫院"));
        QCOMPARE(QString::fromUtf8(cursor->remark), QStringLiteral("痛時服"));
        QCOMPARE(QString::fromUtf8(cursor->day), QStringLiteral("3"));
        QCOMPARE(QString::fromUtf8(cursor->quantity), QStringLiteral("2"));
        QCOMPARE(QString::fromUtf8(cursor->unit), QString());
        QCOMPARE(QString::fromUtf8(cursor->m1), QString());
        QCOMPARE(QString::fromUtf8(cursor->po), QString());
        QVERIFY(!cursor->stopUse);
        cursor.next();
        QCOMPARE(QString::fromUtf8(cursor->quantity), QStringLiteral("1/2"));
    }

    void drugFileWithHeaderOnlyImportsNone() {
        TempDatabase db;
        const QString file =
            writeFods(db.filePath(QStringLiteral("header.fods")),
                      {{"t:名稱", "t:來源", "t:備註", "t:每天次數", "t:每次數量"}});
        QWidget owner;
        QString told;
        chooseFile(file);
        expectMessage(told);
        runListImport(&owner, readDrugs, [] {});
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("0資料已成功由") + file + QStringLiteral("輸入."));
        QCOMPARE(countOf("Drug"), 0);
    }

    void drugImportReadsElevenColumns() {
        TempDatabase db;
        const QString file = writeFods(db.filePath(QStringLiteral("full.fods")),
                                       {{"t:h"},
                                        {"t:PANADOL", "t:醫院", "t:備", "t:3", "t:2", "t:粒",
                                         "t:08:00", "t:13:00", "t:18:00", "t:22:00", "t:飯後"}});
        TTavroExcel excel(file);
        QCOMPARE(readDrugs(excel), 1);
        dbCursor<Drug> cursor;
        QCOMPARE(cursor.select(), 1);
        QCOMPARE(QString::fromUtf8(cursor->unit), QStringLiteral("粒"));
        QCOMPARE(QString::fromUtf8(cursor->m1), QStringLiteral("08:00"));
        QCOMPARE(QString::fromUtf8(cursor->m2), QStringLiteral("13:00"));
        QCOMPARE(QString::fromUtf8(cursor->a1), QStringLiteral("18:00"));
        QCOMPARE(QString::fromUtf8(cursor->a2), QStringLiteral("22:00"));
        QCOMPARE(QString::fromUtf8(cursor->po), QStringLiteral("飯後"));
    }

    void residentListKeys() {
        TempDatabase db;
        addResident(chan, 1);
        addResident(lee, 2);
        db.db().commit();
        const QString file = db.filePath(QStringLiteral("list.xls"));
        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        QCOMPARE(form.findChild<QTableWidget*>(QStringLiteral("grid"))->rowCount(), 2);
        QString told;
        chooseFile(file);
        ModalDriver::expect([&](QWidget* d) {
            told = dialogMessage(d);
            QTest::keyClick(d, Qt::Key_N);
        });
        pressKey(&form, Qt::Key_F5);
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("2資料已成功輸出到") + file + QStringLiteral(", 開啟嗎?"));
        QVERIFY(activate(&form));
        chooseFile(file);
        expectMessage(told);
        pressKey(&form, Qt::Key_F6);
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("2資料已成功由") + file + QStringLiteral("輸入."));
        QCOMPARE(countOf("Patient"), 4);
        QCOMPARE(form.findChild<QTableWidget*>(QStringLiteral("grid"))->rowCount(), 4);
    }

    void drugListKeys() {
        TempDatabase db;
        Drug d;
        d.name = "ASPIRIN";
        d.unit = "TAB";
        insert(d);
        d.name = "PANADOL";
        insert(d);
        db.db().commit();
        const QString file = db.filePath(QStringLiteral("drugs.xls"));
        TDrugListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        QCOMPARE(form.findChild<QTableWidget*>(QStringLiteral("grid"))->rowCount(), 2);
        QString told;
        chooseFile(file);
        ModalDriver::expect([&](QWidget* dialog) {
            told = dialogMessage(dialog);
            QTest::keyClick(dialog, Qt::Key_N);
        });
        pressKey(&form, Qt::Key_F5);
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("2資料已成功輸出到") + file + QStringLiteral(", 開啟嗎?"));
        QVERIFY(activate(&form));
        chooseFile(file);
        expectMessage(told);
        pressKey(&form, Qt::Key_F6);
        QVERIFY(ModalDriver::waitDone(30000));
        QCOMPARE(told, QStringLiteral("2資料已成功由") + file + QStringLiteral("輸入."));
        QCOMPARE(countOf("Drug"), 4);

        // A picker neither exports nor imports: its caller's changes are not committed yet.
        form.setPicker(true);
        QVERIFY(activate(&form));
        int asked = 0;
        setFileNameChooser([&](QWidget*, bool) {
            ++asked;
            return QString();
        });
        pressKey(&form, Qt::Key_F5);
        QCoreApplication::processEvents();
        QCOMPARE(asked, 0);
        pressKey(&form, Qt::Key_F6);
        QCoreApplication::processEvents();
        QCOMPARE(asked, 0);
        QCOMPARE(countOf("Drug"), 4);
    }

private:
    std::unique_ptr<OfficeKeepAlive> keep_;
};

DOSARIX_TEST_MAIN(TestListTransfer)
#include "test_listtransfer.moc"
