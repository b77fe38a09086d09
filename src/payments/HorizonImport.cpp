#include "HorizonImport.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "net/HttpClient.h"
#include "platform/BusyFlag.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStringList>

namespace {

const QString kBusyLabel = QStringLiteral("HorizonProcessImports");
const QString kLabel = QStringLiteral("Identifikācijas numurs:");
const QString kColumns =
    QStringLiteral("PDOK.DAT_DOK,PDOK.SUMMA_PV,PDOK.BK.DAR_REGNUM,PDOK.PAMAT,K.KODS,LASTEV.LAIKS");
const QString kFailureLine = QStringLiteral("Kļūda apmaksu importā no Horizon Rest savienojuma.");

const char* const kDuplicateSql =
    "SELECT O_APMAKS.ISN FROM O_APMAKS WHERE O_APMAKS.ISKLIENT=:ISKLIENT AND "
    "O_APMAKS.APMAKS_DAT=:APMAKS_DAT AND O_APMAKS.APMAKS_DOK=:APMAKS_DOK";
const char* const kCommentSql = "UPDATE N_KLIENT SET KLKOMENT=:KLKOMENT WHERE N_KLIENT.ISN=:ISN";
const char* const kCustomerSql = "SELECT N_KLIENT.ISN, N_KLIENT.KLKOMENT FROM N_KLIENT WHERE N_KLIENT.IDKODS=:IDKODS";
const char* const kInsertSql =
    "INSERT INTO O_APMAKS (ISKLIENT, ISNODALA, ISAGENTS, APMAKS_SUM, APMAKS_DOK, APMAKS_DAT, PARPALIKUM, "
    "ISAPMAKSVEIDS, SANEM_IZR, FUS_EXPORT, NELEGALIZ) VALUES (:ISKLIENT, :ISNODALA, :ISAGENTS, :APMAKS_SUM, "
    ":APMAKS_DOK, :APMAKS_DAT, :PARPALIKUM, :ISAPMAKSVEIDS, 2, 'F', 'F')";

// Only a to z: the purpose text is searched for "ID" the way the accounting side writes it.
QString upperLatin(QString text)
{
    for (QChar& c : text)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return text;
}

// The value as it stands in the answer, for error messages.
QString jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

struct Payment {
    QString dateText;   // DAT_DOK as received, for the unmatched list
    QDate date;
    double amount = 0.0;
    QString purpose;
    QString counterParty;
    QString document;   // first 10 characters of DAR_REGNUM
};

class RowReader {
public:
    RowReader(const QJsonObject& pdok, int row) : pdok_(pdok), row_(row) {}

    QJsonValue member(const QJsonObject& object, const QString& path, const QString& name) const
    {
        const QJsonValue v = object.value(name);
        if (v.isUndefined())
            fail(QStringLiteral("no member %1").arg(path));
        return v;
    }

    QJsonObject object(const QString& name) const
    {
        const QJsonValue v = member(pdok_, QStringLiteral("PDOK.") + name, name);
        if (!v.isObject())
            fail(QStringLiteral("PDOK.%1 is not an object: %2").arg(name, jsonText(v)));
        return v.toObject();
    }

    // Strings as they are; a null is an empty text; numbers keep their JSON text.
    QString text(const QJsonObject& object, const QString& path, const QString& name) const
    {
        const QJsonValue v = member(object, path, name);
        if (v.isString())
            return v.toString();
        // A null is compared and stored as the empty text: as SQL NULL it would never match
        // the duplicate check, and every run would book the payment again.
        if (v.isNull())
            return QStringLiteral("");
        if (v.isDouble() || v.isBool())
            return jsonText(v);
        fail(QStringLiteral("%1 is not a text: %2").arg(path, jsonText(v)));
    }

    Payment read() const
    {
        Payment p;
        p.dateText = text(pdok_, QStringLiteral("PDOK.DAT_DOK"), QStringLiteral("DAT_DOK"));
        try {
            p.date = DateText::isoToDate(p.dateText);
        } catch (const ConvertError& e) {
            fail(QStringLiteral("PDOK.DAT_DOK: ") + e.message());
        }
        const QJsonValue amount = member(pdok_, QStringLiteral("PDOK.SUMMA_PV"), QStringLiteral("SUMMA_PV"));
        if (!amount.isDouble())  // a quoted amount is refused like any text that is not a number
            fail(QStringLiteral("PDOK.SUMMA_PV: '%1' is not a valid floating point value").arg(jsonText(amount)));
        p.amount = amount.toDouble();
        p.purpose = text(pdok_, QStringLiteral("PDOK.PAMAT"), QStringLiteral("PAMAT"));
        p.counterParty = text(object(QStringLiteral("K")), QStringLiteral("PDOK.K.KODS"), QStringLiteral("KODS"));
        p.document = text(object(QStringLiteral("BK")), QStringLiteral("PDOK.BK.DAR_REGNUM"), QStringLiteral("DAR_REGNUM"))
                         .left(10);
        return p;
    }

    [[noreturn]] void fail(const QString& what) const
    {
        throw ConvertError(QStringLiteral("Horizon answer, row %1: %2").arg(row_).arg(what));
    }

private:
    QJsonObject pdok_;
    int row_;
};

QJsonArray answerRows(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw ConvertError(QStringLiteral("Horizon answer is not valid JSON: %1 at offset %2")
                               .arg(error.errorString())
                               .arg(error.offset));
    const QJsonValue collection = doc.object().value(QStringLiteral("collection"));
    if (!collection.isObject())
        throw ConvertError(QStringLiteral("Horizon answer has no object \"collection\""));
    const QJsonValue rows = collection.toObject().value(QStringLiteral("row"));
    if (!rows.isArray())
        throw ConvertError(QStringLiteral("Horizon answer has no array \"collection\".\"row\""));
    return rows.toArray();
}

// KLKOMENT is a comma-separated list: a code is listed only as a whole item, so that
// "E12" is still added beside "E123".
bool listed(const QString& list, const QString& code)
{
    const QStringList items = list.split(QLatin1Char(','));
    for (const QString& item : items)
        if (item.trimmed() == code)
            return true;
    return false;
}

void saveLines(const QString& fileName, const QStringList& lines)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw VarnisError(QStringLiteral("Cannot create file %1: %2").arg(fileName, file.errorString()));
    for (const QString& line : lines)
        file.write(line.toUtf8() + '\n');
    if (!file.commit())
        throw VarnisError(QStringLiteral("Cannot write file %1: %2").arg(fileName, file.errorString()));
}

}  // namespace

HorizonImport::HorizonImport(ExchangeContext& context, HorizonTimeouts timeouts)
    : context_(context), timeouts_(timeouts)
{
}

std::optional<QString> HorizonImport::identificationCode(const QString& purpose)
{
    const int label = purpose.indexOf(kLabel);
    const int id = upperLatin(purpose).indexOf(QLatin1String("ID"));
    if (label < 0 && id < 0)
        return std::nullopt;
    // One character after the label is always skipped, blank or not.
    QString code = label >= 0 ? purpose.mid(label + kLabel.size() + 1) : purpose.mid(id + 2);
    code = code.trimmed();
    for (int n = 0; n < 3; ++n) {
        if (code.startsWith(QLatin1Char(':')))
            code = code.mid(1).trimmed();
        if (code.startsWith(QLatin1Char('-')))
            code = code.mid(1).trimmed();
    }
    return code.left(6);
}

QString HorizonImport::queryUrl(const QString& restAdrese, const QDate& from)
{
    const QString filter = QStringLiteral("LASTEV.LAIKS gt '") + DateText::dateToIso(from)
        + QStringLiteral("' and startswith(K.KODS, 'E')");
    return restAdrese + QStringLiteral("rest/TDdmMUSar/query?columns=") + HttpClient::encode(kColumns)
        + QStringLiteral("&filter=") + HttpClient::encode(filter);
}

bool HorizonImport::HorizonProcessImports()
{
    Log& log = context_.log;
    BusyFlag& busy = context_.busy;
    TMainFormDati& dati = context_.dati;

    RegistryKey rest(context_.registry);
    QString restAdrese;
    QString userName;
    QString password;
    if (rest.OpenKey(QStringLiteral("ApmaksHorizonRest"), false)) {
        restAdrese = rest.ReadString(QStringLiteral("RestAdrese"));
        userName = rest.ReadString(QStringLiteral("UserName"));
        password = rest.ReadString(QStringLiteral("Pasword"));
    }
    if (restAdrese.isEmpty()) {
        context_.dialogs.showMessage(QStringLiteral("Nav ievādīta REST vietne !!!"));
        return false;
    }
    if (userName.isEmpty()) {
        context_.dialogs.showMessage(QStringLiteral("Nav ievādīts lietotāja vārds !!!"));
        return false;
    }
    if (password.isEmpty()) {
        context_.dialogs.showMessage(QStringLiteral("Nav ievādīta partole !!!"));
        return false;
    }
    const QDateTime datumsNo = rest.ReadDateTime(QStringLiteral("DatumsNo"));
    rest.CloseKey();
    int lastIsNodala = 1;
    RegistryKey order(context_.registry);
    if (order.OpenKey(QStringLiteral("ApmaksOrder"), true))
        lastIsNodala = order.ReadInteger(QStringLiteral("LastIsNodala"));
    order.CloseKey();

    if (busy.isSet())
        return false;
    log.WriteLog(QStringLiteral("Sāku Horizon..."));
    busy.set(true, kBusyLabel);

    bool completed = false;
    try {
        HttpRequest request;
        request.url = queryUrl(restAdrese, datumsNo.date());
        request.headers = {{"Accept", "application/json, text/plain; q=0.9, text/html;q=0.8,"},
                           {"Accept-Charset", "utf-8, *;q=0.8"}};
        request.user = userName;
        request.password = password;
        request.connectTimeoutMs = timeouts_.connectMs;
        request.timeoutMs = timeouts_.totalMs;

        HttpResponse response;
        try {
            response = HttpClient().send(request);
        } catch (const std::exception& e) {
            log.WriteLog(kFailureLine + QStringLiteral(" Paziņojums :\n") + errorText(e));
        }

        if (response.status != 200) {
            log.WriteLog(kFailureLine + QStringLiteral(" Status Code=") + QString::number(response.status)
                         + QLatin1Char('\n') + response.text());
        } else {
            FbDatabase& db = dati.PRECES_DB();
            SqlQuery duplicate(db, QString::fromLatin1(kDuplicateSql));
            SqlQuery comment(db, QString::fromLatin1(kCommentSql));
            SqlQuery customer(db, QString::fromLatin1(kCustomerSql));
            SqlQuery insert(db, QString::fromLatin1(kInsertSql));
            QStringList unmatched;

            const QJsonArray rows = answerRows(response.body);
            for (int n = 0; n < rows.size(); ++n) {
                const QJsonValue row = rows.at(n);
                const QJsonValue pdok = row.toObject().value(QStringLiteral("PDOK"));
                if (!pdok.isObject())
                    RowReader({}, n + 1).fail(pdok.isUndefined() ? QStringLiteral("no member PDOK")
                                                                 : QStringLiteral("PDOK is not an object"));
                const Payment p = RowReader(pdok.toObject(), n + 1).read();
                const QString tail = QStringLiteral(" | Kods=") + p.counterParty + QStringLiteral(" | Pamat=") + p.purpose
                    + QStringLiteral(" Datums=") + p.dateText;

                const std::optional<QString> code = identificationCode(p.purpose);
                if (!code) {
                    unmatched << QStringLiteral("Nav atrasts pamatojumā ID") + tail;
                    continue;
                }
                // An empty code names nobody, even a customer whose code is empty.
                int klient = 0;
                QString klkoment;
                if (!code->isEmpty()) {
                    customer.bind(QStringLiteral("IDKODS"), *code);
                    customer.open();
                    klient = customer.asInt(QStringLiteral("ISN"));
                    klkoment = customer.asString(QStringLiteral("KLKOMENT"));
                }
                if (klient <= 0) {
                    unmatched << QStringLiteral("Nav atrasts klients pēc koda ") + *code + tail;
                    continue;
                }

                if (!p.counterParty.isEmpty() && !listed(klkoment, p.counterParty)) {
                    if (!klkoment.isEmpty())
                        klkoment += QLatin1Char(',');
                    klkoment += p.counterParty;
                    comment.bind(QStringLiteral("KLKOMENT"), klkoment).bind(QStringLiteral("ISN"), klient);
                    comment.exec();
                }

                const QDateTime date(p.date, QTime(0, 0));
                duplicate.bind(QStringLiteral("ISKLIENT"), klient)
                    .bind(QStringLiteral("APMAKS_DAT"), date)
                    .bind(QStringLiteral("APMAKS_DOK"), p.document);
                duplicate.open();
                if (duplicate.asInt(QStringLiteral("ISN")) != 0)
                    continue;

                insert.bind(QStringLiteral("ISKLIENT"), klient)
                    .bind(QStringLiteral("ISNODALA"), lastIsNodala)
                    .bind(QStringLiteral("ISAGENTS"), 1)
                    .bind(QStringLiteral("APMAKS_SUM"), 0.0)
                    .bind(QStringLiteral("PARPALIKUM"), p.amount)
                    .bind(QStringLiteral("APMAKS_DOK"), p.document)
                    .bind(QStringLiteral("APMAKS_DAT"), date)
                    .bind(QStringLiteral("ISAPMAKSVEIDS"), 1);
                insert.exec();
            }

            if (!unmatched.isEmpty()) {
                const QString fileName = QDir(dati.TempDir).filePath(unmatchedFileName());
                saveLines(fileName, unmatched);
                log.WriteLog(QStringLiteral("Horizon neatrastie dati saglabāti failā ") + fileName);
            }
            dati.CommitRetaining();
            completed = true;
        }
    } catch (...) {
        busy.set(false, kBusyLabel);
        throw;
    }

    busy.set(false, kBusyLabel);
    log.WriteLog(QStringLiteral("Horizon imports pabeigts"));
    return completed;
}
