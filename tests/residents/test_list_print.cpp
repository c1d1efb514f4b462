// The resident list's F11: one medication sheet per listed resident, in list order, with the
// year and month asked once, printed by the real LibreOffice into PDF files.

#include "output/tavroexcel.h"
#include "residents/patientlistform.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

namespace {

void answer(QWidget* dialog, const QString& prompt, const QString& text) {
    QCOMPARE(dialogMessage(dialog), prompt);
    dialog->findChild<QLineEdit*>(QStringLiteral("inputText"))->setText(text);
    dialog->findChild<QPushButton*>(QStringLiteral("YesButton"))->click();
}

void addResident(tavroBuffer& arena, const QString& bed, const QString& name,
                 const QString& drugName) {
    Drug drug;
    drug.name = arena.store(drugName.toUtf8().constData());
    drug.quantity = "2";
    drug.unit = "粒";
    DrugTake take;
    take.drug = insert(drug);
    take.day = "3";
    take.transDate = todayStamp();
    Patient p;
    p.sid = arena.store(bed.toUtf8().constData());
    p.chiName = arena.store(name.toUtf8().constData());
    p.takes.append(insert(take));
    insert(p);
}

} // namespace

class TestListPrint : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        setPrintDestinationChooser({});
        ModalDriver::clear();
    }

    void printsEveryListedResidentInOrder() {
        TempDatabase db;
        QVERIFY(QFile::copy(QStringLiteral(DOSARIX_TEMPLATE), db.filePath("print.xls")));
        tavroBuffer arena;
        // Stored out of order: the list shows them by bed number.
        addResident(arena, "3", QStringLiteral("黃美玲"), "CCCDRUG");
        addResident(arena, "1", QStringLiteral("陳大文"), "AAADRUG");
        addResident(arena, "2", QStringLiteral("李小明"), "BBBDRUG");
        db.db().commit();
        QStringList files;
        setPrintDestinationChooser([&] {
            files << db.filePath(QStringLiteral("sheet%1.pdf").arg(files.size() + 1));
            return PrintDestination{QString(), files.back()};
        });

        TPatientListForm list(nullptr);
        QVERIFY(showAndActivate(&list));
        ModalDriver::expect([](QWidget* d) { answer(d, QStringLiteral("年份:"), "2031"); });
        ModalDriver::expect([](QWidget* d) { answer(d, QStringLiteral("月份:"), "7"); });
        pressKey(&list, Qt::Key_F11);
        QVERIFY(ModalDriver::waitDone(60000));

        QCOMPARE(files.size(), 3);
        const QStringList names = {QStringLiteral("陳大文"), QStringLiteral("李小明"),
                                   QStringLiteral("黃美玲")};
        const QStringList drugs = {"AAADRUG", "BBBDRUG", "CCCDRUG"};
        for (int i = 0; i < 3; ++i) {
            const QString text = pdfText(files[i]);
            QVERIFY2(text.contains(names[i]), qPrintable(text));
            QVERIFY(text.contains(drugs[i]));
            QVERIFY(!text.contains(drugs[(i + 1) % 3]));
            QVERIFY(text.contains(QStringLiteral("2031")));
        }
    }

    void cancelledOrEmptyPrintsNothing_data() {
        QTest::addColumn<bool>("withResident");
        QTest::addColumn<bool>("cancelMonth");
        QTest::newRow("month cancelled") << true << true;
        QTest::newRow("empty list still asks") << false << false;
    }

    void cancelledOrEmptyPrintsNothing() {
        QFETCH(bool, withResident);
        QFETCH(bool, cancelMonth);
        TempDatabase db;
        QVERIFY(QFile::copy(QStringLiteral(DOSARIX_TEMPLATE), db.filePath("print.xls")));
        tavroBuffer arena;
        if (withResident)
            addResident(arena, "1", QStringLiteral("陳大文"), "AAADRUG");
        db.db().commit();
        int printed = 0;
        setPrintDestinationChooser([&] {
            ++printed;
            return PrintDestination{QString(), db.filePath("x.pdf")};
        });
        TPatientListForm list(nullptr);
        QVERIFY(showAndActivate(&list));
        int asked = 0;
        ModalDriver::expect([&](QWidget* d) {
            ++asked;
            answer(d, QStringLiteral("年份:"), "2031");
        });
        ModalDriver::expect([&](QWidget* d) {
            ++asked;
            if (cancelMonth)
                pressKey(d, Qt::Key_Escape);
            else
                answer(d, QStringLiteral("月份:"), "7");
        });
        pressKey(&list, Qt::Key_F11);
        QVERIFY(ModalDriver::waitDone(20000));
        QCOMPARE(asked, 2);
        QCOMPARE(printed, 0);
    }
};

DOSARIX_TEST_MAIN(TestListPrint)
#include "test_list_print.moc"
