#include "app/mainform.h"
#include "app/program.h"
#include "app/upgrade.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QToolButton>
#include <sqlite3.h>

#include <cstdio>

namespace {

// Reads the data file through a connection of its own: it sees committed data only.
QString committed(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

bool runSql(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.toUtf8().constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QString dataFile(const TempDatabase& temp) {
    return temp.filePath(QStringLiteral("Dosarix.tvr"));
}

// The text of a message box of ours or of the toolkit's error box.
QString boxText(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        return box->text();
    return dialogMessage(dialog);
}

// Shows the main window and waits until its start-up has finished.
bool start(TMainForm& form) {
    QSignalSpy finished(&form, &TMainForm::startupFinished);
    form.show();
    if (!finished.wait(10000) && finished.isEmpty())
        return false;
    return form.isVisible() ? activate(&form) : true;
}

// A data file that already has the home's name, so start-up asks nothing.
void prepareNamedFile(TempDatabase& temp) {
    temp.db().open();
    AboutConfig config;
    config.regName = "測試護老院";
    config.version = currentSchemaVersion;
    insert(config);
    temp.db().close();
}

struct Recorder {
    QStringList calls;
    MainWindowHooks hooks() {
        MainWindowHooks h;
        h.openPatientList = [this](QWidget*) { calls << QStringLiteral("patients"); };
        h.openDrugList = [this](QWidget*) { calls << QStringLiteral("drugs"); };
        h.openBackupWindow = [this](QWidget*) { calls << QStringLiteral("backup"); };
        h.startOfDayBackup = [this](QWidget*) { calls << QStringLiteral("start backup"); };
        h.exitBackup = [this](QWidget*) { calls << QStringLiteral("exit backup"); };
        return h;
    }
};

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init() { ModalDriver::clear(); }
    void cleanup() {
        ModalDriver::clear();
        tavroDatabase::setFileSystemProbe({});
        QTest::qWait(10);
    }

    void maximisedOnlyOn800x600_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("800x600") << QSize(800, 600) << true;
        QTest::newRow("1024x768") << QSize(1024, 768) << false;
        QTest::newRow("800x768") << QSize(800, 768) << false;
        QTest::newRow("640x480") << QSize(640, 480) << false;
    }
    void maximisedOnlyOn800x600() {
        QFETCH(QSize, screen);
        QFETCH(bool, maximised);
        QCOMPARE(opensMaximised(screen), maximised);
    }

    void designedWindow() {
        TempDatabase temp(false);
        TMainForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("護老院派藥管理系統"));
        QCOMPARE(form.companyName->font().pixelSize(), 48);
        QVERIFY(form.companyName->font().bold());
        QCOMPARE(form.companyName->text(), QStringLiteral("didev"));
        // The offscreen screen is 800 x 600.
        QCOMPARE(opensMaximised(form.screen()->size()),
                 bool(form.windowState() & Qt::WindowMaximized));
        struct Launch {
            QToolButton* button;
            QRect geometry;
            QAction* action;
            const char* caption;
            Qt::Key key;
        };
        const Launch launches[] = {
            {form.accCatButton, {84, 136, 200, 80}, form.patientAction, "院友管理 F2", Qt::Key_F2},
            {form.insertCustomer, {294, 136, 200, 80}, form.drugAction, "藥物管理 F3", Qt::Key_F3},
            {form.backupButton,
             {507, 136, 200, 80},
             form.backupAction,
             "資料庫備份 F10",
             Qt::Key_F10},
            {form.helpButton, {85, 239, 200, 80}, form.helpAction, "說明 F1", Qt::Key_F1},
            {form.exitButton, {296, 236, 409, 80}, form.exitAction, "離開 F12", Qt::Key_F12},
        };
        for (const Launch& l : launches) {
            QCOMPARE(l.button->geometry(), l.geometry);
            QCOMPARE(l.button->defaultAction(), l.action);
            QCOMPARE(l.action->text(), QString::fromUtf8(l.caption));
            QCOMPARE(l.action->shortcut(), QKeySequence(l.key));
            QVERIFY(form.ActionList1.contains(l.action));
        }
        QVERIFY(!(form.backupButton->focusPolicy() & Qt::TabFocus));
    }

    // A new folder: the file is created at version 4 and the home's name asked once.
    void firstStartAsksNameOnce() {
        TempDatabase temp(false);
        Recorder recorder;
        QString versionAtBackup;
        MainWindowHooks hooks = recorder.hooks();
        hooks.startOfDayBackup = [&](QWidget*) {
            versionAtBackup = committed(dataFile(temp), "SELECT version FROM AboutConfig");
        };
        QString prompt;
        ModalDriver::expect([&](QWidget* dialog) {
            prompt = dialogMessage(dialog);
            // The upgrade is already committed when the question comes.
            QCOMPARE(committed(dataFile(temp), "SELECT version FROM AboutConfig"),
                     QStringLiteral("4"));
            dialog->findChild<QLineEdit*>(QStringLiteral("inputText"))
                ->setText(QStringLiteral("  仁愛護老院 "));
            pressKey(dialog, Qt::Key_F4);
        });
        {
            TMainForm form(hooks);
            QVERIFY(start(form));
            QCOMPARE(form.stage(), TMainForm::Stage::Running);
            QCOMPARE(prompt, QStringLiteral("請輸入院舍名稱:"));
            QCOMPARE(form.companyName->text(), QStringLiteral("仁愛護老院"));
        }
        QCOMPARE(versionAtBackup, QStringLiteral("4"));
        QCOMPARE(committed(dataFile(temp), "SELECT count(*) FROM AboutConfig"),
                 QStringLiteral("1"));
        QCOMPARE(committed(dataFile(temp), "SELECT regName FROM AboutConfig"),
                 QStringLiteral("仁愛護老院"));

        temp.db().close();
        bool asked = false;
        ModalDriver::expect([&](QWidget*) { asked = true; });
        TMainForm again(recorder.hooks());
        QVERIFY(start(again));
        QVERIFY(!asked);
        QCOMPARE(again.companyName->text(), QStringLiteral("仁愛護老院"));
        QCOMPARE(committed(dataFile(temp), "SELECT count(*) FROM AboutConfig"),
                 QStringLiteral("1"));
        QCOMPARE(recorder.calls, QStringList{QStringLiteral("start backup")});
    }

    void cancelledNameAskedAgain() {
        TempDatabase temp(false);
        ModalDriver::expect([](QWidget* dialog) { pressKey(dialog, Qt::Key_Escape); });
        {
            TMainForm form;
            QVERIFY(start(form));
            QCOMPARE(form.companyName->text(), QString());
        }
        QCOMPARE(committed(dataFile(temp), "SELECT version FROM AboutConfig"), QStringLiteral("4"));
        QCOMPARE(committed(dataFile(temp), "SELECT regName FROM AboutConfig"), QString());
        temp.db().close();
        bool asked = false;
        ModalDriver::expect([&](QWidget* dialog) {
            asked = dialogMessage(dialog) == QStringLiteral("請輸入院舍名稱:");
        });
        TMainForm again;
        QVERIFY(start(again));
        QVERIFY(asked);
    }

    // A version-1 file with a drug deleted while an illness and a consultation still list it.
    void upgradesVersion1File() {
        TempDatabase temp(false);
        QVERIFY(runSql(dataFile(temp), R"SQL(
            CREATE TABLE "Drug" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "name" TEXT NOT NULL DEFAULT '', "stopUse" INTEGER NOT NULL DEFAULT 0,
                "oldCode" TEXT NOT NULL DEFAULT '');
            INSERT INTO "Drug" (_id, name, stopUse, oldCode) VALUES
                (1, 'PANADOL', 1, 'a'), (2, 'GONE', 0, 'b'), (3, 'ASPIRIN', 1, 'c');
            DELETE FROM "Drug" WHERE _id = 2;
            CREATE TABLE "Ill" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "id" INTEGER NOT NULL DEFAULT 0, "name" TEXT NOT NULL DEFAULT '',
                "drugs" TEXT NOT NULL DEFAULT '[]');
            INSERT INTO "Ill" VALUES (1, 1, '感冒', '[2,1,2,2,3,2]'), (2, 2, '咳', '[2]'),
                (3, 3, '已刪', '[]');
            DELETE FROM "Ill" WHERE _id = 3;
            CREATE TABLE "DrugTake" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "drug" INTEGER NOT NULL DEFAULT 0, "quantity" TEXT NOT NULL DEFAULT '');
            INSERT INTO "DrugTake" VALUES (1, 1, '1'), (2, 2, '1'), (3, 3, '2');
            CREATE TABLE "Checking" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "patient" INTEGER NOT NULL DEFAULT 0, "ills" TEXT NOT NULL DEFAULT '[]',
                "drugTakes" TEXT NOT NULL DEFAULT '[]', "remark" TEXT NOT NULL DEFAULT '');
            INSERT INTO "Checking" VALUES (1, 1, '[3,1,3,2]', '[2,1,77,3,2]', '覆診');
            CREATE TABLE "Patient" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "id" INTEGER NOT NULL DEFAULT 0, "chiName" TEXT NOT NULL DEFAULT '',
                "sid" TEXT NOT NULL DEFAULT '');
            INSERT INTO "Patient" VALUES (1, 12, '陳大文', 'x'), (2, -5, '李小明', '');
            CREATE TABLE "AboutConfig" (_id INTEGER PRIMARY KEY AUTOINCREMENT,
                "regName" TEXT NOT NULL DEFAULT '', "version" INTEGER NOT NULL DEFAULT 0);
            INSERT INTO "AboutConfig" VALUES (1, '仁愛護老院', 1);
        )SQL"));

        Recorder recorder;
        TMainForm form(recorder.hooks());
        QVERIFY(start(form));
        QCOMPARE(form.stage(), TMainForm::Stage::Running);
        QCOMPARE(form.companyName->text(), QStringLiteral("仁愛護老院"));
        const QString file = dataFile(temp);
        const auto value = [&](const char* sql) { return committed(file, sql); };
        QCOMPARE(value("SELECT version FROM AboutConfig"), QStringLiteral("4"));
        QCOMPARE(value("SELECT group_concat(drugs, ';') FROM (SELECT drugs FROM Ill ORDER BY _id)"),
                 QStringLiteral("[1,3];[]"));
        QCOMPARE(value("SELECT count(*) FROM Ill WHERE oid <> _id"), QStringLiteral("0"));
        QCOMPARE(value("SELECT count(*) FROM Drug WHERE oid <> _id"), QStringLiteral("0"));
        QCOMPARE(value("SELECT ills FROM Checking"), QStringLiteral("[1,2]"));
        QCOMPARE(value("SELECT drugTakes FROM Checking"), QStringLiteral("[1,3]"));
        QCOMPARE(value("SELECT remark FROM Checking"), QStringLiteral("覆診"));
        QCOMPARE(value("SELECT count(*) FROM DrugTake"), QStringLiteral("3"));
        QCOMPARE(value("SELECT count(*) FROM Drug WHERE stopUse <> 0"), QStringLiteral("0"));
        QCOMPARE(value("SELECT group_concat(sid, ';') FROM (SELECT sid FROM Patient ORDER BY _id)"),
                 QStringLiteral("12;-5"));
        // The column the program no longer declares is gone.
        QCOMPARE(value("SELECT count(*) FROM pragma_table_info('Drug') WHERE name = 'oldCode'"),
                 QStringLiteral("0"));
        QCOMPARE(recorder.calls, QStringList{QStringLiteral("start backup")});
    }

    // Each step runs only below its version: a version-3 file gets bed numbers only.
    void upgradeRunsOnlyMissingSteps() {
        TempDatabase temp;
        Drug drug;
        drug.name = "PANADOL";
        drug.stopUse = true;
        insert(drug);
        Patient patient;
        patient.id = 7;
        patient.sid = "B12";
        insert(patient);
        AboutConfig config;
        config.version = 3;
        insert(config);

        dbCursor<AboutConfig> about(dbCursorForUpdate);
        selectAboutConfig(about);
        QCOMPARE(about.getNumberOfRecords(), 1);
        upgradeSchema(about);
        QCOMPARE(int(about->version), 4);

        dbCursor<Drug> drugs;
        QCOMPARE(drugs.select(), 1);
        QVERIFY(drugs->stopUse);
        QCOMPARE(drugs->oid, 0);
        dbCursor<Patient> patients;
        QCOMPARE(patients.select(), 1);
        QCOMPARE(QString::fromUtf8(patients->sid), QStringLiteral("7"));
        dbCursor<AboutConfig> check;
        QCOMPARE(check.select(), 1);
        QCOMPARE(int(check->version), 4);
    }

    void openRefusedOnNetworkShare() {
        TempDatabase temp(false);
        tavroDatabase::setFileSystemProbe(
            [](const std::string&) { return FileSystemKind::Network; });
        Recorder recorder;
        QStringList messages;
        // A second dialog (the closing question) would be recorded too.
        ModalDriver::expect([&](QWidget* dialog) { messages << boxText(dialog); });
        ModalDriver::expect([&](QWidget* dialog) { messages << boxText(dialog); });
        TMainForm form(recorder.hooks());
        QVERIFY(start(form));
        QTest::qWait(100);
        QCOMPARE(messages, QStringList{QStringLiteral("資料庫開啟錯誤.")});
        QVERIFY(form.refused());
        QVERIFY(!form.isVisible());
        QVERIFY(!temp.db().isOpen());
        QVERIFY(recorder.calls.isEmpty());
        QVERIFY(!QFile::exists(dataFile(temp)));
    }

    // The whole program on a network share: the message, then the end, without the closing
    // question or any backup.
    void openRefusedEndsProgram() {
        QTemporaryDir folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--program"), QStringLiteral("network")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).trimmed(),
                 QStringLiteral("box: 資料庫開啟錯誤."));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(QDir(folder.path()).filePath(QStringLiteral("Dosarix.tvr"))));
    }

    // The first copy runs in this process; second copies run as separate processes.
    void secondInstanceRefused() {
        TempDatabase temp(false);
        prepareNamedFile(temp);
        Recorder recorder;
        TMainForm first(recorder.hooks());
        QVERIFY(start(first));
        QCOMPARE(first.stage(), TMainForm::Stage::Running);

        // This test program started as the program itself, closing its message box.
        QProcess copy;
        copy.setWorkingDirectory(temp.dir());
        copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--program")});
        QVERIFY(copy.waitForFinished(20000));
        const QString out = QString::fromUtf8(copy.readAllStandardOutput());
        QCOMPARE(out.trimmed(), QStringLiteral("box: 資料庫不能同時開啟."));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 1);

        // The real program says so too (its box has nobody to close it here).
        QProcess program;
        program.setWorkingDirectory(temp.dir());
        program.setProcessChannelMode(QProcess::SeparateChannels);
        program.start(QStringLiteral(DOSARIX_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        QString errors;
        QTRY_VERIFY2_WITH_TIMEOUT((errors += QString::fromUtf8(program.readAllStandardError()),
                                   errors.contains(QStringLiteral("資料庫不能同時開啟.")) ||
                                       program.state() == QProcess::NotRunning),
                                  qPrintable(errors), 20000);
        QCOMPARE(program.state(), QProcess::Running); // waiting on its message box
        program.kill();
        program.waitForFinished();

        // The first copy is undisturbed: it still owns the file and works.
        QCOMPARE(temp.db().userCount(), 1);
        QVERIFY(temp.db().isOpen());
        QVERIFY(activate(&first));
        pressKey(&first, Qt::Key_F3);
        QCOMPARE(recorder.calls,
                 (QStringList{QStringLiteral("start backup"), QStringLiteral("drugs")}));
        QCOMPARE(committed(dataFile(temp), "SELECT regName FROM AboutConfig"),
                 QStringLiteral("測試護老院"));
    }

    void launcherKeys() {
        TempDatabase temp(false);
        prepareNamedFile(temp);
        Recorder recorder;
        MainWindowHooks hooks = recorder.hooks();
        int drugsCommittedDuringHook = -1;
        hooks.openPatientList = [&](QWidget* owner) {
            recorder.calls << QStringLiteral("patients");
            QVERIFY(owner != nullptr);
            Drug drug;
            drug.name = "FROM F2";
            insert(drug);
        };
        hooks.openDrugList = [&](QWidget*) {
            recorder.calls << QStringLiteral("drugs");
            Drug drug;
            drug.name = "FROM F3";
            insert(drug);
            drugsCommittedDuringHook =
                committed(dataFile(temp), "SELECT count(*) FROM Drug").toInt();
        };
        TMainForm form(hooks);
        QVERIFY(start(form));
        const QString file = dataFile(temp);

        pressKey(&form, Qt::Key_F2);
        QCOMPARE(committed(file, "SELECT count(*) FROM Drug"), QStringLiteral("0"));
        pressKey(&form, Qt::Key_F3);
        QCOMPARE(drugsCommittedDuringHook, 0);
        // F3 commits once the drug list has closed.
        QCOMPARE(committed(file, "SELECT count(*) FROM Drug"), QStringLiteral("2"));
        pressKey(&form, Qt::Key_F10);
        QCOMPARE(recorder.calls, (QStringList{"start backup", "patients", "drugs", "backup"}));

        ShellRecorder shell;
        pressKey(&form, Qt::Key_F1);
        QVERIFY(shell.opened().isEmpty()); // no manual: nothing happens
        QFile manual(temp.filePath(QStringLiteral("manual.doc")));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.close();
        pressKey(&form, Qt::Key_F1);
        QCOMPARE(shell.opened(), QStringList{manual.fileName()});
        QCOMPARE(form.helpFile(), temp.filePath(QStringLiteral("Halvorane.hlp")));
    }

    // F12 and the title bar ask the same question; No changes nothing.
    void closingRefused_data() {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("F12") << false;
        QTest::newRow("title-bar close") << true;
    }
    void closingRefused() {
        QFETCH(bool, titleBar);
        TempDatabase temp(false);
        prepareNamedFile(temp);
        Recorder recorder;
        TMainForm form(recorder.hooks());
        QVERIFY(start(form));
        QString question;
        ModalDriver::expect([&](QWidget* dialog) {
            question = dialogMessage(dialog);
            pressKey(dialog, Qt::Key_N);
        });
        if (titleBar)
            form.close();
        else
            pressKey(&form, Qt::Key_F12);
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(question, QStringLiteral("關閉系統?"));
        QVERIFY(form.isVisible());
        QCOMPARE(form.stage(), TMainForm::Stage::Running);
        for (QAction* action : form.ActionList1)
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        QVERIFY(!recorder.calls.contains(QStringLiteral("exit backup")));
        // Still working: the keys reach their actions.
        QVERIFY(activate(&form));
        pressKey(&form, Qt::Key_F2);
        QVERIFY(recorder.calls.contains(QStringLiteral("patients")));
    }

    void closingConfirmed_data() {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("F12") << false;
        QTest::newRow("title-bar close") << true;
    }
    void closingConfirmed() {
        QFETCH(bool, titleBar);
        TempDatabase temp(false);
        prepareNamedFile(temp);
        bool hiddenAtBackup = false;
        QStringList enabledAtBackup;
        int backups = 0;
        TMainForm* formPtr = nullptr;
        MainWindowHooks hooks;
        hooks.exitBackup = [&](QWidget* owner) {
            ++backups;
            QCOMPARE(owner, formPtr);
            hiddenAtBackup = !formPtr->isVisible();
            for (QAction* action : formPtr->ActionList1)
                if (action->isEnabled())
                    enabledAtBackup << action->objectName();
        };
        TMainForm form(hooks);
        formPtr = &form;
        QVERIFY(start(form));
        ModalDriver::expect([](QWidget* dialog) { pressKey(dialog, Qt::Key_Y); });
        if (titleBar)
            form.close();
        else
            pressKey(&form, Qt::Key_F12);
        QVERIFY(ModalDriver::waitDone());
        QTRY_COMPARE(backups, 1);
        QVERIFY(hiddenAtBackup);
        QCOMPARE(enabledAtBackup, QStringList());
        QVERIFY(!form.isVisible());
        QCOMPARE(form.stage(), TMainForm::Stage::Closing);
    }

    // An exception out of an action is shown with its class and message; the window goes on.
    void exceptionShownAndProgramContinues() {
        QVERIFY(qobject_cast<DosarixApplication*>(qApp));
        TempDatabase temp(false);
        prepareNamedFile(temp);
        Recorder recorder;
        MainWindowHooks hooks = recorder.hooks();
        hooks.openPatientList = [](QWidget*) {
            dbCursor<Patient> patients;
            patients.select();
            patients.get(); // no current record
        };
        hooks.openDrugList = [](QWidget*) {
            throw dbException(dbException::DatabaseError, "disk I/O error");
        };
        TMainForm form(hooks);
        QVERIFY(start(form));
        QStringList shown;
        ModalDriver::expect([&](QWidget* dialog) { shown << boxText(dialog); });
        ModalDriver::expect([&](QWidget* dialog) { shown << boxText(dialog); });
        pressKey(&form, Qt::Key_F2);
        QVERIFY(activate(&form));
        pressKey(&form, Qt::Key_F3);
        QVERIFY(ModalDriver::waitDone());
        QCOMPARE(shown, (QStringList{QStringLiteral("dbException: error 0"),
                                     QStringLiteral("dbException: disk I/O error")}));
        QVERIFY(activate(&form));
        pressKey(&form, Qt::Key_F10);
        QVERIFY(recorder.calls.contains(QStringLiteral("backup")));
    }
};

// Started with --program, this test program is the program itself (for the second-copy
// test): it reports the message box it shows on standard output and closes it.
int main(int argc, char** argv) {
    DosarixApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--program") == 0) {
        // "--program network": the folder looks like a network share.
        if (argc > 2 && qstrcmp(argv[2], "network") == 0)
            tavroDatabase::setFileSystemProbe(
                [](const std::string&) { return FileSystemKind::Network; });
        for (int i = 0; i < 2; ++i)
            ModalDriver::expect([](QWidget* dialog) {
                std::printf("box: %s\n", boxText(dialog).toUtf8().constData());
                std::fflush(stdout);
            });
        MainWindowHooks hooks;
        hooks.startOfDayBackup = [](QWidget*) { std::printf("start backup\n"); };
        hooks.exitBackup = [](QWidget*) { std::printf("exit backup\n"); };
        return runProgram(app, hooks);
    }
    dosarixTestSetup(app);
    app.setQuitOnLastWindowClosed(false);
    TestMainForm tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_mainform.moc"
