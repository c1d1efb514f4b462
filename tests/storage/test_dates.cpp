#include "storage/buffer.h"
#include "storage/datetime.h"
#include "tests/support/testsupport.h"

#include <QRegularExpression>
#include <cstring>

class TestDates : public QObject {
    Q_OBJECT
private slots:
    void arenaGrowth();
    void arenaEmptyAndReset();
    void setTimeText_data();
    void setTimeText();
    void timeTextWithoutDate();
    void stampAfter2038();
    void dateTextHasFourDigitYear_data();
    void dateTextHasFourDigitYear();
    void dateTextParsesBack();
    void calendarReal_data();
    void calendarReal();
};

void TestDates::arenaGrowth() {
    tavroBuffer arena;
    const std::string long600(600, 'x');
    const char* first = arena.store(long600.c_str());
    QCOMPARE(arena.blockCount(), std::size_t(2));
    QCOMPARE(arena.blockSize(1), std::size_t(602));
    QCOMPARE(first, arena.blockData(1));
    QCOMPARE(std::strlen(first), std::size_t(600));

    // One byte is left in the second block: the next text goes to the same offset of a third.
    const char* second = arena.store("abc");
    QCOMPARE(arena.blockCount(), std::size_t(3));
    QCOMPARE(arena.blockSize(2), std::size_t(606));
    QCOMPARE(second, arena.blockData(2) + 601);
    QCOMPARE(QByteArray(second), QByteArray("abc"));
    QCOMPARE(QByteArray(first), QByteArray(long600.c_str())); // earlier texts stay valid
}

void TestDates::arenaEmptyAndReset() {
    tavroBuffer arena;
    QCOMPARE(arena.store(""), tavroBuffer::emptyString());
    QCOMPARE(arena.store(nullptr), tavroBuffer::emptyString());
    QCOMPARE(arena.offset(), std::size_t(0));

    arena.store("hello");
    arena.store(std::string(700, 'y').c_str());
    QVERIFY(arena.currentBlockIndex() > 0);
    arena.reset();
    const char* again = arena.store("fits");
    QCOMPARE(again, arena.blockData(0));
    QCOMPARE(arena.currentBlockIndex(), std::size_t(0));
}

void TestDates::setTimeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::newRow("23:59 keeps 59 seconds") << "23:59" << true << 23 << 59 << 59;
    QTest::newRow("08:30") << "08:30" << true << 8 << 30 << 0;
    QTest::newRow("00:00") << "00:00" << true << 0 << 0 << 0;
    QTest::newRow("8:30 no colon third") << "8:30" << false << 10 << 15 << 20;
    QTest::newRow("ab:cd") << "ab:cd" << false << 10 << 15 << 20;
    QTest::newRow("empty") << "" << false << 10 << 15 << 20;
    QTest::newRow("25:00 out of range") << "25:00" << false << 10 << 15 << 20;
}

void TestDates::setTimeText() {
    QFETCH(QString, text);
    QFETCH(bool, applied);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    dbDateTime value(2024, 2, 29, 10, 15, 20);
    QCOMPARE(::setTimeText(text, value), applied);
    QCOMPARE(value.year(), 2024);
    QCOMPARE(value.month(), 2);
    QCOMPARE(value.day(), 29);
    QCOMPARE(value.hour(), hour);
    QCOMPARE(value.minute(), minute);
    QCOMPARE(value.second(), second);
}

void TestDates::timeTextWithoutDate() {
    QCOMPARE(timeText(dbDateTime()), QStringLiteral("00:00"));
    QCOMPARE(timeText(dbDateTime(2020, 1, 2, 7, 5)), QStringLiteral("07:05"));
    // A value without a date takes today first.
    dbDateTime none;
    QVERIFY(::setTimeText(QStringLiteral("06:45"), none));
    QCOMPARE(none.year(), todayStamp().year());
    QCOMPARE(none.dayOfYear(), todayStamp().dayOfYear());
    QCOMPARE(timeText(none), QStringLiteral("06:45"));
}

void TestDates::stampAfter2038() {
    const dbDateTime late(2045, 7, 1, 9, 30, 0);
    QVERIFY(late.stamp > 2147483647LL);
    const QDateTime back = toTDateTime(late);
    QCOMPARE(back.date(), QDate(2045, 7, 1));
    QCOMPARE(back.time(), QTime(9, 30));
    QCOMPARE(toDbDateTime(back), late);
    QCOMPARE(late.dayOfWeek(), 7); // a Saturday
}

void TestDates::dateTextHasFourDigitYear_data() {
    QTest::addColumn<QDate>("date");
    QTest::newRow("1935") << QDate(1935, 3, 4);
    QTest::newRow("2003") << QDate(2003, 12, 31);
    QTest::newRow("2045") << QDate(2045, 1, 9);
}

void TestDates::dateTextHasFourDigitYear() {
    QFETCH(QDate, date);
    const QString text = dateText(date);
    QVERIFY2(text.contains(QString::number(date.year())), qPrintable(text));
    QCOMPARE(dateText(toDbDateTime(QDateTime(date, QTime(12, 0)))), text);
}

void TestDates::dateTextParsesBack() {
    const QDate date(1935, 3, 4);
    const auto parsed = parseDateTimeText(dateText(date));
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->date(), date);
    QVERIFY(!parseDateTimeText(QStringLiteral("abc")).has_value());
    QVERIFY(!parseDateTimeText(QString()).has_value());
}

void TestDates::calendarReal_data() {
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<double>("real");
    QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
    QTest::newRow("2003-03-04") << QDateTime(QDate(2003, 3, 4), QTime(0, 0)) << 37684.0;
    QTest::newRow("noon") << QDateTime(QDate(2003, 3, 4), QTime(12, 0)) << 37684.5;
}

void TestDates::calendarReal() {
    QFETCH(QDateTime, value);
    QFETCH(double, real);
    QCOMPARE(toCalendarReal(value), real);
    QCOMPARE(fromCalendarReal(real), value);
    QCOMPARE(tavroTDateTime(real).year(), value.date().year());
    QCOMPARE(tavroTDateTime(real).dayOfWeek(), value.date().dayOfWeek() % 7 + 1);
}

DOSARIX_TEST_MAIN(TestDates)
#include "test_dates.moc"
