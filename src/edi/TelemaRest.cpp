#include "TelemaRest.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The first string member "accessToken", looked for through the whole reply.
QString findToken(const QJsonValue& value)
{
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const QJsonValue direct = object.value(QStringLiteral("accessToken"));
        if (direct.isString())
            return direct.toString();
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString found = findToken(it.value());
            if (!found.isEmpty())
                return found;
        }
    } else if (value.isArray()) {
        for (const QJsonValue& item : value.toArray()) {
            const QString found = findToken(item);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

bool usable(const QString& token)
{
    if (token.isEmpty() || token.contains(QLatin1Char('"')))
        return false;
    for (const QChar c : token)
        if (c.isSpace())
            return false;
    return true;
}

}  // namespace

bool TelemaOptions::read(Registry& registry)
{
    RegistryKey key(registry);
    if (!key.OpenKey(QStringLiteral("Telema"), false))
        return false;
    TelemaOptions o;
    o.RESTHttps = key.ReadString(QStringLiteral("RESTHttps"));
    o.ClientID = key.ReadString(QStringLiteral("ClientID"));
    o.SecretKey = key.ReadString(QStringLiteral("SecretKey"));
    o.SanPZImports = key.ReadBool(QStringLiteral("SanPZImports"));
    o.PasutImports = key.ReadBool(QStringLiteral("PasutImports"));
    o.PasutExports = key.ReadBool(QStringLiteral("PasutExports"));
    o.IzrPZExports = key.ReadBool(QStringLiteral("IzrPZExports"));
    o.SanNeapstiprin = key.ReadBool(QStringLiteral("SanNeapstiprin"));
    o.Isnodala = key.ReadInteger(QStringLiteral("Isnodala"));
    o.PasutijumaDatumaFlag = key.ReadInteger(QStringLiteral("PasutijumaDatumaFlag"));
    o.KlientaAtpazisana = key.ReadInteger(QStringLiteral("KlientaAtpazisana"));
    *this = o;
    return true;
}

TTelemaRest::TTelemaRest(ExchangeContext& context, TelemaTimeouts timeouts) : ctx_(context), timeouts_(timeouts)
{
}

QByteArray TTelemaRest::jsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray TTelemaRest::tokenBody(const QString& clientId, const QString& secretKey)
{
    return "{\"clientId\": " + jsonString(clientId) + ",\"clientSecret\": " + jsonString(secretKey) + "}";
}

QString TTelemaRest::tokenFrom(const QString& reply)
{
    // The compact reply: the token stands 14 characters after the name and ends with the
    // quote before the first comma.
    QString token;
    const int at = reply.indexOf(QLatin1String("accessToken"));
    if (at >= 0 && reply.mid(at + 11, 3) == QLatin1String("\":\"")) {
        const QString tail = reply.mid(at + 14);
        const int comma = tail.indexOf(QLatin1Char(','));
        if (comma >= 1 && tail.at(comma - 1) == QLatin1Char('"'))
            token = tail.left(comma - 1);
    }
    if (usable(token))
        return token;
    token = findToken(QJsonDocument::fromJson(reply.toUtf8()).object());
    return usable(token) ? token : QString();
}

HttpRequest TTelemaRest::request(const QByteArray& method, const QString& path, const QByteArray& jsonBody) const
{
    HttpRequest r;
    r.method = method;
    r.url = options_.RESTHttps + path;
    r.headers = {{"Accept", "application/json, text/plain; q=0.9, text/html;q=0.8,"},
                 {"Accept-Charset", "utf-8, *;q=0.8"}};
    if (!jsonBody.isEmpty())
        r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    r.body = jsonBody;
    r.connectTimeoutMs = timeouts_.connectMs;
    r.timeoutMs = timeouts_.readMs;
    return r;
}

bool TTelemaRest::GetAcessToken()
{
    // A token of an earlier request is never sent after a failed one.
    token_.clear();
    HttpResponse response;
    try {
        response = HttpClient().send(request("POST", QStringLiteral("auth/accessToken"),
                                             tokenBody(options_.ClientID, options_.SecretKey)));
    } catch (const std::exception& e) {
        const QString text = QStringLiteral("Kļūda iegūstot piekļuves kodu Telema. Paziņojums :\n") + errorText(e);
        ctx_.dati.proc().MyErrorHandle(QStringLiteral(" TTelemaRest::GetAcessToken"), text);
        ctx_.log.WriteLog(text);
        return false;
    }
    const QString token = response.status == 200 ? tokenFrom(response.text()) : QString();
    if (token.isEmpty()) {
        ctx_.log.WriteLog(QStringLiteral("Kļūda iegūstot piekļuves kodu ") + QString::number(response.status)
                          + QStringLiteral(" Paziņojums:") + response.text());
        return false;
    }
    token_ = token;
    return true;
}

HttpResponse TTelemaRest::execute(const QByteArray& method, const QString& path, const QByteArray& jsonBody)
{
    if (token_.isEmpty())
        throw NetError(QStringLiteral("Telema: nav piekļuves koda"));
    HttpRequest r = request(method, path, jsonBody);
    r.headers.append(qMakePair(QByteArray("Authorization"), "Bearer " + token_.toUtf8()));
    return HttpClient().send(r);
}
