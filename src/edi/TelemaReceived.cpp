#include "TelemaReceived.h"

#include "TelemaRest.h"
#include "platform/Errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringDecoder>

namespace TelemaReceived {

namespace {

// A JSON value as the reply wrote it (numbers in their shortest form).
QByteArray jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

TelemaReceivedDocument readEntry(const QJsonValue& entry)
{
    TelemaReceivedDocument d;
    const QJsonObject object = entry.toObject();
    const QJsonValue id = object.value(QStringLiteral("id"));
    if (id.isString()) {
        d.id = id.toString();
        d.idJson = TTelemaRest::jsonString(d.id);
    } else if (id.isDouble()) {
        d.idJson = jsonText(id);
        d.id = QString::fromUtf8(d.idJson);
    }
    if (!entry.isObject()) {
        d.error = QStringLiteral("saraksta elements nav objekts: ") + QString::fromUtf8(jsonText(entry));
        return d;
    }
    if (d.idJson.isEmpty()) {
        d.error = QStringLiteral("nav dokumenta id");
        return d;
    }
    const QJsonValue document = object.value(QStringLiteral("document"));
    if (!document.isString() && !document.isNull() && !document.isUndefined()) {
        d.error = QStringLiteral("document nav teksts");
        return d;
    }
    try {
        d.xml = decodeDocument(document.toString().toLatin1());
    } catch (const ConvertError& e) {
        d.error = e.message();
    }
    return d;
}

bool isBlank(char c)
{
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

}  // namespace

QList<TelemaReceivedDocument> readDataReply(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw ConvertError(QStringLiteral("atbilde nav JSON: %1 (pozīcija %2)").arg(error.errorString()).arg(error.offset));
    const QJsonValue data = doc.object().value(QStringLiteral("data"));
    const QJsonValue documents = data.toObject().value(QStringLiteral("documents"));
    if (!data.isObject() || !documents.isArray())
        throw ConvertError(QStringLiteral("atbildē nav saraksta data.documents"));
    QList<TelemaReceivedDocument> out;
    for (const QJsonValue& entry : documents.toArray())
        out << readEntry(entry);
    return out;
}

QString decodeDocument(const QByteArray& base64)
{
    QByteArray compact;
    compact.reserve(base64.size());
    for (const char c : base64)
        if (!isBlank(c))
            compact += c;
    if (compact.isEmpty())
        throw ConvertError(QStringLiteral("dokuments ir tukšs"));
    const auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw ConvertError(QStringLiteral("dokuments nav Base64"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(*decoded);
    if (utf8.hasError())
        throw ConvertError(QStringLiteral("dokuments nav UTF-8 teksts"));
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(QLatin1Char('<')) || !trimmed.endsWith(QLatin1Char('>')))
        throw ConvertError(QStringLiteral("dokuments nav XML teksts"));
    return text;
}

QByteArray feedbackBody(const QByteArray& idJson)
{
    return "{\"sessions\": [{\"documents\": [{\"id\": " + idJson
        + ",\"status\": \"received\"}],\"sessionId\": \"AAAAAA\",\"time\": \"2021-11-22T22:20:23+0200\"}]}";
}

}  // namespace TelemaReceived
