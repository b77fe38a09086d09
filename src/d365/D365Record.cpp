#include "D365Record.h"

#include "platform/DateText.h"

#include <QJsonDocument>
#include <cmath>
#include <limits>

namespace {

QString shortText(const QJsonValue& v)
{
    QString t;
    if (v.isString())
        t = v.toString();
    else if (v.isObject())
        t = QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    else if (v.isArray())
        t = QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
    else
        t = v.toVariant().toString();
    return t.size() > 60 ? t.left(60) + QStringLiteral("...") : t;
}

}  // namespace

void D365Record::fail(const QString& key, const QString& problem) const
{
    throw D365Error(QStringLiteral("%1: lauks \"%2\" %3").arg(where_, key, problem));
}

QJsonValue D365Record::member(const QString& key) const
{
    const auto it = object_.constFind(key);
    if (it == object_.constEnd())
        throw D365Error(QStringLiteral("%1: nav lauka \"%2\"").arg(where_, key));
    return it.value();
}

QString D365Record::text(const QString& key) const
{
    const QJsonValue v = member(key);
    switch (v.type()) {
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        // Codes sent as numbers are written whole, never as exponent text.
        const double d = v.toDouble();
        if (d == std::floor(d) && std::fabs(d) < 9.2e18)
            return QString::number(v.toInteger(static_cast<qint64>(d)));
        return DateText::floatText(d);
    }
    case QJsonValue::Null:
        return {};
    default:
        fail(key, QStringLiteral("nav teksts (%1)").arg(shortText(v)));
    }
}

double D365Record::number(const QString& key) const
{
    const QJsonValue v = member(key);
    switch (v.type()) {
    case QJsonValue::Double:
        return v.toDouble();
    case QJsonValue::Null:
        return 0.0;
    case QJsonValue::String: {
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return 0.0;
        try {
            return DateText::parseNumber(t);
        } catch (const ConvertError&) {
            fail(key, QStringLiteral("nav skaitlis (%1)").arg(shortText(v)));
        }
    }
    default:
        fail(key, QStringLiteral("nav skaitlis (%1)").arg(shortText(v)));
    }
}

int D365Record::integer(const QString& key) const
{
    const double d = number(key);
    if (d != std::floor(d) || d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
        fail(key, QStringLiteral("nav vesels skaitlis (%1)").arg(shortText(member(key))));
    return static_cast<int>(d);
}

QDate D365Record::date(const QString& key) const
{
    const QString t = text(key);
    try {
        return DateText::isoToDate(t);
    } catch (const ConvertError&) {
        fail(key, QStringLiteral("nav datums (%1)").arg(t.left(60)));
    }
}

D365Record D365Record::object(const QString& key) const
{
    const QJsonValue v = member(key);
    const QString where = where_ + QStringLiteral(", ") + key;
    if (v.isNull())
        return D365Record(QJsonObject(), where);
    if (!v.isObject())
        fail(key, QStringLiteral("nav objekts (%1)").arg(shortText(v)));
    return D365Record(v.toObject(), where);
}

QJsonArray D365Record::array(const QString& key) const
{
    const QJsonValue v = member(key);
    if (v.isNull())
        return {};
    if (!v.isArray())
        fail(key, QStringLiteral("nav saraksts (%1)").arg(shortText(v)));
    return v.toArray();
}
