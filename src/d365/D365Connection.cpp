#include "D365Connection.h"

#include "platform/FreedMemory.h"

#include "db/ExchangeContext.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

const QString kKey = QStringLiteral("D365");

// Inner texts of the fetch operations, spacing as the service has always received them.
struct FetchText {
    const char* operation;
    const char* pattern;
};

const FetchText kFetchTexts[] = {
    {"GetK42Vendors",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true, "VendorGroup":""}}})"},
    {"GetK42Customers",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true, "CustomerGroup":""}}})"},
    {"GetK42Products",
     R"({"{NAME}": {"Query": {"Company":"{COMPANY}","Modified":{"FromDATE": "{FROM}","ToDate": "{TO}"}, "Sent": true}}})"},
    {"GetCategories", R"({"{NAME}": {"Query": {"Company":"{COMPANY}","ListView": true}}})"},
    {"GetPrices", R"({"{NAME}": {"Query": {"Company":"{COMPANY}","Product":""}}})"},
    {"GetPurchPrices", R"({"{NAME}": {"Query": {"Company":"{COMPANY}","Product":""}}})"},
    {"GetPromoPeriod", R"({"{NAME}": {"Query": {"Company":"{COMPANY}","Product":"", "Sent": true}}})"},
    {"GetPromoPeriodA", R"({"{NAME}": {"Query": {"Company":"{COMPANY}","Product":"","Sent": true}}})"},
    {"GetPurchaseOrders",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true}}})"},
    {"GetStoreSales",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true}}})"},
    {"GetTransfers",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true}}})"},
    {"GetCatSort",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true}}})"},
    {"GetItemSort",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDT": "{FROM}","ToDT": "{TO}"}, "Sent": true}}})"},
    {"GetVENDGR",
     R"({"{NAME}":  {"Query": {"Company":"{COMPANY}","Modified":{"FromDate": "{FROM}","ToDate": "{TO}"}, "Sent": true}}})"},
};

// A JSON string's contents: quotes, backslashes and control characters escaped. The runs
// between them are copied whole: a posted document's text is some ten kilobytes.
QString jsonEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 16);
    const QChar* chars = text.constData();
    qsizetype run = 0;  // where the characters still to copy as they are begin
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = chars[i].unicode();
        if (c != '"' && c != '\\' && c >= 0x20)
            continue;
        out.append(chars + run, i - run);
        run = i + 1;
        switch (c) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\b': out += QLatin1String("\\b"); break;
        case '\f': out += QLatin1String("\\f"); break;
        default: out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
    out.append(chars + run, text.size() - run);
    return out;
}

// The text that starts `offset` characters after the first `word` and ends before `end`
// (or at the end of the text); null when the word is not there.
QString readAfter(const QString& text, const QString& word, int offset, QChar end)
{
    const qsizetype p = text.indexOf(word);
    if (p < 0)
        return {};
    const qsizetype start = p + offset;
    if (start > text.size())
        return QString(QLatin1String(""));
    qsizetype stop = text.indexOf(end, start);
    if (stop < 0)
        stop = text.size();
    return text.mid(start, stop - start);
}

// The first member named `name` anywhere in a JSON value.
bool findMember(const QJsonValue& v, const QString& name, QJsonValue& found)
{
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        if (o.contains(name)) {
            found = o.value(name);
            return true;
        }
        for (auto it = o.constBegin(); it != o.constEnd(); ++it)
            if (findMember(it.value(), name, found))
                return true;
    } else if (v.isArray()) {
        for (const QJsonValue& e : v.toArray())
            if (findMember(e, name, found))
                return true;
    }
    return false;
}

QJsonValue parsed(const QByteArray& body, bool& ok)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    ok = error.error == QJsonParseError::NoError && !doc.isNull();
    if (!ok)
        return {};
    return doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
}

QString scalarText(const QJsonValue& v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return DateText::floatText(v.toDouble());
    if (v.isBool())
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

}  // namespace

D365Connection::D365Connection(ExchangeContext& context) : ctx_(context)
{
}

void D365Connection::ReadSettings()
{
    settings_ = D365Settings();
    RegistryKey key(ctx_.registry);
    if (!key.OpenKey(kKey, false))
        return;
    settings_.LoginHttps = key.ReadString(QStringLiteral("LoginHttps")).trimmed();
    settings_.RESTHttps = key.ReadString(QStringLiteral("RESTHttps")).trimmed();
    settings_.ClientID = key.ReadString(QStringLiteral("ClientID")).trimmed();
    settings_.SecretKey = key.ReadString(QStringLiteral("SecretKey")).trimmed();
}

QString D365Connection::resourceOf(const QString& restHttps)
{
    // Up to ".com" and the one character after it; the first four characters without it.
    const qsizetype p = restHttps.indexOf(QLatin1String(".com")) + 1;
    return restHttps.left(p + 4);
}

QString D365Connection::readToken(const QString& reply)
{
    // The compact form: access_token, a quote, a colon and a quote, then the token.
    const QString atDistance = readAfter(reply, QStringLiteral("access_token"), 15, QLatin1Char('"'));
    static const QRegularExpression tokenChars(QStringLiteral("^[A-Za-z0-9\\-._~+/]+=*$"));
    if (tokenChars.match(atDistance).hasMatch())
        return atDistance;
    // Any other spacing: the reply read as JSON.
    bool ok = false;
    const QJsonValue v = parsed(reply.toUtf8(), ok);
    if (ok && v.isObject()) {
        const QJsonValue t = v.toObject().value(QStringLiteral("access_token"));
        if (t.isString())
            return t.toString();
    }
    return {};
}

int D365Connection::LoginD365()
{
    token_.clear();
    ReadSettings();
    QString missing;
    if (settings_.LoginHttps.isEmpty())
        missing = QStringLiteral("Nav ievadīta Login Https adrese !!!");
    else if (settings_.RESTHttps.isEmpty())
        missing = QStringLiteral("Nav ievadīta REST Https adrese !!!");
    else if (settings_.ClientID.isEmpty())
        missing = QStringLiteral("Nav ievadīts klienta ID !!!");
    else if (settings_.SecretKey.isEmpty())
        missing = QStringLiteral("Nav ievadīta slēptā atslēga !!!");
    if (!missing.isEmpty()) {
        // Logged, not shown: nobody waits at an unattended host. Without a token every
        // request would fail, so the run ends like a failed login.
        ctx_.log.WriteLog(missing);
        ctx_.report.refuse(missing);
        return -1;
    }

    papildlogs_.ResetRequest();
    papildlogs_.SetBaseURL(settings_.LoginHttps);
    papildlogs_.AddBodyParameter(QStringLiteral("grant_type"), QStringLiteral("client_credentials"));
    papildlogs_.AddBodyParameter(QStringLiteral("client_id"), settings_.ClientID);
    papildlogs_.AddBodyParameter(QStringLiteral("client_secret"), settings_.SecretKey);
    papildlogs_.AddBodyParameter(QStringLiteral("resource"), resourceOf(settings_.RESTHttps));
    try {
        papildlogs_.Execute();
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(QStringLiteral("Kļūda iegūstot piekļuves kodu (1) D365. Paziņojums :\n") + errorText(e));
        return -1;
    }
    const HttpResponse& r = papildlogs_.RESTResponseD365();
    if (r.status != 200) {
        ctx_.log.WriteLog(QStringLiteral("Kļūda iegūstot piekļuves kodu (2) D365. StatusCode=%1 ").arg(r.status) + r.text());
        return -1;
    }
    token_ = readToken(r.text());
    // A 200 reply without a token still counts as a login: the groups fail on their requests
    // and are tried again at the next tick, where -1 would stop D365 until someone presses Start.
    if (token_.isEmpty())
        ctx_.log.WriteLog(QStringLiteral("Kļūda iegūstot piekļuves kodu (3) D365. Atbildē nav access_token: ") + r.text());
    return 1;
}

QByteArray D365Connection::requestBody(const QString& inner)
{
    return (QStringLiteral("{\"_requestBody\": {\"Request\": \"") + jsonEscaped(inner) + QStringLiteral("\"}}")).toUtf8();
}

QString D365Connection::jsonEscapedText(const QString& text)
{
    return jsonEscaped(text);
}

QString D365Connection::fetchInner(const QString& operation, const QDate& from, const QDate& to)
{
    for (const FetchText& f : kFetchTexts) {
        if (operation == QLatin1String(f.operation)) {
            QString t = QString::fromLatin1(f.pattern);
            t.replace(QLatin1String("{NAME}"), operation);
            t.replace(QLatin1String("{COMPANY}"), QLatin1String(kCompany));
            t.replace(QLatin1String("{FROM}"), DateText::dateToIso(from));
            t.replace(QLatin1String("{TO}"), DateText::dateToIso(to));
            return t;
        }
    }
    throw D365Error(QStringLiteral("%1 nav D365 datu pieprasījums").arg(operation));
}

const HttpResponse& D365Connection::send(const QString& inner)
{
    papildlogs_.ResetRequest();
    papildlogs_.AddHeader("Content-Type", "application/json");
    papildlogs_.AddHeader("Authorization", "Bearer " + token_.toUtf8());
    papildlogs_.SetBaseURL(settings_.RESTHttps);
    papildlogs_.SetBody(requestBody(inner), "application/json");
    return papildlogs_.Execute();
}

int D365Connection::fetch(const QString& logName, const QString& inner, const QString& listName, QJsonArray& records)
{
    records = QJsonArray();
    try {
        send(inner);
    } catch (const std::exception& e) {
        ctx_.log.WriteLog(QStringLiteral("Kļūda pie ") + logName + QStringLiteral(". Paziņojums :\n") + errorText(e));
        return -1;
    }
    const HttpResponse& r = papildlogs_.RESTResponseD365();
    bool json = false;
    const QJsonValue root = parsed(r.body, json);
    if (r.status != 200 || !json) {
        ctx_.log.WriteLog(QStringLiteral("Kļūda iegūstot ") + logName + QStringLiteral(". StatusCode=%1 ").arg(r.status)
                          + r.text());
        return -1;
    }
    const QJsonArray data = root.toObject().value(QStringLiteral("data")).toArray();
    const QJsonValue list = data.isEmpty() ? QJsonValue() : data.first().toObject().value(listName);
    if (!list.isArray())
        throw D365Error(QStringLiteral("%1: atbildē nav saraksta data[0].%2").arg(logName, listName));
    records = list.toArray();
    papildlogs_.ReleaseResponseBody();
    return 0;
}

void D365Connection::walk(const QString& operation, const QJsonArray& records,
                          const std::function<void(const D365Record&)>& importRecord)
{
    for (qsizetype i = 0; i < records.size(); ++i) {
        QCoreApplication::processEvents();
        const QString where = QStringLiteral("%1, %2. ieraksts").arg(operation).arg(i + 1);
        const QJsonValue v = records.at(i);
        if (!v.isObject())
            throw D365Error(where + QStringLiteral(": nav objekts"));
        try {
            importRecord(D365Record(v.toObject(), where));
        } catch (const DbError& e) {
            // say which record the database refused
            throw DbError(where + QStringLiteral(": ") + e.message());
        }
    }
}

int D365Connection::runFetch(const QString& operation, const QString& listName, const QString& markName,
                             const std::function<void(const D365Record&)>& importRecord,
                             const std::function<bool()>& allStored)
{
    startLine(operation);
    const QDate from = markName.isEmpty() ? today() : readMark(markName);
    {
        QJsonArray records;
        if (fetch(operation, fetchInner(operation, from, today().addDays(1)), listName, records) < 0)
            return -1;
        walk(operation, records, importRecord);
    }
    releaseFreedMemory();
    if (allStored && !allStored())
        return -1;
    if (!markName.isEmpty())
        writeMark(markName);
    endLine(operation);
    return 0;
}

QDate D365Connection::today() const
{
    return ctx_.clock.now().date();
}

QDate D365Connection::readMark(const QString& markName) const
{
    RegistryKey key(ctx_.registry);
    if (!key.OpenKey(kKey, false) || !key.ValueExists(markName))
        return defaultMarkDate();
    try {
        // Registry dates may carry a time of day.
        return key.ReadDateTime(markName).date();
    } catch (const RegistryError&) {
        // An unreadable mark restarts the whole period: say so.
        ctx_.log.WriteLog(QStringLiteral("%1: datums \"%2\" nav nolasāms, lieto %3")
                              .arg(markName, key.ReadString(markName), DateText::date(defaultMarkDate())));
        return defaultMarkDate();
    }
}

void D365Connection::writeMark(const QString& markName)
{
    RegistryKey key(ctx_.registry);
    if (key.OpenKey(kKey, false))
        key.WriteDate(markName, today());
}

void D365Connection::startLine(const QString& logName)
{
    ctx_.log.WriteLog(QStringLiteral("Procesējam ") + logName + QStringLiteral("..."));
}

void D365Connection::endLine(const QString& logName)
{
    ctx_.log.WriteLog(logName + QStringLiteral(" OK"));
}

D365PostReply D365Connection::readPostReply(const HttpResponse& response)
{
    D365PostReply reply;
    bool json = false;
    const QJsonValue root = parsed(response.body, json);
    const QString text = response.text();

    // The compact form: StatusCode, a quote and a colon, the value up to the next comma.
    reply.status = readAfter(text, QStringLiteral("StatusCode"), 12, QLatin1Char(','));
    static const QRegularExpression bare(QStringLiteral("^-?\\d+$"));
    QJsonValue found;
    if (!bare.match(reply.status).hasMatch())
        reply.status = json && findMember(root, QStringLiteral("StatusCode"), found) ? scalarText(found) : QString();
    // Message, a quote, a colon and a quote, the text up to the next quote.
    const qsizetype m = text.indexOf(QLatin1String("Message"));
    const QString atDistance = readAfter(text, QStringLiteral("Message"), 10, QLatin1Char('"'));
    // A message with an escaped quote would be cut at it: JSON reads it whole.
    if (m >= 0 && text.mid(m + 7, 3) == QLatin1String("\":\"") && !atDistance.endsWith(QLatin1Char('\\')))
        reply.message = atDistance;
    else if (json && findMember(root, QStringLiteral("Message"), found))
        reply.message = scalarText(found);
    reply.accepted = response.status == 200 && json && reply.status == QLatin1String("1");
    return reply;
}
