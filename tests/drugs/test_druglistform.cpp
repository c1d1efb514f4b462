#include "app/dialogforms.h"
#include "drugs/drugform.h"
#include "drugs/druglistform.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

dbReference<Drug> addDrug(const char* name, bool stopped = false, const char* remark = "") {
    Drug d;
    d.name = name;
    d.stopUse = stopped;
    d.remark = remark;
    d.day = "3";
    d.quantity = "1";
    d.unit = "粒";
    return insert(d);
}

QStringList column(const TDrugListForm& form, int col) {
    QStringList texts;
    const QTableWidget* grid = form.gridWidget();
    for (int row = 0; row < grid->rowCount(); ++row)
        texts << (grid->item(row, col) ? grid->item(row, col)->text() : QString());
    return texts;
}

QSet<QString> idSet(const TDrugListForm& form) {
    const QStringList ids = column(form, 0);
    return QSet<QString>(ids.begin(), ids.end());
}

int rowOf(const TDrugListForm& form, dbReference<Drug> drug) {
    return column(form, 0).indexOf(QString::number(drug.oid));
}

void selectDrug(TDrugListForm& form, dbReference<Drug> drug) {
    form.gridWidget()->setCurrentCell(rowOf(form, drug), 1);
}

int drugCount() {
    dbCursor<Drug> cursor;
    return cursor.select();
}

} // namespace

class TestDrugListForm : public QObject {
    Q_OBJECT

private slots:
    void init() { ModalDriver::clear(); }
    void cleanup() { QCOMPARE(ModalDriver::pending(), 0); }

    void layout();
    void typingSearchesByPrefix_data();
    void typingSearchesByPrefix();
    void nothingFound();
    void stopUseListsDisjointSets();
    void stoppedThroughFormStaysUntilNextSearch();
    void insertRetriesAfterBlankName();
    void insertCancelled();
    void deleteChecksReferences_data();
    void deleteChecksReferences();
    void pickerEnter_data();
    void pickerEnter();
    void columnWidthsWrittenWithoutCommit();
    void helpOpensManual();
    void tabLeavesTheGrid_data();
    void tabLeavesTheGrid();
};

void TestDrugListForm::layout() {
    TempDatabase temp;
    TDrugListForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("藥物資料列表"));
    QVERIFY(form.windowState() & Qt::WindowMaximized);

    QStringList buttons;
    for (auto* b : form.findChild<QWidget*>(QStringLiteral("actionPanel"))
                       ->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        buttons << b->objectName();
    QCOMPARE(buttons, QStringList({"insertButton", "updateButton", "deleteButton", "exportButton",
                                   "importButton", "printButton", "helpButton", "closeButton"}));
    QCOMPARE(form.findChild<QPushButton*>("printButton")->text(), QStringLiteral("列印 F11"));
    QVERIFY(!form.findChild<QAction*>("envAction"));

    const QTableWidget* grid = form.gridWidget();
    QStringList headers;
    QList<int> widths;
    for (int c = 0; c < grid->columnCount(); ++c) {
        headers << grid->horizontalHeaderItem(c)->text();
        widths << grid->columnWidth(c);
    }
    QCOMPARE(headers, QStringList({"ID", "名稱", "來源", "備註", "每天次數", "每次數量"}));
    QCOMPARE(widths, QList<int>({1, 460, 80, 80, 80, 80}));
    QCOMPARE(grid->selectionMode(), QAbstractItemView::SingleSelection);
}

void TestDrugListForm::typingSearchesByPrefix_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("two letters, upper-cased, by name")
        << "pa" << QStringList({"PANADOL", "PARACETAMOL"});
    QTest::newRow("blank around the text ignored")
        << " pa " << QStringList({"PANADOL", "PARACETAMOL"});
    QTest::newRow("empty lists every drug in use")
        << ""
        << QStringList(
               {"50% GEL", "500MG TAB", "APAP", "O'NEIL", "PANADOL", "PARACETAMOL", "pamol"});
    QTest::newRow("quote found literally") << "o'" << QStringList({"O'NEIL"});
    QTest::newRow("percent found literally") << "50%" << QStringList({"50% GEL"});
}

void TestDrugListForm::typingSearchesByPrefix() {
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    TempDatabase temp;
    addDrug("PARACETAMOL");
    addDrug("APAP");  // holds the letters, but not at the start
    addDrug("pamol"); // imported in lower case: never found by typed letters
    addDrug("PAX", true);
    addDrug("PANADOL");
    addDrug("O'NEIL");
    addDrug("500MG TAB");
    addDrug("50% GEL");
    temp.db().commit();

    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    form.name->setFocus();
    // Every key release searches: no Enter, no button.
    QTest::keyClick(form.name, Qt::Key_P);
    QCOMPARE(column(form, 1), QStringList({"PANADOL", "PARACETAMOL"}));
    QTest::keyClick(form.name, Qt::Key_Backspace);
    QTest::keyClicks(form.name, typed);
    QCOMPARE(form.name->text(), typed.toUpper());
    QCOMPARE(column(form, 1), listed);
}

void TestDrugListForm::nothingFound() {
    TempDatabase temp;
    addDrug("PANADOL");
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    form.name->setFocus();
    QStringList messages;
    auto record = [&](QWidget* dialog) { messages << dialogMessage(dialog); };
    ModalDriver::expect(record); // "q" finds nothing
    QTest::keyClick(form.name, Qt::Key_Q);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(form.gridWidget()->rowCount(), 0);
    QVERIFY(activate(&form));
    ModalDriver::expect(record);
    pressKey(&form, Qt::Key_F3);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(messages, QStringList({"找不到資料.", "沒有選擇資料."}));
}

void TestDrugListForm::stopUseListsDisjointSets() {
    TempDatabase temp;
    QSet<QString> inUse, stopped;
    for (const char* n : {"A1", "B2", "C3"})
        inUse << QString::number(addDrug(n).oid);
    for (const char* n : {"A0", "D4"})
        stopped << QString::number(addDrug(n, true).oid);
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    QCOMPARE(idSet(form), inUse);
    form.stopUse->click();
    QCOMPARE(column(form, 1), QStringList({"A0", "D4"}));
    QCOMPARE(idSet(form), stopped);
    form.stopUse->click();
    QCOMPARE(column(form, 1), QStringList({"A1", "B2", "C3"}));
}

void TestDrugListForm::stoppedThroughFormStaysUntilNextSearch() {
    TempDatabase temp;
    addDrug("ASPIRIN");
    const auto panadol = addDrug("PANADOL");
    addDrug("ZANTAC");
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    form.name->setFocus(); // F8's release comes back to the search box
    selectDrug(form, panadol);
    ModalDriver::expect([](QWidget* dialog) {
        auto* f = qobject_cast<TDrugForm*>(dialog);
        QVERIFY(f);
        QCOMPARE(f->name->toPlainText(), QStringLiteral("PANADOL"));
        f->stopUse->setChecked(true);
        f->remark->setText(QStringLiteral("停產"));
        f->name->setPlainText(QStringLiteral("panadol extra"));
        f->remark->setFocus();
        pressKey(dialog, Qt::Key_F8);
    });
    pressKey(&form, Qt::Key_F3);
    QVERIFY(ModalDriver::waitDone());
    // In real use the release of F8 arrives at the search box once the form has gone.
    QTest::keyRelease(form.name, Qt::Key_F8);

    const int row = rowOf(form, panadol);
    QCOMPARE(row, 1);
    QCOMPARE(form.gridWidget()->item(row, 1)->text(), QStringLiteral("PANADOL EXTRA"));
    QCOMPARE(form.gridWidget()->item(row, 3)->text(), QStringLiteral("停產"));
    temp.db().rollback(); // the update was committed
    {
        dbCursor<Drug> cursor;
        cursor.at(panadol);
        QVERIFY(cursor->stopUse);
        QCOMPARE(QString::fromUtf8(cursor->name), QStringLiteral("PANADOL EXTRA"));
    }
    form.searchButton->click();
    QCOMPARE(column(form, 1), QStringList({"ASPIRIN", "ZANTAC"}));
}

void TestDrugListForm::insertRetriesAfterBlankName() {
    TempDatabase temp;
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    QString message;
    ModalDriver::expect([](QWidget* dialog) {
        auto* f = qobject_cast<TDrugForm*>(dialog);
        QVERIFY(f);
        f->name->setPlainText(QStringLiteral("   "));
        f->remark->setText(QStringLiteral("kept"));
        pressKey(dialog, Qt::Key_F8);
    });
    ModalDriver::expect([&](QWidget* dialog) { message = dialogMessage(dialog); });
    ModalDriver::expect([](QWidget* dialog) {
        auto* f = qobject_cast<TDrugForm*>(dialog);
        QVERIFY(f);
        QCOMPARE(f->name->toPlainText(), QStringLiteral("   "));
        QCOMPARE(f->remark->text(), QStringLiteral("kept"));
        f->name->setPlainText(QStringLiteral("panadol "));
        pressKey(dialog, Qt::Key_F8);
    });
    pressKey(&form, Qt::Key_F2);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(message, QStringLiteral("名稱錯誤"));

    temp.db().rollback(); // the insert was committed
    dbCursor<Drug> cursor;
    QCOMPARE(cursor.select(), 1);
    QCOMPARE(QString::fromUtf8(cursor->name), QStringLiteral("PANADOL "));
    QCOMPARE(QString::fromUtf8(cursor->remark), QStringLiteral("kept"));
    QCOMPARE(QString::fromUtf8(cursor->unit), QStringLiteral("粒"));
    QCOMPARE(column(form, 1), QStringList({"PANADOL "}));
}

void TestDrugListForm::insertCancelled() {
    TempDatabase temp;
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    ModalDriver::expect([](QWidget* dialog) {
        static_cast<TDrugForm*>(dialog)->name->setPlainText(QStringLiteral("X"));
        pressKey(dialog, Qt::Key_Escape);
    });
    pressKey(&form, Qt::Key_F2);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(drugCount(), 0);
}

void TestDrugListForm::deleteChecksReferences_data() {
    QTest::addColumn<bool>("consultation");
    QTest::addColumn<bool>("resident");
    QTest::addColumn<bool>("illness");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("message");
    QTest::newRow("unused") << false << false << false << true << QString();
    QTest::newRow("answered no") << false << false << false << false << QString();
    QTest::newRow("resident's line")
        << false << true << false << true << "有院友使用這資料, 不能刪除.";
    QTest::newRow("consultation before resident")
        << true << true << false << true << "有診斷使用這資料, 不能刪除.";
    QTest::newRow("illness") << false << false << true << true << "有病患使用這資料, 不能刪除.";
}

void TestDrugListForm::deleteChecksReferences() {
    QFETCH(bool, consultation);
    QFETCH(bool, resident);
    QFETCH(bool, illness);
    QFETCH(bool, answerYes);
    QFETCH(QString, message);
    TempDatabase temp;
    const auto other = addDrug("ASPIRIN");
    const auto drug = addDrug("PANADOL");
    // References to another drug must not count against this one.
    auto lineOf = [](dbReference<Drug> d) {
        DrugTake line;
        line.drug = d;
        return insert(line);
    };
    {
        Patient p;
        p.sid = "1";
        p.takes.append(lineOf(other));
        if (resident)
            p.takes.append(lineOf(drug));
        insert(p);
        Checking c;
        c.drugTakes.append(lineOf(other));
        if (consultation)
            c.drugTakes.append(lineOf(drug));
        insert(c);
        Ill i;
        i.drugs.append(other);
        if (illness)
            i.drugs.append(drug);
        insert(i);
    }
    temp.db().commit();

    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    selectDrug(form, drug);
    QString question, told;
    ModalDriver::expect([&](QWidget* dialog) {
        question = dialogMessage(dialog);
        pressKey(dialog, answerYes ? Qt::Key_F4 : Qt::Key_Escape);
    });
    if (!message.isEmpty())
        ModalDriver::expect([&](QWidget* dialog) { told = dialogMessage(dialog); });
    pressKey(&form, Qt::Key_F4);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(question, QStringLiteral("刪除 'PANADOL' 嗎?"));
    QCOMPARE(told, message);

    temp.db().rollback(); // a removal was committed
    const bool removed = answerYes && message.isEmpty();
    QCOMPARE(drugCount(), removed ? 1 : 2);
    QCOMPARE(rowOf(form, drug) < 0, removed);
    QVERIFY(rowOf(form, other) >= 0);
}

void TestDrugListForm::pickerEnter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("picked");
    QTest::newRow("one hit") << "pan" << true;
    QTest::newRow("two hits") << "pa" << false;
}

void TestDrugListForm::pickerEnter() {
    QFETCH(QString, typed);
    QFETCH(bool, picked);
    TempDatabase temp;
    addDrug("PARACETAMOL");
    const auto panadol = addDrug("PANADOL");
    TDrugListForm form;
    form.setPicker(true);
    bool stayedOpen = false;
    bool insertBlocked = false;
    ModalDriver::expect([&](QWidget* dialog) {
        // Insert does nothing in a picker, also by its key.
        pressKey(dialog, Qt::Key_F2);
        QTest::qWait(30);
        insertBlocked = QApplication::activeModalWidget() == dialog;
        auto* list = static_cast<TDrugListForm*>(dialog);
        list->name->setFocus();
        QTest::keyClicks(list->name, typed);
        QTest::keyClick(list->name, Qt::Key_Return);
        stayedOpen = dialog->isVisible();
        if (stayedOpen)
            pressKey(dialog, Qt::Key_Escape);
    });
    const int result = form.exec();
    QVERIFY(ModalDriver::waitDone());
    QVERIFY(insertBlocked);
    QCOMPARE(stayedOpen, !picked);
    QCOMPARE(result, picked ? int(mrOk) : int(mrCancel));
    if (picked)
        QCOMPARE(form.selectedDrug(), panadol);
}

void TestDrugListForm::columnWidthsWrittenWithoutCommit() {
    TempDatabase temp;
    {
        TDrugListForm form;
        QVERIFY(showAndActivate(&form));
        form.gridWidget()->setColumnWidth(1, 300);
        pressKey(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    }
    {
        // Same connection: the widths are there, for the caller's commit to keep.
        dbCursor<ColWidth> cursor;
        QCOMPARE(cursor.select(dbQuery().equals("type", 1).equals("col", 1)), 1);
        QCOMPARE(int(cursor->width), 300);
        dbCursor<ColWidth> residents;
        QCOMPARE(residents.select(dbQuery().equals("type", 0)), 0);
    }
    temp.db().rollback();
    dbCursor<ColWidth> cursor;
    QCOMPARE(cursor.select(), 0);
}

void TestDrugListForm::helpOpensManual() {
    TempDatabase temp;
    ShellRecorder shell;
    QFile manual(temp.filePath(QStringLiteral("manual.doc")));
    QVERIFY(manual.open(QIODevice::WriteOnly));
    manual.close();
    TDrugListForm form;
    form.setPicker(true); // help stays available to a picker
    QVERIFY(showAndActivate(&form));
    pressKey(&form, Qt::Key_F1);
    QCOMPARE(shell.opened().size(), 1);
    QVERIFY(shell.opened().first().endsWith(QStringLiteral("manual.doc")));
}

// Tab and Shift+Tab take the focus out of the grid (back to the search box, on to the
// buttons) instead of walking its cells, and the selected drug stays selected.
void TestDrugListForm::tabLeavesTheGrid_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Tab") << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Shift+Tab") << Qt::KeyboardModifiers(Qt::ShiftModifier);
}

void TestDrugListForm::tabLeavesTheGrid() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    TempDatabase temp;
    addDrug("ASPIRIN");
    const auto panadol = addDrug("PANADOL");
    addDrug("ZANTAC");
    TDrugListForm form;
    QVERIFY(showAndActivate(&form));
    QTableWidget* grid = form.gridWidget();
    grid->setFocus();
    selectDrug(form, panadol);
    pressKey(&form, Qt::Key_Tab, modifiers);
    QVERIFY(QApplication::focusWidget() != grid);
    QCOMPARE(form.selectedDrug().oid, panadol.oid);
}

DOSARIX_TEST_MAIN(TestDrugListForm)
#include "test_druglistform.moc"
