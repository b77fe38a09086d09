#include "WebShopText.h"

#include "ColumnWidths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace WebShopText {

QString addressText(const QString& street, const QString& city, const QString& postcode, const QString& country)
{
    QString text = street.trimmed();
    for (const QString& part : {city, postcode, country}) {
        const QString p = part.trimmed();
        if (!p.isEmpty())
            text += QLatin1Char(',') + p;
    }
    return ColumnWidths::cut(text, 60);
}

QString emailKey(const QString& email)
{
    return email.trimmed().toLower();
}

QString regNr(const QString& customField)
{
    const QJsonDocument doc = QJsonDocument::fromJson(customField.toUtf8());
    if (!doc.isObject())
        return {};
    const QJsonValue v = doc.object().value(QStringLiteral("2"));
    if (v.isString())
        return v.toString().trimmed();
    if (v.isDouble()) {
        const double d = v.toDouble();
        // A number written whole, never in exponent form.
        return d == static_cast<double>(static_cast<qint64>(d)) ? QString::number(static_cast<qint64>(d)) : QString::number(d);
    }
    return {};
}

}  // namespace WebShopText
