// The resident form as the resident list opens it: particulars, medication lines written at
// once and undone on cancel, the quick-add box, and the list's insert and update loops.
#include "drugs/drugform.h"
#include "drugs/druglistform.h"
#include "residents/labelsetupform.h"
#include "residents/patientform.h"
#include "residents/patientlistform.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

// Runs act on the next modal dialog that was not already up when it was armed, then closes
// that dialog if act left it open. Each call polls with its own timer, so it also serves a
// dialog opened from inside another dialog's act, and a form shown again after a refusal.
int pendingModals = 0;
void onNextModal(std::function<void(QWidget*)> act) {
    QList<QPointer<QWidget>> up;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            up << w;
    auto* timer = new QTimer(qApp);
    ++pendingModals;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, up, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || up.contains(modal) || !modal->isVisible())
            return;
        if (QApplication::activeWindow() != modal) {
            modal->activateWindow();
            return;
        }
        timer->stop();
        timer->deleteLater();
        --pendingModals;
        QPointer<QWidget> guard(modal);
        act(modal);
        if (guard && guard->isVisible())
            guard->close();
    });
    timer->start(5);
}
bool modalsDone() {
    QElapsedTimer timer;
    timer.start();
    while (pendingModals > 0 && timer.elapsed() < 5000)
        QTest::qWait(5);
    return pendingModals == 0;
}

template <class T> T* child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
}

dbReference<Drug> addDrug(const char* name, const char* day, const char* quantity,
                          bool stopped = false) {
    Drug d;
    d.name = name;
    d.day = day;
    d.quantity = quantity;
    d.unit = "粒";
    d.function = "醫院";
    d.m1 = "8";
    d.stopUse = stopped;
    return insert(d);
}

dbReference<DrugTake> addLine(dbReference<Drug> drug, const char* quantity) {
    DrugTake t;
    t.drug = drug;
    t.quantity = quantity;
    t.transDate = dbDateTime(2020, 1, 2);
    return insert(t);
}

struct Catalogue {
    dbReference<Drug> panadol, paracetamol, aspirin, stopped;
};

// Three drugs in use and a stopped one; resident bed 5 with one line of ASPIRIN.
Catalogue addCatalogue(dbReference<Patient>* resident = nullptr) {
    Catalogue c;
    c.panadol = addDrug("PANADOL", "4", "2");
    c.paracetamol = addDrug("PARACETAMOL", "3", "1");
    c.aspirin = addDrug("ASPIRIN", "1", "1");
    c.stopped = addDrug("PAXIL", "1", "1", true);
    Patient p;
    p.id = 1;
    p.sid = "5";
    p.chiName = "陳大文";
    p.sex = true;
    p.takes.append(addLine(c.aspirin, "1"));
    const auto ref = insert(p);
    if (resident)
        *resident = ref;
    tavroDatabase::current().commit();
    return c;
}

int count(auto table) {
    dbCursor<decltype(table)> cursor;
    return cursor.select();
}

std::vector<oid_t> takesOf(dbReference<Patient> ref) {
    dbCursor<Patient> c;
    c.at(ref);
    std::vector<oid_t> ids;
    for (const auto& t : c->takes.items())
        ids.push_back(t.oid);
    return ids;
}

QStringList gridColumn(QTableWidget* grid, int col) {
    QStringList values;
    for (int r = 0; r < grid->rowCount(); ++r)
        values << grid->item(r, col)->text();
    return values;
}

// Opens the resident list, selects data row `row` and presses `key`; `act` gets the
// resident form.
void openFromList(Qt::Key key, std::function<void(QWidget*)> act, int row = 0) {
    TPatientListForm list(nullptr);
    QVERIFY(showAndActivate(&list));
    if (row >= 0 && child<QTableWidget>(&list, "grid")->rowCount() > row)
        child<QTableWidget>(&list, "grid")->selectRow(row);
    onNextModal(std::move(act));
    pressKey(&list, key);
    QVERIFY(modalsDone());
}

} // namespace

class TestPatientForm : public QObject {
    Q_OBJECT

private slots:
    // Type, Down, Enter, F8, F8: the line is stored where its row is, with the catalogue's
    // dosage and today's date, and the box is ready for the next drug.
    void keyboardOnlyQuickAdd() {
        TempDatabase db;
        dbReference<Patient> resident;
        const Catalogue c = addCatalogue(&resident);
        openFromList(Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            QCOMPARE(QApplication::focusWidget(), form->drug);
            // Every drug is offered at first, stopped ones too.
            QCOMPARE(gridColumn(form->drugs, 1),
                     (QStringList{"ASPIRIN", "PANADOL", "PARACETAMOL", "PAXIL"}));
            QTest::keyClicks(form->drug, "pa");
            QCOMPARE(form->drug->text(), QStringLiteral("PA"));
            QCOMPARE(gridColumn(form->drugs, 1), (QStringList{"PANADOL", "PARACETAMOL", "PAXIL"}));
            pressKey(form, Qt::Key_Down);
            QCOMPARE(form->drug, QApplication::focusWidget());
            onNextModal([&](QWidget* d) {
                auto* drugForm = static_cast<TDrugForm*>(d);
                QVERIFY(drugForm->isMedicationLineMode());
                QVERIFY(!drugForm->name->isEnabled());
                QVERIFY(!drugForm->unit->isEnabled());
                QCOMPARE(drugForm->name->toPlainText(), QStringLiteral("PARACETAMOL"));
                QCOMPARE(drugForm->day->text(), QStringLiteral("3"));
                QCOMPARE(drugForm->prescriptionDate().date(), QDate::currentDate());
                pressKey(drugForm, Qt::Key_F8);
            });
            pressKey(form, Qt::Key_Return);
            QVERIFY(modalsDone());
            QVERIFY(activate(form));
            QVERIFY(form->drug->text().isEmpty());
            QCOMPARE(form->drugs->rowCount(), 4);
            QCOMPARE(gridColumn(form->takes, 1), (QStringList{"ASPIRIN", "PARACETAMOL"}));
            QCOMPARE(form->takes->item(1, 2)->text(), dateText(QDate::currentDate()));
            pressKey(form, Qt::Key_F8);
        });
        db.db().rollback(); // the save was committed
        const std::vector<oid_t> ids = takesOf(resident);
        QCOMPARE(ids.size(), std::size_t(2));
        dbCursor<DrugTake> line;
        line.at(dbReference<DrugTake>(ids[1]));
        QCOMPARE(line->drug, c.paracetamol);
        QCOMPARE(QString::fromUtf8(line->day), QStringLiteral("3"));
        QCOMPARE(QString::fromUtf8(line->quantity), QStringLiteral("1"));
        QCOMPARE(QString::fromUtf8(line->function), QStringLiteral("醫院"));
        QCOMPARE(QString::fromUtf8(line->m1), QStringLiteral("8"));
        QCOMPARE(toTDateTime(line->transDate).date(), QDate::currentDate());
    }

    // Whatever the form did to medication lines is undone when it is not saved.
    void cancelUndoesLineChanges_data() {
        QTest::addColumn<bool>("newResident");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("close");
        QTest::newRow("remove, Esc") << false << "remove"
                                     << "esc";
        QTest::newRow("remove, cancel button") << false << "remove"
                                               << "button";
        QTest::newRow("add, title bar") << false << "add"
                                        << "title";
        QTest::newRow("new resident: add, title bar") << true << "add"
                                                      << "title";
        QTest::newRow("new resident: add, Esc") << true << "add"
                                                << "esc";
    }
    void cancelUndoesLineChanges() {
        QFETCH(bool, newResident);
        QFETCH(QString, change);
        QFETCH(QString, close);
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        openFromList(newResident ? Qt::Key_F2 : Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            if (change == QLatin1String("remove")) {
                form->takes->selectRow(0);
                onNextModal([](QWidget* d) {
                    QCOMPARE(dialogMessage(d), QStringLiteral("刪除藥物 'ASPIRIN' 嗎?"));
                    pressKey(d, Qt::Key_Y);
                });
                pressKey(form, Qt::Key_F5);
                QVERIFY(modalsDone());
                QCOMPARE(form->takes->rowCount(), 0);
                QCOMPARE(count(DrugTake{}), 0);
            } else {
                form->drug->setFocus();
                QTest::keyClicks(form->drug, "PAN");
                onNextModal([](QWidget* d) { pressKey(d, Qt::Key_F8); });
                pressKey(form, Qt::Key_Return);
                QVERIFY(modalsDone());
                QCOMPARE(count(DrugTake{}), 2);
            }
            QVERIFY(activate(form));
            if (close == QLatin1String("esc"))
                pressKey(form, Qt::Key_Escape);
            else if (close == QLatin1String("button"))
                form->cancelButton->click();
            else
                form->close();
        });
        QCOMPARE(count(DrugTake{}), 1);
        QCOMPARE(count(Patient{}), 1);
        QCOMPARE(takesOf(resident).size(), std::size_t(1));
        // Reopening shows the line as it was.
        TPatientForm again(nullptr);
        dbCursor<Patient> c;
        c.at(resident);
        again.loadResident(*c);
        QCOMPARE(gridColumn(again.takes, 1), QStringList{"ASPIRIN"});
    }

    // The form's own cancel undoes its lines, whoever opened it.
    void formCancelRollsBack() {
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        TPatientForm form(nullptr);
        {
            dbCursor<Patient> c;
            c.at(resident);
            form.loadResident(*c);
        }
        QVERIFY(showAndActivate(&form));
        QCOMPARE(QApplication::focusWidget(), form.drug);
        QTest::keyClicks(form.drug, "ASP");
        onNextModal([](QWidget* d) { pressKey(d, Qt::Key_F8); });
        pressKey(&form, Qt::Key_Return);
        QVERIFY(modalsDone());
        QCOMPARE(count(DrugTake{}), 2);
        QVERIFY(activate(&form));
        pressKey(&form, Qt::Key_Escape);
        QCOMPARE(form.result(), 2);
        QCOMPARE(count(DrugTake{}), 1);
    }

    // A label sheet confirmed with 列印 (kept until the next commit) survives a resident form
    // closed without saving, from insert as from update.
    void cancelKeepsConfirmedLabelSheet_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("insert") << int(Qt::Key_F2);
        QTest::newRow("update") << int(Qt::Key_F3);
    }
    void cancelKeepsConfirmedLabelSheet() {
        QFETCH(int, key);
        TempDatabase db;
        addCatalogue(nullptr);
        db.db().commit();
        {
            TLabelSetupForm labels(nullptr);
            labels.top->setText(QStringLiteral("25"));
            labels.LMDShapeButton1Click();
        }
        openFromList(static_cast<Qt::Key>(key),
                     [](QWidget* w) { pressKey(static_cast<TPatientForm*>(w), Qt::Key_Escape); });
        dbCursor<LabelSetup> setup;
        QCOMPARE(setup.select(), 1);
        QCOMPARE(labelGeometry(*setup).top, 25.0);
    }

    void addThenRemoveLeavesNothing() {
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        openFromList(Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            QTest::keyClicks(form->drug, "PAN");
            onNextModal([](QWidget* d) { pressKey(d, Qt::Key_F8); });
            pressKey(form, Qt::Key_Return);
            QVERIFY(modalsDone());
            QVERIFY(activate(form));
            form->takes->selectRow(1);
            onNextModal([](QWidget* d) { pressKey(d, Qt::Key_F4); });
            pressKey(form, Qt::Key_F5);
            QVERIFY(modalsDone());
            QVERIFY(activate(form));
            pressKey(form, Qt::Key_F8);
        });
        db.db().rollback();
        QCOMPARE(count(DrugTake{}), 1);
        QCOMPARE(takesOf(resident).size(), std::size_t(1));
    }

    void changeLine_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("更改 button") << false;
        QTest::newRow("double-click on the line") << true;
    }
    void changeLine() {
        QFETCH(bool, doubleClick);
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        openFromList(Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            form->takes->selectRow(0);
            onNextModal([](QWidget* d) {
                auto* drugForm = static_cast<TDrugForm*>(d);
                QCOMPARE(drugForm->name->toPlainText(), QStringLiteral("ASPIRIN"));
                QVERIFY(!drugForm->name->isEnabled());
                QCOMPARE(drugForm->quantity->text(), QStringLiteral("1"));
                drugForm->quantity->setText(QStringLiteral("5"));
                drugForm->remark->setText(QStringLiteral("飯後"));
                pressKey(drugForm, Qt::Key_F8);
            });
            if (doubleClick) {
                QWidget* cells = form->takes->viewport();
                const QPoint at =
                    form->takes->visualRect(form->takes->model()->index(0, 1)).center();
                QTest::mouseClick(cells, Qt::LeftButton, {}, at);
                QTest::mouseDClick(cells, Qt::LeftButton, {}, at);
            } else {
                form->updateButton->click();
            }
            QVERIFY(modalsDone());
            QCOMPARE(form->takes->item(0, 5)->text(), QStringLiteral("5"));
            QCOMPARE(form->takes->item(0, 4)->text(), QStringLiteral("飯後"));
            QVERIFY(activate(form));
            pressKey(form, Qt::Key_F8);
        });
        db.db().rollback();
        dbCursor<DrugTake> line;
        line.at(dbReference<DrugTake>(takesOf(resident)[0]));
        QCOMPARE(QString::fromUtf8(line->quantity), QStringLiteral("5"));
        QCOMPARE(QString::fromUtf8(line->remark), QStringLiteral("飯後"));
    }

    // F4 picks the drug from the drug list in picker mode.
    void addLineFromPicker() {
        TempDatabase db;
        dbReference<Patient> resident;
        const Catalogue c = addCatalogue(&resident);
        openFromList(Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            onNextModal([&](QWidget* p) {
                auto* picker = qobject_cast<TDrugListForm*>(p);
                QVERIFY(picker);
                QVERIFY(picker->isPicker());
                QTableWidget* grid = picker->gridWidget();
                int row = 0;
                while (row < grid->rowCount() && grid->item(row, 1)->text() != "PANADOL")
                    ++row;
                QVERIFY(row < grid->rowCount());
                grid->selectRow(row);
                onNextModal([](QWidget* d) {
                    auto* drugForm = qobject_cast<TDrugForm*>(d);
                    QVERIFY2(drugForm, qPrintable(d->metaObject()->className() +
                                                  QStringLiteral(" ") + dialogMessage(d)));
                    QCOMPARE(drugForm->name->toPlainText(), QStringLiteral("PANADOL"));
                    pressKey(d, Qt::Key_F8);
                });
                const QRect cell = grid->visualRect(grid->model()->index(row, 1));
                // A double-click is a press, a release and the second press.
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            });
            pressKey(form, Qt::Key_F4);
            QVERIFY(modalsDone());
            QCOMPARE(gridColumn(form->takes, 1), (QStringList{"ASPIRIN", "PANADOL"}));
            QVERIFY(activate(form));
            pressKey(form, Qt::Key_F8);
        });
        db.db().rollback();
        const std::vector<oid_t> ids = takesOf(resident);
        QCOMPARE(ids.size(), std::size_t(2));
        dbCursor<DrugTake> line;
        line.at(dbReference<DrugTake>(ids[1]));
        QCOMPARE(line->drug, c.panadol);
        QCOMPARE(QString::fromUtf8(line->day), QStringLiteral("4"));
    }

    // Without lines, F5 and "更改" ask nothing and change nothing.
    void noLineNoAction() {
        TempDatabase db;
        Patient p;
        p.sid = "1";
        p.chiName = "李";
        insert(p);
        db.db().commit();
        openFromList(Qt::Key_F3, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            QCOMPARE(form->takes->rowCount(), 0);
            pressKey(form, Qt::Key_F5);
            form->updateButton->click();
            QTest::qWait(30);
            QCOMPARE(QApplication::activeModalWidget(), w);
            pressKey(form, Qt::Key_Escape);
        });
    }

    // A bed number of blanks is refused; the form comes back with everything typed.
    void blankBedIsRefused() {
        TempDatabase db;
        openFromList(Qt::Key_F2, [&](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            QCOMPARE(form->id->text(), QStringLiteral("1"));
            QCOMPARE(QApplication::focusWidget(), form->engName);
            form->id->setText(QStringLiteral("   "));
            form->chiName->setText(QStringLiteral("何美"));
            form->sex->setCurrentIndex(1);
            onNextModal([](QWidget* m) {
                QCOMPARE(dialogMessage(m), QStringLiteral("編號錯誤"));
                onNextModal([](QWidget* again) {
                    auto* form = static_cast<TPatientForm*>(again);
                    QCOMPARE(form->chiName->text(), QStringLiteral("何美"));
                    QCOMPARE(form->id->text(), QStringLiteral("   "));
                    form->id->setText(QStringLiteral("7 "));
                    pressKey(form, Qt::Key_F8);
                });
            });
            pressKey(form, Qt::Key_F8);
        });
        QVERIFY(modalsDone());
        db.db().rollback();
        dbCursor<Patient> c;
        QCOMPARE(c.select(), 1);
        QCOMPARE(QString::fromUtf8(c->sid), QStringLiteral("7 ")); // stored as typed
        QCOMPARE(c->id, 1);
        QVERIFY(!c->sex);
        QCOMPARE(fromCalendarReal(c->birthDate.stamp).date(), QDate(2003, 3, 4));
        QCOMPARE(toTDateTime(c->regDate).date(), QDate::currentDate());
        // Reloading shows "女".
        TPatientForm again(nullptr);
        again.loadResident(*c);
        QCOMPARE(again.sex->currentText(), QStringLiteral("女"));
    }

    void proposedBed_data() {
        QTest::addColumn<QStringList>("beds");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("empty table") << QStringList{} << "1";
        QTest::newRow("last added plus one") << QStringList{"30", "9"} << "10";
        QTest::newRow("last added is not a number") << QStringList{"9", "A1"} << "";
    }
    void proposedBed() {
        QFETCH(QStringList, beds);
        QFETCH(QString, proposed);
        TempDatabase db;
        int id = 0;
        for (const QString& bed : beds) {
            const QByteArray text = bed.toUtf8();
            Patient p;
            p.id = ++id;
            p.sid = text.constData();
            insert(p);
        }
        QCOMPARE(proposedBedNumber(), proposed);
        QCOMPARE(nextResidentId(), id + 1);
    }

    // Update writes the record, rewrites its row and keeps the grid where it was.
    void updateRewritesRow() {
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        TPatientListForm list(nullptr);
        QVERIFY(showAndActivate(&list));
        onNextModal([](QWidget* w) {
            auto* form = static_cast<TPatientForm*>(w);
            QCOMPARE(form->chiName->text(), QStringLiteral("陳大文"));
            QCOMPARE(form->sex->currentText(), QStringLiteral("男"));
            form->tel->setText(QStringLiteral("21234567"));
            form->address->setPlainText(QStringLiteral("九龍\n彌敦道"));
            pressKey(form, Qt::Key_F8);
        });
        pressKey(&list, Qt::Key_F3);
        QVERIFY(modalsDone());
        auto* grid = child<QTableWidget>(&list, "grid");
        QCOMPARE(grid->item(0, 4)->text(), QStringLiteral("21234567"));
        db.db().rollback();
        dbCursor<Patient> c;
        c.at(resident);
        QCOMPARE(QString::fromUtf8(c->tel), QStringLiteral("21234567"));
        QCOMPARE(QString::fromUtf8(c->address), QStringLiteral("九龍\r\n彌敦道"));
        QCOMPARE(c->takes.length(), std::size_t(1));
    }

    // The sheet is built from what the form shows, lines in grid order.
    void medicationSheetFromTheForm() {
        TempDatabase db;
        dbReference<Patient> resident;
        const Catalogue c = addCatalogue(&resident);
        TPatientForm form(nullptr);
        {
            dbCursor<Patient> p(dbCursorForUpdate);
            p.at(resident);
            p->engName = "PENICILLIN";
            p->takes.append(addLine(c.panadol, "3"));
            p.update();
            form.loadResident(*p);
        }
        form.sheetYear = QStringLiteral("2025");
        form.sheetMonth = QStringLiteral("7");
        const MedicationSheet sheet = form.medicationSheet();
        QCOMPARE(sheet.allergies, QStringLiteral("PENICILLIN"));
        QCOMPARE(sheet.name, QStringLiteral("陳大文"));
        QCOMPARE(sheet.bed, QStringLiteral("5"));
        QCOMPARE(sheet.year + "/" + sheet.month, QStringLiteral("2025/7"));
        QCOMPARE(sheet.lines.size(), std::size_t(2));
        QCOMPARE(sheet.lines[0].drugName, QStringLiteral("ASPIRIN"));
        QCOMPARE(sheet.lines[1].drugName, QStringLiteral("PANADOL"));
        QCOMPARE(sheet.lines[1].prescribed, dateText(dbDateTime(2020, 1, 2)));
        QCOMPARE(sheet.lines[1].quantity, QStringLiteral("2")); // the catalogue's, not "3"
    }

    // "列印藥紙": without the template the user is told which file is missing; with it, the
    // month is asked first and a cancelled question prints nothing.
    void printButtonAsksOrExplains() {
        TempDatabase db;
        TPatientForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        onNextModal([&](QWidget* d) {
            QCOMPARE(dialogMessage(d),
                     QStringLiteral("找不到檔案") + db.filePath(QStringLiteral("print.xls")));
        });
        form.printButton->click();
        QVERIFY(modalsDone());
        QFile sheet(db.filePath(QStringLiteral("print.xls")));
        QVERIFY(sheet.open(QIODevice::WriteOnly));
        sheet.close();
        QStringList asked;
        onNextModal([&](QWidget* d) {
            asked << dialogMessage(d);
            pressKey(d, Qt::Key_Escape);
        });
        form.printButton->click();
        QVERIFY(modalsDone());
        QCOMPARE(asked.size(), 1);
        QVERIFY(form.sheetYear.isEmpty());
        QVERIFY(form.isVisible());
    }

    void helpOpensTheManualWhenPresent() {
        TempDatabase db;
        ShellRecorder shell;
        TPatientForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        pressKey(&form, Qt::Key_F1);
        QVERIFY(shell.opened().isEmpty());
        QFile manual(db.filePath(QStringLiteral("manual.doc")));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        pressKey(&form, Qt::Key_F1);
        QCOMPARE(shell.opened().size(), 1);
        QVERIFY(shell.opened().first().endsWith(QStringLiteral("manual.doc")));
        QVERIFY(form.isVisible());
    }

    void enterMovesOn() {
        TempDatabase db;
        TPatientForm form(nullptr);
        QVERIFY(showAndActivate(&form));
        QCOMPARE(QApplication::focusWidget(), form.engName);
        pressKey(&form, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), form.chiName); // the bed number is skipped
        QTest::keyClicks(form.engName, "x");
        form.hkid->setFocus();
        QTest::keyClicks(form.hkid, "a1");
        QCOMPARE(form.hkid->text(), QStringLiteral("A1"));
        pressKey(&form, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), form.birthDate);
    }

    // Tab walks the particulars, the memos and the medication grid without getting stuck:
    // a memo does not take the Tab as text, a grid with lines hands the focus on.
    void tabWalksTheForm() {
        TempDatabase db;
        dbReference<Patient> resident;
        addCatalogue(&resident);
        dbCursor<Patient> cursor;
        cursor.at(resident);
        TPatientForm form(nullptr);
        form.loadResident(*cursor);
        form.chiName->clear(); // start in the first box, as for a new resident
        QVERIFY(showAndActivate(&form));
        QCOMPARE(QApplication::focusWidget(), form.engName);
        // The birth date picker is one stop, not one per day, month and year.
        QWidget* const order[] = {
            form.chiName, form.hkid,          form.birthDate,    form.sex,          form.tel,
            form.mobile,  form.contactPerson, form.contactTel,   form.address,      form.remark,
            form.takes,   form.insertButton,  form.updateButton, form.deleteButton, form.isLeave};
        for (QWidget* next : order) {
            pressKey(&form, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        form.birthDate->setFocus();
        pressKey(&form, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), form.hkid);
        QCOMPARE(form.birthDate->dateTime(), cursor->birthDate.isValid()
                                                 ? fromCalendarReal(cursor->birthDate.stamp)
                                                 : defaultBirthDate());
        QCOMPARE(form.address->toPlainText(), QString());
        QCOMPARE(form.remark->toPlainText(), QString());
        QCOMPARE(form.takes->rowCount(), 1);
    }
};

DOSARIX_TEST_MAIN(TestPatientForm)
#include "test_patientform.moc"
