#include "backup/archive.h"
#include "backup/rotation.h"
#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <sys/types.h>
#include <thread>

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Text that deflate can shrink only by half, so archives stay large.
QByteArray randomText(int bytes, quint32 seed = 7) {
    QRandomGenerator random(seed);
    QByteArray raw(bytes / 2, Qt::Uninitialized);
    for (char& c : raw)
        c = static_cast<char>(random.bounded(256));
    return raw.toHex().left(bytes);
}

// Adds drugs whose remarks hold `bytes` of hard-to-compress text in all.
void addDrugs(tavroDatabase& db, int count, int remarkBytes, quint32 seed = 7) {
    const QByteArray text = randomText(remarkBytes, seed);
    tavroBuffer texts;
    for (int i = 0; i < count; ++i) {
        Drug d;
        d.name = texts.store(QByteArray("DRUG ").append(QByteArray::number(i)).constData());
        d.remark =
            texts.store(text.mid(i * (remarkBytes / count), remarkBytes / count).constData());
        insert(d, db);
    }
    db.commit();
}

int drugCount(const QString& dataFile) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(dataFile).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    int count = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Drug", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        count = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestArchive : public QObject {
    Q_OBJECT

private slots:
    void volumeNames_data();
    void volumeNames();
    void slotFileNames();
    void slotRotation();
    void defaultSlotCount_data();
    void defaultSlotCount();
    void volumeLimitFromFreeSpace();
    void startOfDayDueOnANewDay();
    void locations_data();
    void locations();
    void locationFaults_data();
    void locationFaults();

    void archiveOpensWithUnzip();
    void progressRunsToHundred();
    void splitsIntoVolumesAndReadsThemBack_data();
    void splitsIntoVolumesAndReadsThemBack();
    void refusedVolumeKeepsPreviousArchive();
    void restoreReplacesDataFile();
    void badArchiveLeavesDataFile_data();
    void badArchiveLeavesDataFile();
    void killedBackupKeepsOldSlotFile();
};

void TestArchive::volumeNames_data() {
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "/b/Dosarix3.mbf"
                           << "/b/Dosarix3.";
    QTest::newRow("two dots") << "/b/home.2024.mbf"
                              << "/b/home.";
    QTest::newRow("dot in a folder name") << "/media/usb.stick/Dosarix.mbf"
                                          << "/media/usb.stick/Dosarix.";
    QTest::newRow("no dot at all") << "/b/backup"
                                   << "/b/backup.";
}

void TestArchive::volumeNames() {
    QFETCH(QString, archive);
    QFETCH(QString, base);
    QCOMPARE(volumeBaseName(archive), base);
    QCOMPARE(volumeFileName(base, 2), base + "002");
    QCOMPARE(volumeFileName(base, 12), base + "012");
}

void TestArchive::slotFileNames() {
    QCOMPARE(automaticBackupFile("/d", "Dosarix", 3, false), QStringLiteral("/d/Dosarix3.mbf"));
    QCOMPARE(automaticBackupFile("/d", "Dosarix", 3, true), QStringLiteral("/d/Dosarix3T.mbf"));
    QCOMPARE(automaticBackupFile("/d/", "Dosarix", 12, true), QStringLiteral("/d/Dosarix12T.mbf"));
}

void TestArchive::slotRotation() {
    int slot = 0;
    QList<int> seen;
    for (int i = 0; i < 4; ++i) {
        seen << slot;
        slot = nextBackupSlot(slot, 3);
    }
    QCOMPARE(seen, (QList<int>{0, 1, 2, 0}));
    QCOMPARE(nextBackupSlot(126, 127), 0);
    // A damaged count must not divide by zero.
    QCOMPARE(nextBackupSlot(0, 0), 0);
    QCOMPARE(nextBackupSlot(5, -3), 0);
}

void TestArchive::defaultSlotCount_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<int>("count");
    QTest::newRow("ends in db") << "/home/nurse/homedb" << 3;
    QTest::newRow("upper case DB") << "/home/nurse/homeDB" << 7;
    QTest::newRow("db inside") << "/home/db/data" << 7;
}

void TestArchive::defaultSlotCount() {
    QFETCH(QString, dir);
    QFETCH(int, count);
    QCOMPARE(defaultTotalBackup(dir), count);
}

void TestArchive::volumeLimitFromFreeSpace() {
    QCOMPARE(volumeLimit(5000000000LL), qint64(2147483647));
    QCOMPARE(volumeLimit(2147483647LL), qint64(2147483647 - 1024));
    QCOMPARE(volumeLimit(100000), qint64(100000 - 1024));

    QTemporaryDir dir;
    setFreeSpaceProbe([](const QString&) { return qint64(70000); });
    QCOMPARE(volumeLimitFor(dir.filePath("x.mbf")), qint64(70000 - 1024));
    setFreeSpaceProbe({});
    QVERIFY(volumeLimitFor(dir.filePath("x.mbf")) > 0);
}

void TestArchive::startOfDayDueOnANewDay() {
    const QDate today = QDate::currentDate();
    const dbDateTime thisMorning(today.year(), today.month(), today.day(), 8, 30);
    const QDate y = today.addDays(-1);
    const dbDateTime yesterday(y.year(), y.month(), y.day(), 8, 30);
    QVERIFY(!startOfDayDue(thisMorning));
    QVERIFY(!startOfDayDue(todayStamp()));
    QVERIFY(startOfDayDue(yesterday));

    const dbDateTime next = todayAtBackupTime(yesterday);
    QCOMPARE(dateText(next), dateText(todayStamp()));
    QCOMPARE(timeText(next), QStringLiteral("08:30"));
}

void TestArchive::locations_data() {
    QTest::addColumn<bool>("use1");
    QTest::addColumn<QString>("path1");
    QTest::addColumn<bool>("use2");
    QTest::addColumn<QString>("path2");
    QTest::addColumn<QStringList>("folders");
    // "A" and "B" exist, "gone" does not; "DB" is the database directory.
    QTest::newRow("both set and different") << true << "A" << true << "B" << QStringList{"A", "B"};
    QTest::newRow("location one deleted") << true << "gone" << true << "B" << QStringList{"B"};
    QTest::newRow("location one deleted, two unused")
        << true << "gone" << false << "B" << QStringList{"DB"};
    QTest::newRow("ticked but blank") << true << "  " << false << "" << QStringList{"DB"};
    QTest::newRow("not ticked") << false << "A" << false << "B" << QStringList{"DB"};
    QTest::newRow("two only") << false << "A" << true << "B" << QStringList{"B"};
}

void TestArchive::locations() {
    QFETCH(bool, use1);
    QFETCH(QString, path1);
    QFETCH(bool, use2);
    QFETCH(QString, path2);
    QFETCH(QStringList, folders);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("A");
    QDir(dir.path()).mkdir("B");
    auto real = [&](const QString& p) { return p.trimmed().isEmpty() ? p : dir.filePath(p); };
    QStringList expected;
    for (const QString& f : folders)
        expected << (f == "DB" ? dir.filePath("db") : dir.filePath(f));
    QCOMPARE(automaticBackupFolders(use1, real(path1), use2, real(path2), dir.filePath("db")),
             expected);
}

void TestArchive::locationFaults_data() {
    QTest::addColumn<bool>("use1");
    QTest::addColumn<QString>("path1");
    QTest::addColumn<bool>("use2");
    QTest::addColumn<QString>("path2");
    QTest::addColumn<int>("fault");
    QTest::newRow("fine") << true << "A" << true << "B" << int(LocationFault::None);
    QTest::newRow("one missing") << true << "gone" << true << "B"
                                 << int(LocationFault::PathMissing);
    QTest::newRow("two missing") << true << "A" << true << "gone"
                                 << int(LocationFault::Path2Missing);
    QTest::newRow("unticked missing is fine")
        << false << "gone" << false << "gone" << int(LocationFault::None);
    QTest::newRow("same twice") << true << "A" << true << "A" << int(LocationFault::SamePaths);
    QTest::newRow("same twice, one unticked")
        << true << "A" << false << "A" << int(LocationFault::None);
}

void TestArchive::locationFaults() {
    QFETCH(bool, use1);
    QFETCH(QString, path1);
    QFETCH(bool, use2);
    QFETCH(QString, path2);
    QFETCH(int, fault);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("A");
    QDir(dir.path()).mkdir("B");
    QCOMPARE(int(checkBackupLocations(use1, dir.filePath(path1), use2, dir.filePath(path2))),
             fault);
}

void TestArchive::archiveOpensWithUnzip() {
    TempDatabase temp;
    addDrugs(temp.db(), 50, 20000);
    TBackupFile archive;
    const QString file = temp.filePath("manual.mbf");
    QVERIFY(packDataFile(temp.db(), archive, file));

    int code = -1;
    const QString listing = run("unzip", {"-Z1", file}, &code);
    QCOMPARE(code, 0);
    QCOMPARE(listing, QStringLiteral("Dosarix.tvr\n"));
    QVERIFY(run("unzip", {"-v", file}).contains("Defl"));

    QTemporaryDir out;
    run("unzip", {"-q", file, "-d", out.path()}, &code);
    QCOMPARE(code, 0);
    QString why;
    QVERIFY2(isSoundDataFile(out.filePath("Dosarix.tvr"), &why), qPrintable(why));
    QCOMPARE(drugCount(out.filePath("Dosarix.tvr")), 50);
    // No copy is left behind in the database directory.
    QCOMPARE(QDir(temp.dir()).entryList({".Dosarix*"}, QDir::Files | QDir::Hidden), QStringList());
}

void TestArchive::progressRunsToHundred() {
    QTemporaryDir dir;
    writeFile(dir.filePath("data"), randomText(5 << 20));
    QList<int> seen;
    TBackupFile archive;
    archive.onProgress = [&](int p) { seen << p; };
    QVERIFY(archive.pack(dir.filePath("data"), "data", dir.filePath("a.mbf")));
    QVERIFY(seen.size() >= 3);
    QCOMPARE(seen.first(), 0);
    QCOMPARE(seen.last(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));

    seen.clear();
    QVERIFY(archive.extract(dir.filePath("a.mbf"), "data", dir.filePath("back")));
    QCOMPARE(seen.last(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
}

void TestArchive::splitsIntoVolumesAndReadsThemBack_data() {
    QTest::addColumn<qint64>("maxSize");
    QTest::newRow("odd size") << qint64(33333);
    QTest::newRow("one block") << qint64(65536);
    QTest::newRow("tiny") << qint64(4000);
}

void TestArchive::splitsIntoVolumesAndReadsThemBack() {
    QFETCH(qint64, maxSize);
    QTemporaryDir dir;
    const QByteArray data = randomText(200000);
    writeFile(dir.filePath("Dosarix.tvr"), data);
    TBackupFile archive;
    archive.MaxSize = maxSize;
    QList<int> asked;
    archive.onNeedDisk = [&](int volume) {
        asked << volume;
        return true;
    };
    const QString file = dir.filePath("split.mbf");
    QVERIFY2(archive.pack(dir.filePath("Dosarix.tvr"), "Dosarix.tvr", file),
             qPrintable(archive.errorText()));

    QVERIFY(!asked.isEmpty());
    qint64 total = QFileInfo(file).size();
    QCOMPARE(QFileInfo(file).size(), maxSize);
    for (int i = 0; i < asked.size(); ++i) {
        QCOMPARE(asked[i], i + 2);
        const QFileInfo volume(volumeFileName(dir.filePath("split."), i + 2));
        QVERIFY2(volume.isFile(), qPrintable(volume.filePath()));
        QVERIFY(volume.size() <= maxSize && volume.size() > 0);
        total += volume.size();
    }
    QVERIFY(!QFileInfo::exists(volumeFileName(dir.filePath("split."), asked.size() + 2)));
    // Roughly the size of the data: hex text deflates to a bit over half.
    QVERIFY(total > data.size() / 2 && total < data.size());

    QVERIFY2(archive.extract(file, "Dosarix.tvr", dir.filePath("back")),
             qPrintable(archive.errorText()));
    QCOMPARE(fileBytes(dir.filePath("back")), data);

    // A volume that went missing makes the archive unreadable.
    QFile::remove(volumeFileName(dir.filePath("split."), 2));
    QVERIFY(!archive.extract(file, "Dosarix.tvr", dir.filePath("back2")));
}

void TestArchive::refusedVolumeKeepsPreviousArchive() {
    QTemporaryDir dir;
    writeFile(dir.filePath("data"), randomText(200000));
    const QString file = dir.filePath("keep.mbf");
    writeFile(file, "previous backup");
    TBackupFile archive;
    archive.MaxSize = 30000;
    archive.onNeedDisk = [](int) { return false; };
    QVERIFY(!archive.pack(dir.filePath("data"), "data", file));
    // The first volume was complete and is in place; nothing half-written is left behind.
    QCOMPARE(QDir(dir.path()).entryList({"keep.mbf.*"}, QDir::Files), QStringList());

    // A write that fails before the first volume is complete keeps the old file.
    writeFile(file, "previous backup");
    archive.MaxSize = 0;
    QVERIFY(!archive.pack(dir.filePath("data"), "data", file));
    QCOMPARE(fileBytes(file), QByteArray("previous backup"));
    QVERIFY(!archive.pack(dir.filePath("missing"), "data", file));
    QCOMPARE(fileBytes(file), QByteArray("previous backup"));
    QCOMPARE(QDir(dir.path()).entryList({"keep.mbf.*"}, QDir::Files), QStringList());
}

void TestArchive::restoreReplacesDataFile() {
    TempDatabase temp;
    addDrugs(temp.db(), 10, 2000);
    TBackupFile archive;
    const QString file = temp.filePath("Dosarix0.mbf");
    QVERIFY(packDataFile(temp.db(), archive, file));
    addDrugs(temp.db(), 5, 200, 9);
    const QString dataFile = QString::fromStdString(temp.db().dataFile());
    temp.db().close();
    QCOMPARE(drugCount(dataFile), 15);
    // A journal from an interrupted write must not be played back into the restored file.
    writeFile(dataFile + "-journal", randomText(4096));

    QVERIFY(restoreDataFile(archive, file, dataFile));
    QCOMPARE(drugCount(dataFile), 10);
    QVERIFY(!QFileInfo::exists(dataFile + "-journal"));
    QVERIFY(isSoundDataFile(dataFile));
    QCOMPARE(QDir(temp.dir()).entryList({".Dosarix*"}, QDir::Files | QDir::Hidden), QStringList());
}

void TestArchive::badArchiveLeavesDataFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("truncated archive") << "truncated";
    QTest::newRow("zip of another file") << "other";
    QTest::newRow("not a zip") << "garbage";
    QTest::newRow("Dosarix.tvr that is not a database") << "text";
    QTest::newRow("database of another program") << "foreign";
    QTest::newRow("corrupted data file") << "corrupt";
}

void TestArchive::badArchiveLeavesDataFile() {
    QFETCH(QString, kind);
    TempDatabase temp;
    addDrugs(temp.db(), 20, 40000);
    const QString dataFile = QString::fromStdString(temp.db().dataFile());
    TBackupFile archive;
    const QString file = temp.filePath("bad.mbf");
    QTemporaryDir work;
    auto zipAs = [&](const QString& name, const QByteArray& content) {
        writeFile(work.filePath(name), content);
        QFile::remove(file);
        int code = -1;
        QProcess zip;
        zip.setWorkingDirectory(work.path());
        zip.start("zip", {"-q", "-1", file, name});
        QVERIFY(zip.waitForFinished());
        code = zip.exitCode();
        QCOMPARE(code, 0);
    };
    if (kind == "truncated") {
        QVERIFY(packDataFile(temp.db(), archive, file));
        const QByteArray whole = fileBytes(file);
        writeFile(file, whole.left(whole.size() / 2));
    } else if (kind == "other") {
        zipAs("notes.txt", "not a data file");
    } else if (kind == "garbage") {
        writeFile(file, randomText(10000));
    } else if (kind == "text") {
        zipAs("Dosarix.tvr", randomText(10000));
    } else if (kind == "foreign") {
        sqlite3* other = nullptr;
        sqlite3_open(QFile::encodeName(work.filePath("Dosarix.tvr")).constData(), &other);
        sqlite3_exec(other, "CREATE TABLE t(x); INSERT INTO t VALUES(1)", nullptr, nullptr,
                     nullptr);
        sqlite3_close(other);
        zipAs("Dosarix.tvr", fileBytes(work.filePath("Dosarix.tvr")));
    } else if (kind == "corrupt") {
        QVERIFY(QFile::copy(dataFile, work.filePath("Dosarix.tvr")));
        QFile f(work.filePath("Dosarix.tvr"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        // Overwrite pages in the middle of the file, past the schema page.
        f.seek(f.size() / 2);
        f.write(QByteArray(8192, '\x5a'));
        f.close();
        zipAs("Dosarix.tvr", fileBytes(work.filePath("Dosarix.tvr")));
    }
    temp.db().close();
    const QByteArray before = fileBytes(dataFile);
    QVERIFY(!before.isEmpty());

    QVERIFY(!restoreDataFile(archive, file, dataFile));
    QCOMPARE(fileBytes(dataFile), before);
    QCOMPARE(QDir(temp.dir()).entryList({".Dosarix*"}, QDir::Files | QDir::Hidden), QStringList());
}

// The child writes an automatic backup over Dosarix0.mbf slowly; the parent kills it with
// SIGKILL in the middle of writing.
void TestArchive::killedBackupKeepsOldSlotFile() {
    TempDatabase temp;
    addDrugs(temp.db(), 40, 8 << 20);
    TBackupFile archive;
    const QString slot = automaticBackupFile(temp.dir(), "Dosarix", 0, false);
    QVERIFY(packDataFile(temp.db(), archive, slot));
    const QByteArray old = fileBytes(slot);
    addDrugs(temp.db(), 5, 5000, 11);

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--slow-backup", temp.dir(), slot});
    QVERIFY(child.waitForStarted());
    // Wait for the new archive to be half-written beside the old one.
    QElapsedTimer timer;
    timer.start();
    bool writing = false;
    while (!writing && timer.elapsed() < 20000 && child.state() == QProcess::Running) {
        for (const QFileInfo& f : QDir(temp.dir()).entryInfoList({"Dosarix0.mbf.*"}, QDir::Files))
            writing = writing || f.size() > 100000;
        if (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    QVERIFY2(writing, "the child never started writing");
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QCOMPARE(fileBytes(slot), old);
    QVERIFY(archive.extract(slot, "Dosarix.tvr", temp.filePath("check.tvr")));
    QVERIFY(isSoundDataFile(temp.filePath("check.tvr")));
    QCOMPARE(drugCount(temp.filePath("check.tvr")), 40);

    // The next backup clears away the copy the killed one left in the database directory.
    QVERIFY(packDataFile(temp.db(), archive, slot));
    QCOMPARE(QDir(temp.dir()).entryList({".Dosarix*"}, QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(archive.extract(slot, "Dosarix.tvr", temp.filePath("check.tvr")));
    QCOMPARE(drugCount(temp.filePath("check.tvr")), 45);
}

// The child of killedBackupKeepsOldSlotFile: backs the database in dir up into file, slowly.
static int slowBackup(const QString& dir, const QString& file) {
    QDir::setCurrent(dir);
    tavroDatabase db;
    if (!db.open())
        return 2;
    TBackupFile archive;
    archive.onProgress = [](int) { std::this_thread::sleep_for(std::chrono::milliseconds(300)); };
    return packDataFile(db, archive, file) ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--slow-backup") == 0) {
        QCoreApplication app(argc, argv);
        return slowBackup(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QApplication app(argc, argv);
    dosarixTestSetup(app);
    TestArchive tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_archive.moc"
