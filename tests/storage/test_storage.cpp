#include "storage/storage.h"
#include "tests/support/testsupport.h"

#include <QProcess>
#include <sqlite3.h>

namespace {

// Runs SQL on a data file outside the program, as an older version of it would have left it.
void rawSql(const QString& file, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

dbReference<Patient> addPatient(const char* sid, const char* name, bool left = false,
                                const char* tel = "", const char* mobile = "") {
    Patient p;
    p.sid = sid;
    p.chiName = name;
    p.isLeave = left;
    p.tel = tel;
    p.mobile = mobile;
    return insert(p);
}

dbReference<Drug> addDrug(const char* name) {
    Drug d;
    d.name = name;
    return insert(d);
}

QStringList names(tavroCursor<Patient>& c, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) {
        out << QString::fromUtf8(c->chiName);
        c.next();
    }
    return out;
}

QStringList drugNames(const dbQuery& q) {
    tavroCursor<Drug> c;
    QStringList out;
    if (c.select(q) > 0) {
        do
            out << QString::fromUtf8(c->name);
        while (c.next());
    }
    return out;
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void reconcilesStoredTable();
    void refusesDroppingColumnsUnlessPermitted();
    void refusesTextColumnTurnedNumber();
    void roundTripsEveryFieldType();
    void literalSearch_data();
    void literalSearch();
    void prefixSearchInNameOrder();
    void strokeOrderAndBedOrder();
    void phoneBoxSearchesBothNumbers();
    void rollbackAndVisibility();
    void objectIdsNeverReused();
    void cursorErrors();
    void referenceChecksAreSingleQueries();
    void selectionSurvivesRemoveWhileWalking();
    void refusesNetworkAndReadOnlyFolders_data();
    void refusesNetworkAndReadOnlyFolders();
    void userCountSeesSecondProcess();
    void dataFileIsWholeAfterCommit();
};

void TestStorage::reconcilesStoredTable() {
    TempDatabase temp(false);
    // A Patient table from an older program: no "mobile" column, an extra "fax" column.
    QStringList cols;
    for (const ColumnInfo& c : Patient::descriptor().columns())
        if (c.name != "mobile")
            cols << QString::fromStdString('"' + c.name + '"');
    rawSql(
        temp.filePath("Dosarix.tvr"),
        "CREATE TABLE Patient (_id INTEGER PRIMARY KEY AUTOINCREMENT, " + cols.join(", ") +
            ", fax TEXT);"
            "INSERT INTO Patient (id, chiName, sid, tel, takes, regDate, birthDate, sex, "
            "isLeave, fax, engName, hkid, address, contactPerson, contactTel, remark) VALUES "
            "(7, '陳大文', '12', '2345', '[3,1]', 5, 37684.0, 1, 0, 'x', '', '', '', '', '', '');");
    temp.db().setPermitColumnDeletion(true);
    QVERIFY(temp.db().open());

    tavroCursor<Patient> c;
    QCOMPARE(c.select(), 1);
    QCOMPARE(c->id, 7);
    QCOMPARE(QString::fromUtf8(c->chiName), QStringLiteral("陳大文"));
    QCOMPARE(QByteArray(c->mobile), QByteArray(""));
    QCOMPARE(c->takes.length(), std::size_t(2));
    QCOMPARE(c->takes[0].oid, oid_t(3));
    QVERIFY(c->sex);

    dbStatement info(temp.db(),
                     "SELECT COUNT(*) FROM pragma_table_info('Patient') WHERE name='fax'");
    QVERIFY(info.step());
    QCOMPARE(sqlite3_column_int(info.get(), 0), 0);
}

void TestStorage::refusesDroppingColumnsUnlessPermitted() {
    TempDatabase temp(false);
    rawSql(temp.filePath("Dosarix.tvr"),
           "CREATE TABLE ColWidth (_id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER, col "
           "INTEGER, width INTEGER, old TEXT); INSERT INTO ColWidth VALUES (1, 0, 1, 80, 'a');");
    QVERIFY(!temp.db().open());
    QVERIFY(!temp.db().isOpen());
    temp.db().setPermitColumnDeletion(true);
    QVERIFY(temp.db().open());
    tavroCursor<ColWidth> c;
    QCOMPARE(c.select(), 1);
    QCOMPARE(c->width, std::int16_t(80));
}

void TestStorage::refusesTextColumnTurnedNumber() {
    TempDatabase temp(false);
    rawSql(temp.filePath("Dosarix.tvr"),
           "CREATE TABLE AboutConfig (_id INTEGER PRIMARY KEY AUTOINCREMENT, regName INTEGER, "
           "version INTEGER)");
    QVERIFY(!temp.db().open());
}

void TestStorage::roundTripsEveryFieldType() {
    TempDatabase temp;
    BackupRecord b;
    b.lastBackupDate = dbDateTime(2050, 6, 1, 23, 59, 59);
    b.everyday = true;
    b.lastBackup = 126;
    b.totalBackup = 127;
    b.path = "/媒體/備份 1";
    b.hour = -3;
    insert(b);
    LabelSetup l;
    l.width = 101.6f;
    insert(l);
    temp.db().commit();

    tavroCursor<BackupRecord> c;
    QCOMPARE(c.select(), 1);
    QCOMPARE(c->lastBackupDate, b.lastBackupDate);
    QVERIFY(c->everyday);
    QVERIFY(!c->everytime);
    QCOMPARE(c->lastBackup, std::int8_t(126));
    QCOMPARE(c->totalBackup, std::int8_t(127));
    QCOMPARE(QString::fromUtf8(c->path), QStringLiteral("/媒體/備份 1"));
    QCOMPARE(c->hour, std::int8_t(-3));
    tavroCursor<LabelSetup> lc;
    QCOMPARE(lc.select(), 1);
    QCOMPARE(lc->width, 101.6f);
}

void TestStorage::literalSearch_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("quote") << "O'" << QStringList{"O'BRIEN"};
    QTest::newRow("percent") << "50%" << QStringList{"50% OFF"};
    QTest::newRow("underscore") << "A_B" << QStringList{"A_B"};
    QTest::newRow("backslash") << "C\\D" << QStringList{"C\\D"};
    QTest::newRow("case-sensitive") << "abc" << QStringList{};
    QTest::newRow("upper") << "ABC" << QStringList{"ABC"};
}

void TestStorage::literalSearch() {
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    TempDatabase temp;
    for (const char* n :
         {"O'BRIEN", "OBRIEN", "50% OFF", "500 OFF", "A_B", "AXB", "C\\D", "CD", "ABC"})
        addDrug(n);
    dbQuery q;
    q.contains("name", text).orderBy("name");
    QCOMPARE(drugNames(q), found);
}

void TestStorage::prefixSearchInNameOrder() {
    TempDatabase temp;
    for (const char* n : {"PANADOL", "ASPIRIN", "PARACETAMOL", "APANA", "PA_X", "pan"})
        addDrug(n);
    dbQuery q;
    q.startsWith("name", QStringLiteral("PA")).orderBy("name");
    QCOMPARE(drugNames(q), (QStringList{"PANADOL", "PARACETAMOL", "PA_X"}));
    dbQuery exact;
    exact.startsWith("name", QStringLiteral("PA_")).orderBy("name");
    QCOMPARE(drugNames(exact), QStringList{"PA_X"});
}

void TestStorage::strokeOrderAndBedOrder() {
    TempDatabase temp;
    const QStringList expected = {"王", "何", "吳", "李", "林", "張", "陳", "黃"};
    const char* beds[] = {"9", "10", "2", "1", "11", "3", "8", "20"};
    int i = 0;
    for (const char* name : {"黃", "陳", "李", "王", "林", "吳", "張", "何"})
        addPatient(beds[i++], name);

    tavroCursor<Patient> c;
    dbQuery byName;
    byName.orderBy("chiName");
    QCOMPARE(c.select(byName), 8);
    QCOMPARE(names(c, 8), expected);

    dbQuery byBed;
    byBed.orderBy("sid");
    QCOMPARE(c.select(byBed), 8);
    QStringList bedsSeen;
    do
        bedsSeen << QString::fromUtf8(c->sid);
    while (c.next());
    QCOMPARE(bedsSeen, (QStringList{"1", "10", "11", "2", "20", "3", "8", "9"}));
}

void TestStorage::phoneBoxSearchesBothNumbers() {
    TempDatabase temp;
    addPatient("1", "甲", false, "23456789", "");
    addPatient("2", "乙", false, "", "91234567");
    addPatient("3", "丙", true, "", "91234500");
    dbQuery q;
    q.equals("isLeave", false)
        .containsInAny({"tel", "mobile"}, QStringLiteral("345"))
        .orderBy("sid");
    tavroCursor<Patient> c;
    QCOMPARE(c.select(q), 2);
    QCOMPARE(names(c, 2), (QStringList{"甲", "乙"}));
}

void TestStorage::rollbackAndVisibility() {
    TempDatabase temp;
    const auto kept = addDrug("KEPT");
    const auto removed = addDrug("REMOVED");
    temp.db().commit();

    const auto added = addDrug("ADDED");
    {
        tavroCursor<Drug> c(dbCursorForUpdate);
        c.at(kept);
        c->name = "CHANGED";
        c.update();
        c.at(removed);
        c.remove();
    }
    // The same connection sees its own uncommitted work.
    QCOMPARE(drugNames(dbQuery().orderBy("name")), (QStringList{"ADDED", "CHANGED"}));

    temp.db().rollback();
    QCOMPARE(drugNames(dbQuery().orderBy("name")), (QStringList{"KEPT", "REMOVED"}));
    tavroCursor<Drug> c;
    QVERIFY_THROWS_EXCEPTION(dbException, c.at(added));
}

void TestStorage::objectIdsNeverReused() {
    TempDatabase temp;
    const auto first = addDrug("A");
    const auto second = addDrug("B");
    {
        tavroCursor<Drug> c(dbCursorForUpdate);
        c.at(second);
        c.remove();
    }
    temp.db().commit();
    const auto third = addDrug("C");
    QVERIFY(third.oid > second.oid);
    QVERIFY(first.oid < second.oid);
    // A stale reference to the removed record reaches nothing.
    tavroCursor<Drug> c;
    QVERIFY_THROWS_EXCEPTION(dbException, c.at(second));
}

void TestStorage::cursorErrors() {
    TempDatabase temp;
    tavroCursor<Drug> c;
    QCOMPARE(c.select(), 0);
    QVERIFY_THROWS_EXCEPTION(dbException, c.get());
    QVERIFY_THROWS_EXCEPTION(dbException, c.currentId());

    addDrug("X");
    QCOMPARE(c.select(), 1);
    QVERIFY(!c.next());
    QVERIFY_THROWS_EXCEPTION(dbException, c.get());

    QCOMPARE(c.select(), 1);
    QVERIFY_THROWS_EXCEPTION(dbException, c.update()); // view-only

    dbArray<Drug> a;
    a.append(dbReference<Drug>(5));
    QCOMPARE(a[0].oid, oid_t(5));
    QVERIFY_THROWS_EXCEPTION(dbException, a[1]);
    QVERIFY_THROWS_EXCEPTION(dbException, a.remove(1));

    // A condition the program wrote wrongly is a fault of the program, reported as such.
    dbQuery broken("name = = ?", {"X"});
    QVERIFY_THROWS_EXCEPTION(dbException, c.select(broken));
}

void TestStorage::referenceChecksAreSingleQueries() {
    TempDatabase temp;
    const auto used = addDrug("USED");
    const auto unused = addDrug("UNUSED");
    DrugTake take;
    take.drug = used;
    const auto line = insert(take);
    Patient p;
    p.sid = "1";
    p.takes.append(line);
    insert(p);
    Ill ill;
    ill.drugs.append(unused);
    ill.drugs.append(used);
    insert(ill);

    auto count = [](auto table, dbQuery q) {
        tavroCursor<decltype(table)> c;
        return c.select(q);
    };
    QCOMPARE(count(Patient(), dbQuery().arrayElementHas("takes", "DrugTake", "drug", used)), 1);
    QCOMPARE(count(Patient(), dbQuery().arrayElementHas("takes", "DrugTake", "drug", unused)), 0);
    QCOMPARE(count(Ill(), dbQuery().arrayHas("drugs", unused)), 1);
    QCOMPARE(count(Ill(), dbQuery().arrayHas("drugs", dbReference<Drug>(999))), 0);
    QCOMPARE(count(Checking(), dbQuery().arrayElementHas("drugTakes", "DrugTake", "drug", used)),
             0);
}

void TestStorage::selectionSurvivesRemoveWhileWalking() {
    TempDatabase temp;
    for (const char* n : {"A", "B", "C", "D"})
        addDrug(n);
    tavroCursor<Drug> c(dbCursorForUpdate);
    QCOMPARE(c.select(dbQuery().orderBy("name")), 4);
    c.next(); // B
    c.remove();
    QCOMPARE(QByteArray(c->name), QByteArray("C"));
    QCOMPARE(drugNames(dbQuery().orderBy("name")), (QStringList{"A", "C", "D"}));
}

void TestStorage::refusesNetworkAndReadOnlyFolders_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("network share") << int(FileSystemKind::Network);
    QTest::newRow("read-only media") << int(FileSystemKind::ReadOnly);
}

void TestStorage::refusesNetworkAndReadOnlyFolders() {
    QFETCH(int, kind);
    TempDatabase temp(false);
    QString probed;
    auto previous = tavroDatabase::setFileSystemProbe([&](const std::string& dir) {
        probed = QString::fromStdString(dir);
        return static_cast<FileSystemKind>(kind);
    });
    const bool opened = temp.db().open();
    tavroDatabase::setFileSystemProbe(previous);
    QVERIFY(!opened);
    QCOMPARE(QDir(probed).canonicalPath(), QDir(temp.dir()).canonicalPath());
    QVERIFY(!QFile::exists(temp.filePath("Dosarix.tvr")));
}

void TestStorage::userCountSeesSecondProcess() {
    TempDatabase temp;
    QCOMPARE(temp.db().userCount(), 1);
    QProcess other;
    other.setWorkingDirectory(temp.dir());
    other.start(QCoreApplication::applicationFilePath(), {"--hold-database"});
    QVERIFY(other.waitForReadyRead(10000));
    QCOMPARE(other.readLine().trimmed(), QByteArray("open 2"));
    QCOMPARE(temp.db().userCount(), 2);
    other.closeWriteChannel(); // lets it close and exit
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(temp.db().userCount(), 1);
}

void TestStorage::dataFileIsWholeAfterCommit() {
    TempDatabase temp;
    addDrug("COMMITTED");
    temp.db().commit();
    addDrug("PENDING");
    // Another reader of the file (a copy made by hand) sees exactly the committed data.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open_v2(temp.filePath("Dosarix.tvr").toUtf8().constData(), &other,
                             SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    QCOMPARE(sqlite3_prepare_v2(other, "SELECT name FROM Drug", -1, &count, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(count), SQLITE_ROW);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(count, 0))),
             QByteArray("COMMITTED"));
    QCOMPARE(sqlite3_step(count), SQLITE_DONE);
    sqlite3_finalize(count);
    sqlite3_close(other);
    QVERIFY(!QFile::exists(temp.filePath("Dosarix.tvr-wal")));
    temp.db().commit();
    QVERIFY(!QFile::exists(temp.filePath("Dosarix.tvr-journal")));
}

int main(int argc, char** argv) {
    // Child mode for the instance count test: hold the database until stdin closes.
    if (argc == 2 && QByteArray(argv[1]) == "--hold-database") {
        QCoreApplication app(argc, argv);
        tavroDatabase db;
        if (!db.open())
            return 1;
        std::printf("open %d\n", db.userCount());
        std::fflush(stdout);
        char buffer[16];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        return 0;
    }
    QApplication app(argc, argv);
    dosarixTestSetup(app);
    TestStorage tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "test_storage.moc"
