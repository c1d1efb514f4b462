// The list-window family as a caller and a user meet it: keys, picker mode, the selection
// rule and the remembered column widths, on a small list of its own.
#include "app/lists/listform.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int testType = 5;

// A list window over fixed rows that counts what its handlers were asked to do.
class TTestListForm : public TListForm {
public:
    explicit TTestListForm(QStringList rows, bool commitOnClose = true)
        : TListForm(nullptr, testType, commitOnClose), rows_(std::move(rows)) {
        addToolbarButton(insertAction, "insertButton");
        addToolbarButton(printAction, "printButton", QStringLiteral("列印藥紙"));
        search = new QLineEdit(searchPanel);
        search->setObjectName(QStringLiteral("search"));
        (new QVBoxLayout(searchPanel))->addWidget(search);
        makeSearchEdit(search, true);
        setupGrid({{QStringLiteral("名稱"), 120}, {QStringLiteral("備註"), 60}}, true);
        restoreColumnWidths();
        refreshList();
    }

    void refreshList() override {
        ++refreshes;
        QStringList shown;
        for (const QString& r : rows_)
            if (r.contains(search->text()))
                shown << r;
        if (shown.isEmpty()) {
            clearGrid();
            reportNothingFound();
            return;
        }
        startFill(static_cast<int>(shown.size()));
        for (int i = 0; i < shown.size(); ++i) {
            const QByteArray text = shown[i].toUtf8();
            fillRow(i, 100 + rows_.indexOf(shown[i]), {text.constData(), ""});
        }
        finishFill();
    }

    void insertActionExecute() override { calls << QStringLiteral("insert"); }
    void updateActionExecute() override {
        calls << QStringLiteral("update");
        requireSelection();
    }
    void deleteActionExecute() override { calls << QStringLiteral("delete"); }
    void exportActionExecute() override { calls << QStringLiteral("export"); }
    void importActionExecute() override { calls << QStringLiteral("import"); }
    void printActionExecute() override { calls << QStringLiteral("print"); }
    void helpActionExecute() override { calls << QStringLiteral("help"); }

    QStringList calls;
    int refreshes = 0;
    QLineEdit* search = nullptr;
    using TListForm::actionPanel;

private:
    QStringList rows_;
};

int storedWidths(int type, std::vector<int>* widths = nullptr) {
    dbCursor<ColWidth> cursor;
    const int n = cursor.select(dbQuery().equals("type", type).orderBy("col"));
    if (widths && n)
        do
            widths->push_back(cursor->width);
        while (cursor.next());
    return n;
}

} // namespace

class TestListForm : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        ModalDriver::clear();
        QTest::qWait(5);
    }

    void keysRunTheirActions_data() {
        QTest::addColumn<bool>("picker");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("normal") << false << QStringList{"insert", "update", "delete", "export",
                                                        "import", "print",  "help"};
        QTest::newRow("picker") << true << QStringList{"help"};
    }
    void keysRunTheirActions() {
        QFETCH(bool, picker);
        QFETCH(QStringList, expected);
        TempDatabase db;
        TTestListForm form({QStringLiteral("ONE"), QStringLiteral("TWO")});
        form.actionPanel->setVisible(!picker);
        QVERIFY(showAndActivate(&form));
        for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F11,
                            Qt::Key_F1}) {
            pressKey(&form, key);
            QVERIFY(activate(&form));
        }
        QCOMPARE(form.calls, expected);
        // Toolbar buttons run the same guarded actions.
        form.findChild<QPushButton*>(QStringLiteral("insertButton"))->click();
        QCOMPARE(form.calls.count(QStringLiteral("insert")), picker ? 0 : 2);
        // Esc closes with Cancel in both modes.
        pressKey(&form, Qt::Key_Escape);
        QTRY_VERIFY(!form.isVisible());
        QCOMPARE(form.result(), 2);
    }

    void toolbarShowsCaptionsAndHints() {
        TempDatabase db;
        TTestListForm form({});
        auto* insert = form.findChild<QPushButton*>(QStringLiteral("insertButton"));
        auto* print = form.findChild<QPushButton*>(QStringLiteral("printButton"));
        QCOMPARE(insert->text(), QStringLiteral("加入 F2"));
        QCOMPARE(insert->toolTip(), QStringLiteral("加入資料"));
        QCOMPARE(insert->size(), QSize(90, 39));
        QCOMPARE(print->text(), QStringLiteral("列印藥紙"));
        QCOMPARE(print->toolTip(), QStringLiteral("列印資料"));
        auto* grid = form.gridWidget();
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("ID"));
        QCOMPARE(grid->columnWidth(0), 1);
    }

    void doubleClickPicksInPickerMode_data() {
        QTest::addColumn<bool>("picker");
        QTest::newRow("normal") << false;
        QTest::newRow("picker") << true;
    }
    void doubleClickPicksInPickerMode() {
        QFETCH(bool, picker);
        TempDatabase db;
        TTestListForm form({QStringLiteral("ONE"), QStringLiteral("TWO"), QStringLiteral("SIX")});
        form.actionPanel->setVisible(!picker);
        QVERIFY(showAndActivate(&form));
        QTableWidget* grid = form.gridWidget();
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        if (picker) {
            QTRY_VERIFY(!form.isVisible());
            QCOMPARE(form.result(), 1);
            QCOMPARE(form.selectedRowId(), oid_t(101));
            QVERIFY(form.calls.isEmpty());
        } else {
            QVERIFY(form.isVisible());
            QCOMPARE(form.calls, QStringList{"update"});
        }
    }

    // A search that finds nothing leaves the header only and row actions say so.
    void emptyListHasNoSelection() {
        TempDatabase db;
        TTestListForm form({QStringLiteral("ONE")});
        QVERIFY(showAndActivate(&form));
        QStringList messages;
        ModalDriver::expect([&](QWidget* d) { messages << dialogMessage(d); });
        form.search->setFocus();
        QTest::keyClicks(form.search, "zz");
        QCOMPARE(form.search->text(), QStringLiteral("ZZ"));
        pressKey(&form, Qt::Key_Return);
        QVERIFY(ModalDriver::waitDone());
        QVERIFY(activate(&form));
        QCOMPARE(form.gridWidget()->rowCount(), 0);
        QCOMPARE(form.search->selectedText(), QStringLiteral("ZZ"));
        QCOMPARE(form.topSelectedRow(), -1);
        ModalDriver::expect([&](QWidget* d) { messages << dialogMessage(d); });
        pressKey(&form, Qt::Key_F3);
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(messages, (QStringList{"找不到資料.", "沒有選擇資料."}));
        QVERIFY(form.isVisible()); // Enter searched, it did not close the window
    }

    // Nothing is said while the window is being made, even when the list is empty.
    void creationIsSilent() {
        TempDatabase db;
        bool shown = false;
        ModalDriver::expect([&](QWidget*) { shown = true; });
        TTestListForm form({});
        QTest::qWait(30);
        QVERIFY(!shown);
        QCOMPARE(form.refreshes, 1);
    }

    void columnWidthsAreRemembered_data() {
        QTest::addColumn<bool>("commitOnClose");
        QTest::newRow("commits") << true;
        QTest::newRow("leaves the commit to the caller") << false;
    }
    void columnWidthsAreRemembered() {
        QFETCH(bool, commitOnClose);
        TempDatabase db;
        {
            TTestListForm form({QStringLiteral("ONE")}, commitOnClose);
            std::vector<int> widths;
            QCOMPARE(storedWidths(testType, &widths), 3);
            QCOMPARE(widths, (std::vector<int>{1, 120, 60}));
            QVERIFY(showAndActivate(&form));
            form.gridWidget()->horizontalHeader()->resizeSection(1, 222);
            form.close(); // title bar
            QCOMPARE(form.result(), 2);
        }
        db.db().rollback();
        std::vector<int> widths;
        if (commitOnClose) {
            QCOMPARE(storedWidths(testType, &widths), 3);
            QCOMPARE(widths, (std::vector<int>{1, 222, 60}));
            TTestListForm again({QStringLiteral("ONE")});
            QCOMPARE(again.gridWidget()->columnWidth(1), 222);
        } else {
            // Nothing committed them: the next opening starts afresh.
            QCOMPARE(storedWidths(testType), 0);
        }
    }

    // A remembered column the grid no longer has is left alone.
    void widthBeyondTheGridIsIgnored() {
        TempDatabase db;
        for (int col : {1, 7}) {
            ColWidth w;
            w.type = testType;
            w.col = static_cast<std::int8_t>(col);
            w.width = 77;
            insert(w);
        }
        TTestListForm form({});
        QCOMPARE(form.gridWidget()->columnWidth(1), 77);
        QCOMPARE(form.gridWidget()->columnWidth(0), 1);
        QCOMPARE(storedWidths(testType), 2);
        QCOMPARE(saveColumnWidths(*form.gridWidget(), testType), 1);
    }

    void firstReferenceWins() {
        QStringList asked;
        auto check = [&](const char* name, bool used) {
            return ReferenceCheck{[&asked, name, used] {
                                      asked << QString::fromLatin1(name);
                                      return used;
                                  },
                                  QString::fromLatin1(name)};
        };
        QCOMPARE(firstReferenceMessage({check("a", false), check("b", true), check("c", true)}),
                 QStringLiteral("b"));
        QCOMPARE(asked, (QStringList{"a", "b"}));
        QVERIFY(firstReferenceMessage({check("a", false)}).isEmpty());
    }
};

DOSARIX_TEST_MAIN(TestListForm)
#include "test_listform.moc"
