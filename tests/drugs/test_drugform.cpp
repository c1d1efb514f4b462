#include "app/dialogforms.h"
#include "drugs/drugform.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestDrugForm : public QObject {
    Q_OBJECT

private slots:
    void init() { ModalDriver::clear(); }
    void cleanup() { QCOMPARE(ModalDriver::pending(), 0); }

    void newFormShowsUsualDosage();
    void tabOrder();
    void tabLeavesThePrescriptionDate_data();
    void tabLeavesThePrescriptionDate();
    void enterMovesOnInOneLineEdits_data();
    void enterMovesOnInOneLineEdits();
    void enterInNameStartsNewLine();
    void storedName_data();
    void storedName();
    void blankNameRefused_data();
    void blankNameRefused();
    void drugRoundTrip();
    void newMedicationLine();
    void existingMedicationLine();
    void keys_data();
    void keys();
    void helpOpensManualOnlyWhenPresent();
};

void TestDrugForm::newFormShowsUsualDosage() {
    TDrugForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("藥物資料表格"));
    QCOMPARE(form.name->toPlainText(), QString());
    QCOMPARE(form.function->text(), QString());
    QCOMPARE(form.remark->text(), QString());
    QCOMPARE(form.day->text(), QStringLiteral("3"));
    QCOMPARE(form.quantity->text(), QStringLiteral("1"));
    QCOMPARE(form.unit->text(), QStringLiteral("粒"));
    QCOMPARE(form.po->text(), QString());
    QCOMPARE(form.m1->text(), QStringLiteral("7"));
    QCOMPARE(form.m2->text(), QStringLiteral("77"));
    QCOMPARE(form.a1->text(), QStringLiteral("5"));
    QCOMPARE(form.a2->text(), QString());
    QVERIFY(!form.stopUse->isChecked());
    QVERIFY(!form.isMedicationLineMode());
    QVERIFY(form.name->isEnabled());
    QVERIFY(form.unit->isEnabled());
    QCOMPARE(form.saveAction->text(), QStringLiteral("儲存 F8"));
    QCOMPARE(form.saveButton->toolTip(), QStringLiteral("儲存資料"));
    QCOMPARE(form.cancelAction->text(), QStringLiteral("取消 Esc"));
    QCOMPARE(form.helpAction->text(), QStringLiteral("說明 F1"));

    // A new drug typed into the fresh form is stored with the usual dosage.
    TempDatabase temp;
    form.name->setPlainText(QStringLiteral("panadol"));
    Drug drug;
    QVERIFY(form.fillDrug(drug));
    dbCursor<Drug> cursor;
    cursor.at(insert(drug));
    QCOMPARE(QString::fromUtf8(cursor->name), QStringLiteral("PANADOL"));
    QCOMPARE(QString::fromUtf8(cursor->day), QStringLiteral("3"));
    QCOMPARE(QString::fromUtf8(cursor->quantity), QStringLiteral("1"));
    QCOMPARE(QString::fromUtf8(cursor->unit), QStringLiteral("粒"));
    QCOMPARE(QString::fromUtf8(cursor->m1), QStringLiteral("7"));
    QCOMPARE(QString::fromUtf8(cursor->m2), QStringLiteral("77"));
    QCOMPARE(QString::fromUtf8(cursor->a1), QStringLiteral("5"));
    QCOMPARE(QString::fromUtf8(cursor->a2), QString());
    QVERIFY(!cursor->stopUse);
}

void TestDrugForm::tabOrder() {
    TDrugForm form;
    const QList<QWidget*> expected = {
        form.name,       form.function,     form.remark,  form.transDate, form.day, form.quantity,
        form.po,         form.m1,           form.m2,      form.a1,        form.a2,  form.helpButton,
        form.saveButton, form.cancelButton, form.stopUse, form.unit};
    QList<QWidget*> chain;
    QWidget* w = form.name;
    do {
        if (expected.contains(w))
            chain.append(w);
        w = w->nextInFocusChain();
    } while (w != form.name && chain.size() < 50);
    QCOMPARE(chain, expected);
}

// The prescription date is one Tab stop: the next Tab goes on to the dosage (or back to
// the remark) and never into the date's month or year, where typing would change the date.
void TestDrugForm::tabLeavesThePrescriptionDate_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("to");
    QTest::newRow("Tab") << Qt::KeyboardModifiers(Qt::NoModifier) << "day";
    QTest::newRow("Shift+Tab") << Qt::KeyboardModifiers(Qt::ShiftModifier) << "remark";
}

void TestDrugForm::tabLeavesThePrescriptionDate() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, to);
    TDrugForm form;
    form.setMedicationLineMode();
    const QDateTime prescribed(QDate(2024, 5, 17), QTime(9, 30));
    form.setPrescriptionDate(prescribed);
    QVERIFY(showAndActivate(&form));
    form.remark->setFocus();
    QTest::keyClick(form.remark, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.transDate);
    QTest::keyClick(form.transDate, Qt::Key_Tab, modifiers);
    QCOMPARE(QApplication::focusWidget(), form.findChild<QWidget*>(to));
    QTest::keyClicks(QApplication::focusWidget(), "2");
    QCOMPARE(form.prescriptionDate(), prescribed);
}

void TestDrugForm::enterMovesOnInOneLineEdits_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("function") << "function"
                              << "remark";
    QTest::newRow("remark") << "remark"
                            << "transDate";
    QTest::newRow("day") << "day"
                         << "quantity";
    QTest::newRow("quantity") << "quantity"
                              << "po";
    QTest::newRow("po") << "po"
                        << "m1";
    QTest::newRow("m2") << "m2"
                        << "a1";
    QTest::newRow("unit wraps to name") << "unit"
                                        << "name";
}

void TestDrugForm::enterMovesOnInOneLineEdits() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    TDrugForm form;
    QVERIFY(showAndActivate(&form));
    auto* edit = form.findChild<QLineEdit*>(from);
    QVERIFY(edit);
    edit->setFocus();
    const QString before = edit->text();
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(form.isVisible()); // Enter never saves
    QCOMPARE(edit->text(), before);
    QVERIFY(QApplication::focusWidget());
    QVERIFY(QApplication::focusWidget() == form.findChild<QWidget*>(to) ||
            QApplication::focusWidget()->parentWidget() == form.findChild<QWidget*>(to));
}

void TestDrugForm::enterInNameStartsNewLine() {
    TDrugForm form;
    QVERIFY(showAndActivate(&form));
    form.name->setFocus();
    QTest::keyClicks(form.name, "ab");
    QTest::keyClick(form.name, Qt::Key_Return);
    QTest::keyClicks(form.name, "cd");
    QVERIFY(form.isVisible());
    QCOMPARE(QApplication::focusWidget(), form.name);
    QCOMPARE(form.name->toPlainText(), QStringLiteral("ab\ncd"));
}

void TestDrugForm::storedName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("trailing blank kept") << "panadol "
                                         << "PANADOL ";
    QTest::newRow("inner and leading blanks kept") << "  vit  b"
                                                   << "  VIT  B";
    QTest::newRow("line break kept") << "amoxil\n250mg"
                                     << "AMOXIL\r\n250MG";
    QTest::newRow("chinese untouched") << "維他命c"
                                       << "維他命C";
    QTest::newRow("accented letters") << "café"
                                      << "CAFÉ";
}

void TestDrugForm::storedName() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TempDatabase temp;
    TDrugForm form;
    form.name->setPlainText(typed);
    Drug drug;
    QVERIFY(form.fillDrug(drug));
    dbCursor<Drug> cursor;
    cursor.at(insert(drug));
    QCOMPARE(QString::fromUtf8(cursor->name), stored);

    // Shown again for editing, the name reads as it was typed, in upper case.
    TDrugForm again;
    again.loadDrug(*cursor);
    QCOMPARE(again.name->toPlainText(), QString(stored).replace("\r\n", "\n"));
}

void TestDrugForm::blankNameRefused_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("line breaks and blanks") << " \n  \n";
}

void TestDrugForm::blankNameRefused() {
    QFETCH(QString, typed);
    TDrugForm form;
    form.name->setPlainText(typed);
    form.remark->setText(QStringLiteral("kept"));
    Drug drug;
    drug.remark = "before";
    QString message;
    ModalDriver::expect([&](QWidget* dialog) { message = dialogMessage(dialog); });
    QVERIFY(!form.fillDrug(drug));
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(message, QStringLiteral("名稱錯誤"));
    QCOMPARE(QString::fromUtf8(drug.remark), QStringLiteral("before"));
    // The input stays for the user to correct.
    QCOMPARE(form.name->toPlainText(), typed);
    QCOMPARE(form.remark->text(), QStringLiteral("kept"));
}

void TestDrugForm::drugRoundTrip() {
    TempDatabase temp;
    Drug original;
    original.name = "ASPIRIN\r\n100MG";
    original.function = "醫院";
    original.remark = "飯後";
    original.day = "2";
    original.quantity = "1/2";
    original.unit = "片";
    original.m1 = "8";
    original.m2 = "";
    original.a1 = "6";
    original.a2 = "10";
    original.po = "PO";
    original.stopUse = true;
    original.oid = 42;

    TDrugForm form;
    form.loadDrug(original);
    QVERIFY(form.stopUse->isChecked());
    QCOMPARE(form.quantity->text(), QStringLiteral("1/2"));
    form.day->setText(QStringLiteral("two")); // dosage texts are free text
    form.stopUse->setChecked(false);

    dbCursor<Drug> cursor(dbCursorForUpdate);
    {
        const auto ref = insert(original);
        cursor.at(ref);
        QVERIFY(form.fillDrug(*cursor));
        cursor.update();
        cursor.at(ref);
    }
    QCOMPARE(QString::fromUtf8(cursor->name), QStringLiteral("ASPIRIN\r\n100MG"));
    QCOMPARE(QString::fromUtf8(cursor->function), QStringLiteral("醫院"));
    QCOMPARE(QString::fromUtf8(cursor->remark), QStringLiteral("飯後"));
    QCOMPARE(QString::fromUtf8(cursor->day), QStringLiteral("two"));
    QCOMPARE(QString::fromUtf8(cursor->quantity), QStringLiteral("1/2"));
    QCOMPARE(QString::fromUtf8(cursor->unit), QStringLiteral("片"));
    QCOMPARE(QString::fromUtf8(cursor->m1), QStringLiteral("8"));
    QCOMPARE(QString::fromUtf8(cursor->m2), QString());
    QCOMPARE(QString::fromUtf8(cursor->a1), QStringLiteral("6"));
    QCOMPARE(QString::fromUtf8(cursor->a2), QStringLiteral("10"));
    QCOMPARE(QString::fromUtf8(cursor->po), QStringLiteral("PO"));
    QVERIFY(!cursor->stopUse);
    QCOMPARE(cursor->oid, 42);
}

void TestDrugForm::newMedicationLine() {
    TempDatabase temp;
    Drug drug;
    drug.name = "PANADOL";
    drug.unit = "粒";
    drug.day = "4";
    drug.quantity = "2";
    drug.m1 = "9";
    const auto drugRef = insert(drug);

    TDrugForm form;
    form.loadDrug(drug);
    form.setMedicationLineMode();
    const QDateTime prescribed(QDate(2024, 5, 6), QTime(14, 35, 12));
    form.setPrescriptionDate(prescribed);
    QVERIFY(form.isMedicationLineMode());
    QVERIFY(!form.name->isEnabled());
    QVERIFY(!form.unit->isEnabled());
    QVERIFY(form.stopUse->isHidden());
    QVERIFY(!form.datePanel->isHidden());

    form.remark->setText(QStringLiteral("睡前"));
    form.po->setText(QStringLiteral("PRN"));
    DrugTake line;
    line.drug = drugRef;
    form.fillMedicationLine(line);
    dbCursor<DrugTake> cursor;
    cursor.at(insert(line));
    QCOMPARE(cursor->drug, drugRef);
    QCOMPARE(QString::fromUtf8(cursor->day), QStringLiteral("4"));
    QCOMPARE(QString::fromUtf8(cursor->quantity), QStringLiteral("2"));
    QCOMPARE(QString::fromUtf8(cursor->m1), QStringLiteral("9"));
    QCOMPARE(QString::fromUtf8(cursor->remark), QStringLiteral("睡前"));
    QCOMPARE(QString::fromUtf8(cursor->po), QStringLiteral("PRN"));
    // The time of day goes with the date, though the picker shows the date only.
    QCOMPARE(cursor->transDate, toDbDateTime(prescribed));
}

void TestDrugForm::existingMedicationLine() {
    TempDatabase temp;
    Drug drug;
    drug.name = "AMOXIL\r\n250MG";
    drug.unit = "cap";
    drug.day = "3";
    const auto drugRef = insert(drug);
    DrugTake line;
    line.drug = drugRef;
    line.day = "1";
    line.quantity = "2";
    line.function = "醫生";
    line.remark = "早餐後";
    line.m1 = "8";
    line.m2 = "";
    line.a1 = "";
    line.a2 = "";
    line.po = "";
    line.transDate = dbDateTime(2023, 12, 31, 9, 15, 0);
    const auto lineRef = insert(line);

    TDrugForm form;
    {
        dbCursor<DrugTake> lines;
        lines.at(lineRef);
        form.loadMedicationLine(*lines);
    }
    QVERIFY(form.isMedicationLineMode());
    QVERIFY(!form.name->isEnabled());
    QVERIFY(!form.unit->isEnabled());
    QVERIFY(form.stopUse->isHidden());
    QCOMPARE(form.name->toPlainText(), QStringLiteral("AMOXIL\n250MG"));
    QCOMPARE(form.unit->text(), QStringLiteral("cap"));
    QCOMPARE(form.day->text(), QStringLiteral("1")); // the line's, not the drug's
    QCOMPARE(form.function->text(), QStringLiteral("醫生"));
    QCOMPARE(form.prescriptionDate(), toTDateTime(line.transDate));

    form.quantity->setText(QStringLiteral("3"));
    form.setPrescriptionDate(QDateTime(QDate(2024, 1, 2), QTime(10, 0)));
    dbCursor<DrugTake> lines(dbCursorForUpdate);
    lines.at(lineRef);
    form.fillMedicationLine(*lines);
    lines.update();
    lines.at(lineRef);
    QCOMPARE(lines->drug, drugRef);
    QCOMPARE(QString::fromUtf8(lines->quantity), QStringLiteral("3"));
    QCOMPARE(QString::fromUtf8(lines->remark), QStringLiteral("早餐後"));
    QCOMPARE(lines->transDate, dbDateTime(2024, 1, 2, 10, 0, 0));
    // The drug itself is not touched by editing a line.
    dbCursor<Drug> drugs;
    drugs.at(drugRef);
    QCOMPARE(QString::fromUtf8(drugs->unit), QStringLiteral("cap"));
}

void TestDrugForm::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("F8 saves") << int(Qt::Key_F8) << int(mrOk);
    QTest::newRow("Esc cancels") << int(Qt::Key_Escape) << int(mrCancel);
    QTest::newRow("title bar cancels") << 0 << int(mrCancel);
}

void TestDrugForm::keys() {
    QFETCH(int, key);
    QFETCH(int, result);
    TDrugForm form;
    bool closedByKey = false;
    ModalDriver::expect([&](QWidget* dialog) {
        // From inside an edit, where the keys are normally pressed.
        auto* f = static_cast<TDrugForm*>(dialog);
        f->remark->setFocus();
        if (key)
            pressKey(dialog, Qt::Key(key));
        else
            dialog->close();
        closedByKey = !dialog->isVisible();
    });
    QCOMPARE(form.exec(), result);
    QVERIFY(closedByKey);
}

void TestDrugForm::helpOpensManualOnlyWhenPresent() {
    TempDatabase temp;
    ShellRecorder shell;
    for (bool present : {false, true}) {
        if (present) {
            QFile manual(temp.filePath(QStringLiteral("manual.doc")));
            QVERIFY(manual.open(QIODevice::WriteOnly));
        }
        TDrugForm form;
        ModalDriver::expect([](QWidget* dialog) { pressKey(dialog, Qt::Key_F1); });
        form.exec();
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(shell.opened().size(), present ? 1 : 0);
    }
    QCOMPARE(QFileInfo(shell.opened().first()).canonicalFilePath(),
             QFileInfo(temp.filePath(QStringLiteral("manual.doc"))).canonicalFilePath());
}

DOSARIX_TEST_MAIN(TestDrugForm)
#include "test_drugform.moc"
