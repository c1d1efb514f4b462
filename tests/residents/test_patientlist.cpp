// The resident list driven as a nurse uses it: search boxes, keys, delete, widths, help.
#include "residents/patientlistform.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

struct Resident {
    const char* sid;
    const char* chiName;
    bool isLeave = false;
    const char* hkid = "";
    const char* tel = "";
    const char* mobile = "";
    const char* remark = "";
};

oid_t addResident(const Resident& r) {
    Patient p;
    p.sid = r.sid;
    p.chiName = r.chiName;
    p.isLeave = r.isLeave;
    p.hkid = r.hkid;
    p.tel = r.tel;
    p.mobile = r.mobile;
    p.remark = r.remark;
    return insert(p).oid;
}

// A small register: current residents in beds 9, 10, 2, one former resident in bed 3.
void addRegister() {
    addResident({"9", "陳大文", false, "A123456(7)", "23456789", "91234567", "DIABETES"});
    addResident({"10", "李小明", false, "B222222(2)", "", "", ""});
    addResident({"2", "王美", false, "C333333(3)", "", "", "50% DOSE"});
    addResident({"3", "張三", true, "D444444(4)", "", "98887777", ""});
    addResident({"12", "O'Neil", false, "", "", "", "A_B"});
}

QStringList column(const QTableWidget* grid, int col) {
    QStringList values;
    for (int r = 0; r < grid->rowCount(); ++r)
        values << grid->item(r, col)->text();
    return values;
}

QLineEdit* edit(QWidget* form, const char* name) {
    return form->findChild<QLineEdit*>(QString::fromLatin1(name));
}

QTableWidget* grid(QWidget* form) {
    return form->findChild<QTableWidget*>(QStringLiteral("grid"));
}

int patients() {
    dbCursor<Patient> cursor;
    return cursor.select();
}

} // namespace

class TestPatientList : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        ModalDriver::clear();
        QTest::qWait(5);
    }

    void search_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isLeave");
        QTest::addColumn<int>("sortBy");
        QTest::addColumn<QStringList>("beds");
        const QStringList current{"10", "12", "2", "9"};
        QTest::newRow("empty boxes: current residents by bed text")
            << QString() << QString() << false << 0 << current;
        QTest::newRow("has left") << QString() << QString() << true << 0 << QStringList{"3"};
        QTest::newRow("bed of a former resident ignores the rest")
            << "id"
            << "3" << false << 1 << QStringList{"3"};
        QTest::newRow("bed is exact, not contains") << "id"
                                                    << "1" << false << 0 << QStringList{};
        QTest::newRow("bed trimmed") << "id"
                                     << " 10 " << false << 0 << QStringList{"10"};
        QTest::newRow("name contains") << "chiName"
                                       << "小" << false << 0 << QStringList{"10"};
        QTest::newRow("phone box finds a mobile") << "tel"
                                                  << "1234" << false << 0 << QStringList{"9"};
        QTest::newRow("phone box finds a fixed line") << "tel"
                                                      << "3456" << false << 0 << QStringList{"9"};
        QTest::newRow("identity card") << "hkid"
                                       << "B222" << false << 0 << QStringList{"10"};
        QTest::newRow("remark % found literally") << "remark"
                                                  << "50%" << false << 0 << QStringList{"2"};
        QTest::newRow("remark _ found literally") << "remark"
                                                  << "A_B" << false << 0 << QStringList{"12"};
        QTest::newRow("quote in a name") << "chiName"
                                         << "O'N" << false << 0 << QStringList{"12"};
        // Chinese names by stroke count (王 4, 李 7, 陳 16); Latin after Han.
        QTest::newRow("sort by name in stroke order")
            << QString() << QString() << false << 1 << QStringList{"2", "10", "9", "12"};
        QTest::newRow("sort by identity card")
            << QString() << QString() << false << 2 << QStringList{"12", "9", "10", "2"};
    }
    void search() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, isLeave);
        QFETCH(int, sortBy);
        QFETCH(QStringList, beds);
        TempDatabase db;
        addRegister();
        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        form.findChild<QComboBox*>(QStringLiteral("sortBy"))->setCurrentIndex(sortBy);
        if (isLeave)
            form.findChild<QCheckBox*>(QStringLiteral("isLeave"))->click();
        if (beds.isEmpty())
            ModalDriver::expect([](QWidget* d) { QCOMPARE(dialogMessage(d), "找不到資料."); });
        if (!box.isEmpty()) {
            QLineEdit* e = edit(&form, box.toLatin1().constData());
            e->setText(text);
            e->setFocus();
            pressKey(&form, Qt::Key_Return);
            QCOMPARE(e->selectedText(), text);
        }
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(column(grid(&form), 1), beds);
        // The hidden ID column ties each row to its record.
        for (int r = 0; r < grid(&form)->rowCount(); ++r) {
            dbCursor<Patient> c;
            c.at(dbReference<Patient>(grid(&form)->item(r, 0)->text().toLongLong()));
            QCOMPARE(QString::fromUtf8(c->sid), beds[r]);
        }
    }

    void upperCaseBoxes() {
        TempDatabase db;
        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        for (const char* name : {"id", "chiName", "hkid", "tel", "remark"}) {
            QLineEdit* e = edit(&form, name);
            e->setFocus();
            QTest::keyClicks(e, "ab1");
            QCOMPARE(e->text(), QString::fromLatin1(qstrcmp(name, "chiName") ? "AB1" : "ab1"));
        }
    }

    // Nothing found in a shown window: the message, the header row only, and no record to
    // change or delete.
    void nothingFoundThenNoSelection() {
        TempDatabase db;
        addRegister();
        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        QStringList messages;
        auto record = [&](QWidget* d) { messages << dialogMessage(d); };
        ModalDriver::expect(record);
        edit(&form, "chiName")->setText(QStringLiteral("無此人"));
        form.findChild<QPushButton*>(QStringLiteral("searchButton"))->click();
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(grid(&form)->rowCount(), 0);
        QCOMPARE(grid(&form)->horizontalHeaderItem(1)->text(), QStringLiteral("床號"));
        for (Qt::Key key : {Qt::Key_F3, Qt::Key_F4}) {
            QVERIFY(activate(&form));
            ModalDriver::expect(record);
            pressKey(&form, key);
            QVERIFY(ModalDriver::waitDone());
        }
        QCOMPARE(messages, (QStringList{"找不到資料.", "沒有選擇資料.", "沒有選擇資料."}));
        QCOMPARE(patients(), 5);
    }

    void columnWidthsPersist() {
        TempDatabase db;
        {
            TPatientListForm form(nullptr);
            dbCursor<ColWidth> c;
            QCOMPARE(c.select(dbQuery().equals("type", 0).orderBy("col")), 6);
            QList<int> widths;
            do
                widths << c->width;
            while (c.next());
            QCOMPARE(widths, (QList<int>{1, 80, 100, 100, 100, 100}));
            QVERIFY(showAndActivate(&form));
            grid(&form)->horizontalHeader()->resizeSection(2, 180);
            pressKey(&form, Qt::Key_Escape);
            QTRY_VERIFY(!form.isVisible());
        }
        db.db().rollback(); // the close committed them
        TPatientListForm again(nullptr);
        QCOMPARE(grid(&again)->columnWidth(2), 180);
        QCOMPARE(grid(&again)->columnWidth(1), 80);
        QCOMPARE(grid(&again)->columnWidth(0), 1);
    }

    void deleteChecksReferences_data() {
        QTest::addColumn<bool>("consultation");
        QTest::addColumn<bool>("appointment");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("removed");
        QTest::newRow("consultation and appointment")
            << true << true << true << "有診斷使用這資料, 不能刪除." << false;
        QTest::newRow("appointment")
            << false << true << true << "有預約使用這資料, 不能刪除." << false;
        QTest::newRow("free, Yes") << false << false << true << QString() << true;
        QTest::newRow("free, No") << false << false << false << QString() << false;
    }
    void deleteChecksReferences() {
        QFETCH(bool, consultation);
        QFETCH(bool, appointment);
        QFETCH(bool, yes);
        QFETCH(QString, message);
        QFETCH(bool, removed);
        TempDatabase db;
        addResident({"1", "甲"});
        Patient p;
        p.sid = "5";
        p.chiName = "乙";
        DrugTake line;
        const auto take = insert(line);
        p.takes.append(take);
        const auto target = insert(p);
        addResident({"7", "丙"});
        if (consultation) {
            Checking c;
            c.patient = target;
            insert(c);
        }
        if (appointment) {
            Booking b;
            b.patient = target;
            insert(b);
        }
        db.db().commit();

        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        grid(&form)->selectRow(1);
        QCOMPARE(grid(&form)->item(1, 1)->text(), QStringLiteral("5"));
        QString question;
        ModalDriver::expect([&](QWidget* d) {
            question = dialogMessage(d);
            pressKey(d, yes ? Qt::Key_Y : Qt::Key_N);
        });
        QString said;
        if (!message.isEmpty())
            ModalDriver::expect([&](QWidget* d) { said = dialogMessage(d); });
        pressKey(&form, Qt::Key_F4);
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(question, QStringLiteral("刪除 '5' 嗎?"));
        QCOMPARE(said, message);
        db.db().rollback(); // a removal is committed at once
        QCOMPARE(patients(), removed ? 2 : 3);
        QCOMPARE(column(grid(&form), 1),
                 removed ? QStringList({"1", "7"}) : QStringList({"1", "5", "7"}));
        // The resident's medication lines stay in their table.
        dbCursor<DrugTake> lines;
        QCOMPARE(lines.select(), 1);
    }

    void helpOpensThePageWhenPresent() {
        TempDatabase db;
        ShellRecorder shell;
        TPatientListForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        pressKey(&form, Qt::Key_F1);
        QVERIFY(shell.opened().isEmpty());
        QDir(db.dir()).mkpath(QStringLiteral("help"));
        QFile page(db.filePath(QStringLiteral("help/patient.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        pressKey(&form, Qt::Key_F1);
        QCOMPARE(shell.opened().size(), 1);
        QVERIFY(shell.opened().first().endsWith(QStringLiteral("help/patient.htm")));
    }

    void windowLayout() {
        TempDatabase db;
        TPatientListForm form(nullptr);
        QCOMPARE(form.windowTitle(), QStringLiteral("院友列表"));
        QVERIFY(showAndActivate(&form));
        QVERIFY(form.windowState() & Qt::WindowMaximized);
        QStringList buttons;
        for (QPushButton* b :
             form.findChild<QWidget*>(QStringLiteral("actionPanel"))->findChildren<QPushButton*>())
            buttons << b->text();
        QCOMPARE(buttons, (QStringList{"加入 F2", "更改 F3", "刪除 F4", "匯出 F5", "匯入 F6",
                                       "信封 F7", "列印藥紙", "關閉 Esc"}));
        QCOMPARE(column(grid(&form), 0), QStringList{});
        QStringList headers;
        for (int c = 0; c < grid(&form)->columnCount(); ++c)
            headers << grid(&form)->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"ID", "床號", "院友姓名", "身份證", "電話", "備註"}));
        QCOMPARE(grid(&form)->selectionMode(), QAbstractItemView::ExtendedSelection);
    }
};

DOSARIX_TEST_MAIN(TestPatientList)
#include "test_patientlist.moc"
