#include "DateText.h"

#include "Errors.h"

#include <QRegularExpression>
#include <cmath>

namespace DateText {

QString date(const QDate& value)
{
    return value.toString(QStringLiteral("dd.MM.yyyy"));
}

QString time(const QTime& value)
{
    return value.toString(QStringLiteral("HH:mm:ss"));
}

QString dateTime(const QDateTime& value)
{
    return date(value.date()) + QLatin1Char(' ') + time(value.time());
}

QString dateTimeField(const QDateTime& value)
{
    if (value.time() == QTime(0, 0))
        return date(value.date());
    return dateTime(value);
}

QDate parseDate(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})\\s*$"));
    const auto m = re.match(text);
    if (m.hasMatch()) {
        const QDate d(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        if (d.isValid())
            return d;
    }
    throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
}

QTime parseTime(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const auto m = re.match(text);
    if (m.hasMatch()) {
        const QTime t(m.captured(1).toInt(), m.captured(2).toInt(),
                      m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
        if (t.isValid())
            return t;
    }
    throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
}

QDateTime parseDateTime(const QString& text)
{
    const QString t = text.trimmed();
    const int blank = t.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return QDateTime(parseDate(t), QTime(0, 0));
    return QDateTime(parseDate(t.left(blank)), parseTime(t.mid(blank + 1)));
}

QDate isoToDate(const QString& text)
{
    const QString head = text.left(10);
    if (head.size() < 10)
        throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return parseDate(head.mid(8, 2) + QLatin1Char('.') + head.mid(5, 2) + QLatin1Char('.') + head.left(4));
}

QString dateToIso(const QDate& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd"));
}

QDateTime neverRun()
{
    return QDateTime(QDate(1900, 1, 1), QTime(0, 0));
}

QDateTime neverDue()
{
    return QDateTime(QDate(3000, 12, 31), QTime(0, 0));
}

int parseInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

double parseNumber(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || t.isEmpty())
        throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString floatText(double value)
{
    if (value == 0.0 || std::isnan(value))
        return QStringLiteral("0");
    return QString::number(value, 'g', 15);
}

QString fixedText(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

}  // namespace DateText
