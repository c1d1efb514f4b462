#include "app/dialogforms.h"
#include "backup/backupform.h"
#include "backup/rotation.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <optional>

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Drugs named DRUG 0, DRUG 1, ...; remarks of hard-to-compress text make the file larger.
void addDrugs(int from, int count, int remarkBytes = 0) {
    tavroBuffer texts;
    QRandomGenerator random(static_cast<quint32>(from + 1));
    for (int i = from; i < from + count; ++i) {
        QByteArray remark(remarkBytes / 2, Qt::Uninitialized);
        for (char& c : remark)
            c = static_cast<char>(random.bounded(256));
        Drug d;
        d.name = texts.store(QByteArray("DRUG ").append(QByteArray::number(i)).constData());
        d.remark = texts.store(remark.toHex().constData());
        insert(d);
    }
    tavroDatabase::current().commit();
}

QStringList drugNames() {
    QStringList names;
    tavroCursor<Drug> cursor;
    if (cursor.select(dbQuery().orderBy("name")) > 0) {
        do {
            names << QString::fromUtf8(cursor->name);
        } while (cursor.next());
    }
    return names;
}

BackupRecord storedSettings(tavroBuffer& texts) {
    tavroCursor<BackupRecord> cursor;
    if (cursor.select() != 1)
        qFatal("expected one BackupRecord");
    BackupRecord r = *cursor;
    r.path = texts.store(r.path);
    r.path2 = texts.store(r.path2);
    return r;
}

void changeSettings(const std::function<void(BackupRecord&, tavroBuffer&)>& change) {
    tavroBuffer texts;
    tavroCursor<BackupRecord> cursor(dbCursorForUpdate);
    QCOMPARE(cursor.select(), 1);
    change(*cursor, texts);
    cursor.update();
    tavroDatabase::current().commit();
}

dbDateTime yesterdayAt(int hour, int minute) {
    const QDate y = QDate::currentDate().addDays(-1);
    return dbDateTime(y.year(), y.month(), y.day(), hour, minute);
}

// The first start of a day on a data file whose last start-of-day backup was yesterday.
void startOfNextDay() {
    changeSettings([](BackupRecord& r, tavroBuffer&) { r.lastBackupDate = yesterdayAt(0, 0); });
    TBackupForm form;
    form.startOfDayBackup();
}

void exitBackup() {
    TBackupForm form;
    form.exitBackup();
}

// Records the message of each message box that opens, and answers each disk prompt.
struct Messages {
    QStringList texts;
    void expect(int count = 1) {
        for (int i = 0; i < count; ++i)
            ModalDriver::expect([this](QWidget* d) { texts << dialogMessage(d); });
    }
};

void clickYes(QWidget* dialog) {
    if (auto* w = qobject_cast<TWarningForm*>(dialog))
        w->YesButton->click();
    else if (auto* y = qobject_cast<TYesNoForm*>(dialog))
        y->YesButton->click();
}

void clickNo(QWidget* dialog) {
    if (auto* y = qobject_cast<TYesNoForm*>(dialog))
        y->NoButton->click();
}

// Restores instead of ending the test program, and says what the exit code was.
struct ExitRecorder {
    std::optional<int> code;
    ExitRecorder() {
        setProcessExit([this](int c) { code = c; });
    }
    ~ExitRecorder() { setProcessExit({}); }
};

// Types a file name into a file dialog, as the user does.
void typeFileName(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
}

QString slotFile(const QString& dir, int slot, bool atExit) {
    return automaticBackupFile(dir, "Dosarix", slot, atExit);
}

} // namespace

class TestBackupForm : public QObject {
    Q_OBJECT

private slots:
    void init() { ModalDriver::clear(); }
    void cleanup() {
        QCOMPARE(ModalDriver::pending(), 0);
        setFreeSpaceProbe({});
    }

    void layoutAndNewRecord();
    void storedSettingsShown();
    void slotCountInDbDirectory();
    void firstStartThenNextDay();
    void rotationOverMixedBackups();
    void everytimeOff();
    void locations_data();
    void locations();
    void failedCopyGoesOn();
    void automaticBackupShowsPanelAndProgress();
    void manualBackupThroughSaveDialog();
    void replaceQuestion();
    void volumesAskForEachDisk();
    void volumeRefused();
    void restoreRoundTrip();
    void failedRestoreKeepsDataFile_data();
    void failedRestoreKeepsDataFile();
    void restoreNotStarted();
    void restoreEndsTheProgram();
    void closeValidation_data();
    void closeValidation();
    void closeSavesSettings();
    void helpOpensPagesInOrder();
    void folderChoice();
};

void TestBackupForm::layoutAndNewRecord() {
    TempDatabase temp;
    TBackupForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("備份"));
    QCOMPARE(form.size(), QSize(802, 463));
    QCOMPARE(form.backup->text(), QStringLiteral("執行備份"));
    QCOMPARE(form.restore->text(), QStringLiteral("執行修復 (會取代現有資料庫)"));
    QCOMPARE(form.helpButton->text(), QStringLiteral("說明 F1"));
    QCOMPARE(form.NoButton->text(), QStringLiteral("關閉 Esc"));
    QCOMPARE(form.GroupBox4->title(), QStringLiteral("自動備份"));
    QCOMPARE(form.everytime->text(), QStringLiteral("每次離開"));
    QCOMPARE(form.everyday->text(), QStringLiteral("每日"));
    QCOMPARE(form.Label24->text(), QStringLiteral("保留數目:"));
    QCOMPARE(form.backupPath->text(), QStringLiteral("備份位置一:"));
    QCOMPARE(form.backupPath2->text(), QStringLiteral("備份位置二:"));
    QVERIFY(form.Label1->text().startsWith(QStringLiteral("如果選擇兩個備份位置")));
    QVERIFY(form.remainEdit->isReadOnly());
    QCOMPARE(form.autoBackupPanel->text(), QStringLiteral("資料庫備份中，請稍後.... "));
    QCOMPARE(form.SaveDialog1->windowTitle(), QStringLiteral("請輸入備份檔案"));
    QCOMPARE(form.SaveDialog1->nameFilters(), QStringList{QStringLiteral("備份檔案 (*.mbf)")});
    QCOMPARE(form.OpenDialog1->nameFilters(), QStringList{QStringLiteral("備份檔案 (*.mbf)")});
    QCOMPARE(form.SaveDialog1->defaultSuffix(), QStringLiteral("mbf"));
    QCOMPARE(form.OpenDialog1->defaultSuffix(), QStringLiteral("mbf"));
    QCOMPARE(form.FileListBox1->count(), 1);
    QCOMPARE(form.FileListBox1->item(0)->text(), temp.filePath("Dosarix.tvr"));

    QVERIFY(showAndActivate(&form));
    QVERIFY(!form.hourPanel->isVisible());
    QVERIFY(!form.timePanel->isVisible());
    QVERIFY(!form.ProgressBar1->isVisible());
    QVERIFY(!form.autoBackupPanel->isVisible());
    QVERIFY(form.everyday->isChecked());
    QVERIFY(!form.everytime->isChecked());

    // The up-down keeps to 1..127 without wrapping.
    form.totalBackup->setPosition(127);
    form.totalBackup->stepBy(1);
    QCOMPARE(form.remainEdit->text(), QStringLiteral("127"));
    form.totalBackup->setPosition(1);
    form.remainEdit->setFocus();
    QTest::keyClick(form.remainEdit, Qt::Key_Down);
    QCOMPARE(form.totalBackup->position(), 1);
    QTest::keyClick(form.remainEdit, Qt::Key_Up);
    QCOMPARE(form.remainEdit->text(), QStringLiteral("2"));
    form.hide();

    tavroBuffer texts;
    const BackupRecord r = storedSettings(texts);
    QCOMPARE(r.lastBackupDate, todayStamp());
    QVERIFY(r.everyday);
    QVERIFY(!r.everytime);
    QVERIFY(!r.everyhour);
    QCOMPARE(int(r.lastBackup), 0);
    QCOMPARE(int(r.totalBackup), 7);
    QCOMPARE(int(r.hour), 1);
    QCOMPARE(QString(r.path), QString());
    QVERIFY(!r.backupPath && !r.backupPath2 && !r.isEveryTime);
}

void TestBackupForm::storedSettingsShown() {
    TempDatabase temp;
    { TBackupForm first; }
    changeSettings([](BackupRecord& r, tavroBuffer& texts) {
        r.everytime = true;
        r.everyday = false;
        r.totalBackup = 5;
        r.path = texts.store("/backups/one");
        r.path2 = texts.store("/backups/two");
        r.backupPath2 = true;
        r.lastBackupDate = yesterdayAt(7, 45);
    });
    TBackupForm form;
    QVERIFY(form.everytime->isChecked());
    QVERIFY(!form.everyday->isChecked());
    QCOMPARE(form.remainEdit->text(), QStringLiteral("5"));
    QCOMPARE(form.path->text(), QStringLiteral("/backups/one"));
    QCOMPARE(form.path2->text(), QStringLiteral("/backups/two"));
    QVERIFY(!form.backupPath->isChecked());
    QVERIFY(form.backupPath2->isChecked());
    QCOMPARE(form.backupTime->text(), QStringLiteral("07:45"));
    QCOMPARE(form.hour->text(), QStringLiteral("1"));
}

void TestBackupForm::slotCountInDbDirectory() {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir(dir.path()).mkdir("homedb"));
    QDir::setCurrent(dir.filePath("homedb"));
    {
        tavroDatabase db;
        QVERIFY(db.open());
        TBackupForm form;
        QCOMPARE(form.remainEdit->text(), QStringLiteral("3"));
        tavroBuffer texts;
        QCOMPARE(int(storedSettings(texts).totalBackup), 3);
    }
    QDir::setCurrent(previous);
}

void TestBackupForm::firstStartThenNextDay() {
    TempDatabase temp;
    addDrugs(0, 3);
    {
        TBackupForm form;
        form.startOfDayBackup();
    }
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}), QStringList());
    tavroBuffer texts;
    QCOMPARE(int(storedSettings(texts).lastBackup), 0);

    changeSettings([](BackupRecord& r, tavroBuffer&) { r.lastBackupDate = yesterdayAt(6, 15); });
    {
        TBackupForm form;
        form.startOfDayBackup();
    }
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}), QStringList{"Dosarix0.mbf"});
    const BackupRecord r = storedSettings(texts);
    QCOMPARE(int(r.lastBackup), 1);
    QVERIFY(!r.isEveryTime);
    QCOMPARE(dateText(r.lastBackupDate), dateText(todayStamp()));
    QCOMPARE(timeText(r.lastBackupDate), QStringLiteral("06:15"));

    // Another start the same day backs nothing up.
    QFile::remove(temp.filePath("Dosarix0.mbf"));
    {
        TBackupForm form;
        form.startOfDayBackup();
    }
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}), QStringList());
}

void TestBackupForm::rotationOverMixedBackups() {
    TempDatabase temp;
    { TBackupForm first; }
    changeSettings([](BackupRecord& r, tavroBuffer&) {
        r.totalBackup = 3;
        r.everytime = true;
    });
    addDrugs(0, 1);
    startOfNextDay();
    QVERIFY(QFileInfo::exists(slotFile(temp.dir(), 0, false)));
    addDrugs(1, 1);
    exitBackup();
    QVERIFY(QFileInfo::exists(slotFile(temp.dir(), 1, true)));
    exitBackup();
    QVERIFY(QFileInfo::exists(slotFile(temp.dir(), 2, true)));
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}, QDir::Files, QDir::Name),
             (QStringList{"Dosarix0.mbf", "Dosarix1T.mbf", "Dosarix2T.mbf"}));
    tavroBuffer texts;
    QVERIFY(storedSettings(texts).isEveryTime);

    // The fourth takes slot 0 again and overwrites the start-of-day file of that slot.
    addDrugs(2, 1);
    startOfNextDay();
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}, QDir::Files, QDir::Name),
             (QStringList{"Dosarix0.mbf", "Dosarix1T.mbf", "Dosarix2T.mbf"}));
    QCOMPARE(int(storedSettings(texts).lastBackup), 1);
    TBackupFile archive;
    QVERIFY(
        archive.extract(slotFile(temp.dir(), 0, false), "Dosarix.tvr", temp.filePath("slot0.tvr")));
    QVERIFY(
        archive.extract(slotFile(temp.dir(), 1, true), "Dosarix.tvr", temp.filePath("slot1.tvr")));
    {
        QDir::setCurrent(temp.dir());
        tavroDatabase check;
        QVERIFY(check.open("slot0"));
        tavroCursor<Drug> drugs(check, dbCursorViewOnly);
        QCOMPARE(drugs.select(), 3);
    }
    {
        tavroDatabase check;
        QVERIFY(check.open("slot1"));
        tavroCursor<Drug> drugs(check, dbCursorViewOnly);
        QCOMPARE(drugs.select(), 2);
    }
}

void TestBackupForm::everytimeOff() {
    TempDatabase temp;
    exitBackup();
    QCOMPARE(QDir(temp.dir()).entryList({"*.mbf"}), QStringList());
    tavroBuffer texts;
    QCOMPARE(int(storedSettings(texts).lastBackup), 0);
}

void TestBackupForm::locations_data() {
    QTest::addColumn<bool>("removeOne");
    QTest::addColumn<bool>("useTwo");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("both set and different") << false << true << QStringList{"one", "two"};
    QTest::newRow("location one deleted") << true << true << QStringList{"two"};
    QTest::newRow("none usable") << true << false << QStringList{"db"};
}

void TestBackupForm::locations() {
    QFETCH(bool, removeOne);
    QFETCH(bool, useTwo);
    QFETCH(QStringList, written);
    QTemporaryDir places;
    QDir(places.path()).mkdir("one");
    QDir(places.path()).mkdir("two");
    TempDatabase temp;
    { TBackupForm first; }
    changeSettings([&](BackupRecord& r, tavroBuffer& texts) {
        r.backupPath = true;
        r.path = texts.store(places.filePath("one").toUtf8().constData());
        r.backupPath2 = useTwo;
        r.path2 = texts.store(places.filePath("two").toUtf8().constData());
        r.everytime = true;
    });
    if (removeOne)
        QDir(places.filePath("one")).removeRecursively();
    exitBackup();
    QStringList found;
    for (const QString& where : {QStringLiteral("one"), QStringLiteral("two")})
        if (QFileInfo::exists(places.filePath(where + "/Dosarix0T.mbf")))
            found << where;
    if (QFileInfo::exists(temp.filePath("Dosarix0T.mbf")))
        found << "db";
    QCOMPARE(found, written);
    tavroBuffer texts;
    QCOMPARE(int(storedSettings(texts).lastBackup), 1);
}

void TestBackupForm::failedCopyGoesOn() {
    QTemporaryDir places;
    QDir(places.path()).mkdir("one");
    QDir(places.path()).mkdir("two");
    // A folder where the archive should go makes that copy fail.
    QDir(places.path()).mkpath("one/Dosarix0T.mbf");
    TempDatabase temp;
    { TBackupForm first; }
    changeSettings([&](BackupRecord& r, tavroBuffer& texts) {
        r.backupPath = r.backupPath2 = r.everytime = true;
        r.path = texts.store(places.filePath("one").toUtf8().constData());
        r.path2 = texts.store(places.filePath("two").toUtf8().constData());
    });
    Messages messages;
    messages.expect();
    exitBackup();
    QCOMPARE(messages.texts, QStringList{"備份失敗."});
    QVERIFY(QFileInfo(places.filePath("two/Dosarix0T.mbf")).isFile());
    tavroBuffer texts;
    QCOMPARE(int(storedSettings(texts).lastBackup), 1);
}

void TestBackupForm::automaticBackupShowsPanelAndProgress() {
    TempDatabase temp;
    addDrugs(0, 20, 200000);
    { TBackupForm first; }
    changeSettings([](BackupRecord& r, tavroBuffer&) { r.lastBackupDate = yesterdayAt(0, 0); });
    TBackupForm form;
    bool panelShown = true;
    bool barShown = true;
    QList<int> seen;
    auto own = form.BackupFile1.onProgress;
    form.BackupFile1.onProgress = [&](int percent) {
        seen << percent;
        panelShown = panelShown && form.isVisible() && form.autoBackupPanel->isVisible();
        barShown = barShown && form.ProgressBar1->isVisible();
        own(percent);
        QCOMPARE(form.ProgressBar1->value(), percent);
    };
    form.startOfDayBackup();
    QVERIFY(seen.size() >= 2);
    QCOMPARE(seen.last(), 100);
    QVERIFY(panelShown);
    QVERIFY(barShown);
    QVERIFY(!form.ProgressBar1->isVisible());
    QVERIFY(!form.isModal());
}

void TestBackupForm::manualBackupThroughSaveDialog() {
    QTemporaryDir places;
    TempDatabase temp;
    addDrugs(0, 4);
    TBackupForm form;
    form.backupPath->setChecked(true);
    form.path->setText(places.path());
    QString directory;
    ModalDriver::expect([&](QWidget* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        QVERIFY(dialog);
        directory = dialog->directory().absolutePath();
        typeFileName(dialog, places.filePath("mine"));
        static_cast<QDialog*>(dialog)->accept();
    });
    Messages messages;
    messages.expect();
    form.backupClick();
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(directory, places.path());
    QCOMPARE(messages.texts, QStringList{"備份完成."});
    QVERIFY(QFileInfo(places.filePath("mine.mbf")).isFile());
    QVERIFY(!form.ProgressBar1->isVisible());

    // Cancelling the dialog does nothing.
    ModalDriver::expect([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
    form.backupClick();
    QCOMPARE(QDir(places.path()).entryList(QDir::Files), QStringList{"mine.mbf"});
}

void TestBackupForm::replaceQuestion() {
    TempDatabase temp;
    addDrugs(0, 2);
    TBackupForm form;
    const QString file = temp.filePath("kept.mbf");
    writeFile(file, "earlier backup");
    QString question;
    ModalDriver::expect([&](QWidget* d) {
        question = dialogMessage(d);
        clickNo(d);
    });
    form.backupTo(file);
    QCOMPARE(question, file + QStringLiteral("已存在, 取代它嗎?"));
    QCOMPARE(fileBytes(file), QByteArray("earlier backup"));

    ModalDriver::expect(clickYes);
    Messages messages;
    messages.expect();
    form.backupTo(file);
    QCOMPARE(messages.texts, QStringList{"備份完成."});
    TBackupFile archive;
    QVERIFY(archive.extract(file, "Dosarix.tvr", temp.filePath("check.tvr")));
}

void TestBackupForm::volumesAskForEachDisk() {
    TempDatabase temp;
    addDrugs(0, 10, 15000);
    setFreeSpaceProbe([](const QString&) { return qint64(40000 + 1024); });
    TBackupForm form;
    const QString file = temp.filePath("split.mbf");
    QStringList prompts;
    QStringList messages;
    for (int i = 0; i < 30; ++i)
        ModalDriver::expect([&](QWidget* d) {
            const QString text = dialogMessage(d);
            auto* yesNo = qobject_cast<TYesNoForm*>(d);
            if (text.startsWith(QStringLiteral("請輸入磁碟片#"))) {
                prompts << text;
                QCOMPARE(yesNo->YesButton->text(), QStringLiteral("確定"));
                QCOMPARE(yesNo->NoButton->text(), QStringLiteral("取消"));
                // The next volume is deleted before it is written.
                writeFile(volumeFileName(temp.filePath("split."), prompts.size() + 1), "stale");
                yesNo->YesButton->click();
            } else {
                messages << text;
            }
        });
    form.backupTo(file);
    ModalDriver::clear();
    QCOMPARE(messages, QStringList{"備份完成."});
    QVERIFY(prompts.size() >= 2);
    for (int i = 0; i < prompts.size(); ++i) {
        QCOMPARE(prompts[i], QStringLiteral("請輸入磁碟片#") + QString::number(i + 2));
        const QFileInfo volume(volumeFileName(temp.filePath("split."), i + 2));
        QVERIFY(volume.size() <= 40000 && volume.size() > 5);
    }
    QCOMPARE(QFileInfo(file).size(), qint64(40000));

    // The volumes restore in order.
    const QStringList before = drugNames();
    addDrugs(100, 2);
    ExitRecorder exit;
    ModalDriver::expect(clickYes);
    Messages done;
    done.expect();
    form.restoreFrom(file);
    QCOMPARE(done.texts, QStringList{"修復完成. 請重新執行程式."});
    QCOMPARE(exit.code, std::optional<int>(0));
    QVERIFY(temp.db().open());
    QCOMPARE(drugNames(), before);
}

void TestBackupForm::volumeRefused() {
    TempDatabase temp;
    addDrugs(0, 10, 100000);
    setFreeSpaceProbe([](const QString&) { return qint64(30000 + 1024); });
    TBackupForm form;
    ModalDriver::expect(clickNo);
    Messages messages;
    messages.expect();
    form.backupTo(temp.filePath("refused.mbf"));
    QCOMPARE(messages.texts, QStringList{"備份失敗."});
}

void TestBackupForm::restoreRoundTrip() {
    TempDatabase temp;
    addDrugs(0, 5);
    const QStringList before = drugNames();
    TBackupForm form;
    Messages messages;
    messages.expect();
    form.backupTo(temp.filePath("round.mbf"));
    QCOMPARE(messages.texts, QStringList{"備份完成."});

    // Change the records after the backup.
    addDrugs(5, 3);
    {
        tavroCursor<Drug> drugs(dbCursorForUpdate);
        drugs.select();
        drugs.remove();
        temp.db().commit();
    }
    QVERIFY(drugNames() != before);

    ExitRecorder exit;
    QString warning;
    QString directory;
    // The restore is chosen in the open dialog, which starts in the database directory.
    ModalDriver::expect([&](QWidget* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        QVERIFY(dialog);
        directory = dialog->directory().absolutePath();
        typeFileName(dialog, temp.filePath("round.mbf"));
        static_cast<QDialog*>(dialog)->accept();
    });
    ModalDriver::expect([&](QWidget* d) {
        warning = dialogMessage(d);
        clickYes(d);
    });
    ModalDriver::expect([&](QWidget* d) { messages.texts << dialogMessage(d); });
    form.restoreClick();
    QCOMPARE(directory, temp.dir());
    QCOMPARE(warning, QStringLiteral("修復會取代現有的資料庫, 確定嗎?"));
    QCOMPARE(messages.texts.last(), QStringLiteral("修復完成. 請重新執行程式."));
    QCOMPARE(exit.code, std::optional<int>(0));
    QVERIFY(!temp.db().isOpen());
    QVERIFY(temp.db().open());
    QCOMPARE(drugNames(), before);
}

void TestBackupForm::failedRestoreKeepsDataFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("truncated archive") << "truncated";
    QTest::newRow("zip of another file") << "other";
}

void TestBackupForm::failedRestoreKeepsDataFile() {
    QFETCH(QString, kind);
    TempDatabase temp;
    addDrugs(0, 10, 20000);
    TBackupForm form;
    const QString file = temp.filePath("bad.mbf");
    if (kind == "truncated") {
        Messages made;
        made.expect();
        form.backupTo(file);
        const QByteArray whole = fileBytes(file);
        writeFile(file, whole.left(whole.size() * 2 / 3));
    } else {
        QTemporaryDir work;
        writeFile(work.filePath("letter.txt"), "not a data file");
        QProcess zip;
        zip.setWorkingDirectory(work.path());
        zip.start("zip", {"-q", file, "letter.txt"});
        QVERIFY(zip.waitForFinished());
        QCOMPARE(zip.exitCode(), 0);
    }
    temp.db().commit();
    const QByteArray before = fileBytes(temp.filePath("Dosarix.tvr"));
    ExitRecorder exit;
    ModalDriver::expect(clickYes);
    Messages messages;
    messages.expect();
    form.restoreFrom(file);
    QCOMPARE(messages.texts, QStringList{"修復失敗. 請重新執行程式."});
    QCOMPARE(exit.code, std::optional<int>(0));
    QCOMPARE(fileBytes(temp.filePath("Dosarix.tvr")), before);
}

void TestBackupForm::restoreNotStarted() {
    TempDatabase temp;
    TBackupForm form;
    ExitRecorder exit;
    Messages messages;
    messages.expect();
    form.restoreFrom(temp.filePath("missing.mbf"));
    QCOMPARE(messages.texts, QStringList{"檔案不存在."});

    Messages made;
    made.expect();
    form.backupTo(temp.filePath("there.mbf"));
    ModalDriver::expect([](QWidget* d) { qobject_cast<TWarningForm*>(d)->NoButton->click(); });
    form.restoreFrom(temp.filePath("there.mbf"));
    QVERIFY(!exit.code.has_value());
    QVERIFY(temp.db().isOpen());
}

// A real program run: the restore ends the process with exit code 0.
void TestBackupForm::restoreEndsTheProgram() {
    TempDatabase temp;
    addDrugs(0, 6);
    const QStringList before = drugNames();
    {
        TBackupForm form;
        Messages messages;
        messages.expect();
        form.backupTo(temp.filePath("child.mbf"));
    }
    addDrugs(6, 2);
    temp.db().close();

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--restore", temp.dir(), temp.filePath("child.mbf")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(temp.db().open());
    QCOMPARE(drugNames(), before);
}

void TestBackupForm::closeValidation_data() {
    QTest::addColumn<bool>("use1");
    QTest::addColumn<QString>("path1");
    QTest::addColumn<bool>("use2");
    QTest::addColumn<QString>("path2");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("location one missing") << true << "gone" << false << ""
                                          << "gone資料夾不存在."
                                          << "path";
    QTest::newRow("location two missing") << true << "A" << true << "gone"
                                          << "gone資料夾不存在."
                                          << "path2";
    QTest::newRow("same folder twice") << true << "A" << true << "A"
                                       << "兩個備份位置不能相同."
                                       << "";
}

void TestBackupForm::closeValidation() {
    QFETCH(bool, use1);
    QFETCH(QString, path1);
    QFETCH(bool, use2);
    QFETCH(QString, path2);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TempDatabase temp;
    QDir(temp.dir()).mkdir("A");
    auto full = [&](const QString& p) { return p.isEmpty() ? p : temp.filePath(p); };
    TBackupForm form;
    form.backupPath->setChecked(use1);
    form.path->setText(full(path1));
    form.backupPath2->setChecked(use2);
    form.path2->setText(full(path2));
    QVERIFY(showAndActivate(&form));
    Messages messages;
    messages.expect();
    pressKey(&form, Qt::Key_Escape);
    QVERIFY(ModalDriver::waitDone());
    QVERIFY(!messages.texts.isEmpty());
    QCOMPARE(messages.texts.first(), message.startsWith("gone") ? temp.filePath(message) : message);
    QVERIFY(form.isVisible());
    if (!focus.isEmpty())
        QCOMPARE(form.focusWidget()->objectName(), focus);
    tavroBuffer texts;
    QVERIFY(!storedSettings(texts).backupPath);

    // The title-bar close is checked the same way.
    messages.expect();
    form.close();
    QVERIFY(ModalDriver::waitDone());
    QVERIFY(form.isVisible());
    form.backupPath->setChecked(false);
    form.backupPath2->setChecked(false);
    form.close();
    QVERIFY(!form.isVisible());
}

void TestBackupForm::closeSavesSettings() {
    TempDatabase temp;
    QDir(temp.dir()).mkdir("A");
    QDir(temp.dir()).mkdir("B");
    TBackupForm form;
    form.everytime->setChecked(true);
    form.everyday->setChecked(false);
    form.totalBackup->setPosition(12);
    form.backupPath->setChecked(true);
    form.path->setText(temp.filePath("A"));
    form.backupPath2->setChecked(false);
    // A folder typed with blanks around it is stored trimmed.
    form.path2->setText(QStringLiteral("  ") + temp.filePath("B") + QStringLiteral(" "));
    form.backupTime->setText(QStringLiteral("21:30"));
    QVERIFY(showAndActivate(&form));
    QTest::mouseClick(form.NoButton, Qt::LeftButton);
    QVERIFY(!form.isVisible());

    // Committed: a roll back does not undo it.
    temp.db().rollback();
    tavroBuffer texts;
    const BackupRecord r = storedSettings(texts);
    QVERIFY(r.everytime);
    QVERIFY(!r.everyday);
    QCOMPARE(int(r.totalBackup), 12);
    QVERIFY(r.backupPath && !r.backupPath2);
    QCOMPARE(QString::fromUtf8(r.path), temp.filePath("A"));
    QCOMPARE(QString::fromUtf8(r.path2), temp.filePath("B"));
    QCOMPARE(timeText(r.lastBackupDate), QStringLiteral("21:30"));
    QCOMPARE(dateText(r.lastBackupDate), dateText(todayStamp()));
    QCOMPARE(int(r.hour), 1);
}

void TestBackupForm::helpOpensPagesInOrder() {
    TempDatabase temp;
    QDir(temp.dir()).mkpath("help");
    QDir(temp.dir()).mkpath("server_help");
    writeFile(temp.filePath("help/BackupForm.htm"), "<p>backup</p>");
    writeFile(temp.filePath("server_help/backup.htm"), "<p>server</p>");
    TBackupForm form;
    ShellRecorder shell;
    QVERIFY(showAndActivate(&form));
    pressKey(&form, Qt::Key_F1);
    QCOMPARE(shell.opened(), (QStringList{temp.filePath("help/BackupForm.htm"),
                                          temp.filePath("server_help/backup.htm")}));
    writeFile(temp.filePath("help/install.htm"), "<p>install</p>");
    QTest::mouseClick(form.helpButton, Qt::LeftButton);
    QCOMPARE(shell.opened().mid(2),
             (QStringList{temp.filePath("help/BackupForm.htm"), temp.filePath("help/install.htm"),
                          temp.filePath("server_help/backup.htm")}));
}

void TestBackupForm::folderChoice() {
    TempDatabase temp;
    QDir(temp.dir()).mkpath("Backups/2024");
    {
        TFolderSelectForm choice;
        QCOMPARE(choice.windowTitle(), QStringLiteral("資料"));
        QCOMPARE(choice.size(), QSize(800, 600));
        QCOMPARE(choice.folder->text(), temp.dir());
        QCOMPARE(choice.saveAction->text(), QStringLiteral("確定 F4"));
        QCOMPARE(choice.exitAction->text(), QStringLiteral("取消 Esc"));
        QVERIFY(choice.DriveComboBox1->count() >= 1);
        QVERIFY(!choice.DriveComboBox1->currentText().isEmpty());
        // The way up from the root is listed, then the sub-folders.
        const auto items = choice.DirectoryListBox1->findItems("Backups", Qt::MatchEndsWith);
        QCOMPARE(items.size(), 1);
        emit choice.DirectoryListBox1->itemActivated(items.first());
        QCOMPARE(choice.folder->text(), temp.filePath("Backups"));
        QCOMPARE(choice.DirectoryListBox1->findItems("2024", Qt::MatchEndsWith).size(), 1);
        const int root = choice.DriveComboBox1->findData(QStorageInfo(temp.dir()).rootPath());
        QVERIFY(root >= 0);
        emit choice.DriveComboBox1->activated(root);
        QCOMPARE(choice.folder->text(), QStorageInfo(temp.dir()).rootPath());
    }

    TBackupForm form;
    QVERIFY(showAndActivate(&form));
    ModalDriver::expect([&](QWidget* d) {
        auto* choice = qobject_cast<TFolderSelectForm*>(d);
        QVERIFY(choice);
        choice->setDirectory(temp.filePath("Backups/2024"));
        pressKey(choice, Qt::Key_F4);
    });
    QTest::mouseClick(form.pathButton, Qt::LeftButton);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(form.path->text(), temp.filePath("Backups/2024"));

    ModalDriver::expect([&](QWidget* d) {
        qobject_cast<TFolderSelectForm*>(d)->setDirectory(temp.filePath("Backups"));
        pressKey(d, Qt::Key_Escape);
    });
    QTest::mouseClick(form.path2Button, Qt::LeftButton);
    QVERIFY(ModalDriver::waitDone());
    QCOMPARE(form.path2->text(), QString());
}

// The child of restoreEndsTheProgram: restores dir's data file from file with the real exit.
static int restoreInChild(const QString& dir, const QString& file) {
    QDir::setCurrent(dir);
    tavroDatabase db;
    if (!db.open())
        return 2;
    TBackupForm form;
    ModalDriver::expect(clickYes);
    ModalDriver::expect([](QWidget*) {});
    form.restoreFrom(file);
    return 3; // the restore should have ended the program
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    dosarixTestSetup(app);
    if (argc == 4 && qstrcmp(argv[1], "--restore") == 0)
        return restoreInChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestBackupForm tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_backupform.moc"
