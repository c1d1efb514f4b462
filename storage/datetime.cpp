#include "storage/datetime.h"

#include <QLocale>
#include <QTimeZone>
#include <cmath>
#include <ctime>

namespace {

std::tm localParts(std::int64_t stamp) {
    std::time_t t = static_cast<std::time_t>(stamp);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

std::int64_t makeLocal(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&parts));
}

const QDate calendarEpoch(1899, 12, 30);

} // namespace

dbDateTime::dbDateTime(int year, int month, int day, int hour, int minute, int second)
    : stamp(makeLocal(year, month, day, hour, minute, second)) {}

int dbDateTime::year() const {
    return localParts(stamp).tm_year + 1900;
}
int dbDateTime::month() const {
    return localParts(stamp).tm_mon + 1;
}
int dbDateTime::day() const {
    return localParts(stamp).tm_mday;
}
int dbDateTime::dayOfYear() const {
    return localParts(stamp).tm_yday + 1;
}
int dbDateTime::dayOfWeek() const {
    return localParts(stamp).tm_wday + 1;
}
int dbDateTime::hour() const {
    return localParts(stamp).tm_hour;
}
int dbDateTime::minute() const {
    return localParts(stamp).tm_min;
}
int dbDateTime::second() const {
    return localParts(stamp).tm_sec;
}

QDateTime tavroTDateTime::toQDateTime() const {
    return fromCalendarReal(stamp);
}
int tavroTDateTime::year() const {
    return toQDateTime().date().year();
}
int tavroTDateTime::month() const {
    return toQDateTime().date().month();
}
int tavroTDateTime::day() const {
    return toQDateTime().date().day();
}
int tavroTDateTime::dayOfYear() const {
    return toQDateTime().date().dayOfYear();
}
int tavroTDateTime::dayOfWeek() const {
    return toQDateTime().date().dayOfWeek() % 7 + 1;
}
int tavroTDateTime::hour() const {
    return toQDateTime().time().hour();
}
int tavroTDateTime::minute() const {
    return toQDateTime().time().minute();
}
int tavroTDateTime::second() const {
    return toQDateTime().time().second();
}

dbDateTime nowStamp() {
    return dbDateTime(static_cast<std::int64_t>(std::time(nullptr)));
}

dbDateTime todayStamp() {
    std::tm parts = localParts(std::time(nullptr));
    return dbDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

dbDateTime toDbDateTime(const QDateTime& value) {
    if (!value.isValid())
        return dbDateTime();
    const QDate d = value.date();
    const QTime t = value.time();
    return dbDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

QDateTime toTDateTime(const dbDateTime& value) {
    std::tm parts = localParts(value.stamp);
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec));
}

double toCalendarReal(const QDateTime& value) {
    if (!value.isValid())
        return -1.0;
    const double days = static_cast<double>(calendarEpoch.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
    return days + fraction;
}

QDateTime fromCalendarReal(double days) {
    const double whole = std::floor(days);
    const QDate date = calendarEpoch.addDays(static_cast<qint64>(whole));
    const int msecs = static_cast<int>(std::llround((days - whole) * 86400000.0));
    // Whole seconds only: the fraction of a stored day never carries milliseconds.
    const int secs = std::min(86399, (msecs + 500) / 1000);
    return QDateTime(date, QTime(0, 0).addSecs(secs));
}

QString shortDateFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
        // A two-digit year would move a birth date by a century on the way back in.
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        if (!format.contains(QLatin1String("yyyy")))
            format.replace(QLatin1Char('y'), QLatin1String("yyyy"));
    }
    return format;
}

QString dateText(const QDate& date) {
    return QLocale::system().toString(date, shortDateFormat());
}

QString dateText(const dbDateTime& value) {
    return dateText(toTDateTime(value).date());
}

std::optional<QDateTime> parseDateTimeText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QLocale locale = QLocale::system();
    const QString dateFormat = shortDateFormat();
    const QStringList timeFormats = {QString(), QStringLiteral(" HH:mm:ss"),
                                     QStringLiteral(" H:mm:ss"), QStringLiteral(" HH:mm"),
                                     QStringLiteral(" H:mm")};
    const QStringList dateFormats = {dateFormat, locale.dateFormat(QLocale::ShortFormat),
                                     QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy/M/d"),
                                     QStringLiteral("d/M/yyyy")};
    for (const QString& df : dateFormats) {
        for (const QString& tf : timeFormats) {
            QDateTime value = locale.toDateTime(trimmed, df + tf);
            if (!value.isValid())
                value = QDateTime::fromString(trimmed, df + tf);
            if (value.isValid())
                return value;
        }
    }
    return std::nullopt;
}

QString timeText(const dbDateTime& value) {
    if (value.stamp < 0)
        return QStringLiteral("00:00");
    std::tm parts = localParts(value.stamp);
    return QStringLiteral("%1:%2")
        .arg(parts.tm_hour, 2, 10, QLatin1Char('0'))
        .arg(parts.tm_min, 2, 10, QLatin1Char('0'));
}

bool setTimeText(const QString& text, dbDateTime& value) {
    if (text.size() < 5 || text.at(2) != QLatin1Char(':'))
        return false;
    auto digit = [&](int i) { return text.at(i).isDigit() && text.at(i).unicode() < 128; };
    if (!digit(0) || !digit(1) || !digit(3) || !digit(4))
        return false;
    const int hour = text.left(2).toInt();
    const int minute = text.mid(3, 2).toInt();
    // 25:70 would silently roll the backup time into another day.
    if (hour > 23 || minute > 59)
        return false;
    if (value.stamp < 0)
        value = nowStamp();
    std::tm parts = localParts(value.stamp);
    value = dbDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, hour, minute,
                       minute == 59 ? 59 : 0);
    return true;
}
