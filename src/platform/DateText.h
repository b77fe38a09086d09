#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The one place where dates, times and numbers become text and back.
// Texts shown and logged: dd.MM.yyyy and HH:mm:ss, '.' as decimal separator.
namespace DateText {

QString date(const QDate& value);                 // 07.12.2026
QString time(const QTime& value);                 // 10:15:30
QString dateTime(const QDateTime& value);         // 07.12.2026 10:15:30
// Like a date-time field's own text: the time part is left out at midnight.
QString dateTimeField(const QDateTime& value);

// Parsers throw ConvertError on anything that is not a valid value.
QDate parseDate(const QString& text);             // d.M.yyyy
QTime parseTime(const QString& text);             // H:mm or H:mm:ss, blanks around allowed
QDateTime parseDateTime(const QString& text);     // d.M.yyyy [H:mm[:ss]]

// Services exchange yyyy-mm-dd; only the first ten characters count.
QDate isoToDate(const QString& text);
QString dateToIso(const QDate& value);

// Run marks: never run. Next run times: never due.
QDateTime neverRun();
QDateTime neverDue();

// Numbers.
int parseInt(const QString& text);                // trimmed; throws ConvertError
double parseNumber(const QString& text);          // '.' or ',' as decimal separator
QString floatText(double value);                  // shortest text, up to 15 digits
QString fixedText(double value, int decimals);    // "0.00" style

}  // namespace DateText
