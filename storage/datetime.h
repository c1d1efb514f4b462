#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// A moment as seconds since 1970-01-01 00:00 UTC, built from local calendar time the way
// mktime does. -1 means "no date". Stored as a 64-bit integer.
struct dbDateTime {
    std::int64_t stamp = -1;

    dbDateTime() = default;
    explicit dbDateTime(std::int64_t s) : stamp(s) {}
    // Local calendar time; daylight saving is left for the conversion to decide.
    dbDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    bool isValid() const { return stamp != -1; }

    int year() const;
    int month() const;
    int day() const;
    int dayOfYear() const;
    int dayOfWeek() const; // 1 = Sunday ... 7 = Saturday
    int hour() const;
    int minute() const;
    int second() const;

    friend bool operator==(const dbDateTime&, const dbDateTime&) = default;
};

// A date as days since 1899-12-30 00:00 local time, the fraction being the time of day.
// -1.0 means "no date".
struct tavroTDateTime {
    double stamp = -1.0;

    tavroTDateTime() = default;
    explicit tavroTDateTime(double s) : stamp(s) {}

    bool isValid() const { return stamp != -1.0; }
    QDateTime toQDateTime() const;

    int year() const;
    int month() const;
    int day() const;
    int dayOfYear() const;
    int dayOfWeek() const; // 1 = Sunday ... 7 = Saturday
    int hour() const;
    int minute() const;
    int second() const;

    friend bool operator==(const tavroTDateTime&, const tavroTDateTime&) = default;
};

dbDateTime nowStamp();
dbDateTime todayStamp();

// Between the windows' QDateTime and the stored types. Milliseconds are dropped.
dbDateTime toDbDateTime(const QDateTime& value);
QDateTime toTDateTime(const dbDateTime& value);
double toCalendarReal(const QDateTime& value);
QDateTime fromCalendarReal(double days);

// The user's short date format, always with a four-digit year.
QString shortDateFormat();
QString dateText(const dbDateTime& value);
QString dateText(const QDate& date);
// Reads a date (optionally followed by a time) as the user writes it: the short date
// format first, then a few unambiguous forms. Empty when the text is not a date.
std::optional<QDateTime> parseDateTimeText(const QString& text);

// "HH:mm" of the local time; "00:00" when the value has no date.
QString timeText(const dbDateTime& value);
// Applies "HH:mm" to value, keeping its date. Seconds become 59 when the minute is 59.
// A value without a date first takes the current time. False (value unchanged) when the
// text is not a time.
bool setTimeText(const QString& text, dbDateTime& value);
