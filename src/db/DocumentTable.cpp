#include "DocumentTable.h"

#include "Mainformdatiform.h"
#include "My_proc.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Log.h"

namespace {

const char* const kSavepoint = "SAVEPOINT VARNIS_DOKUMENTS";
const char* const kRollbackToSavepoint = "ROLLBACK TO SAVEPOINT VARNIS_DOKUMENTS";

}  // namespace

TDocumentTable::TDocumentTable(TMainFormDati& dati) : dati_(dati), goods_(dati)
{
}

FbDatabase& TDocumentTable::db() const
{
    return dati_.PRECES_DB();
}

QDateTime TDocumentTable::now() const
{
    return dati_.clock().now();
}

QString TDocumentTable::entryCode(const QString& given) const
{
    return given.trimmed().isEmpty() ? dati_.OperatorName : given;
}

double TDocumentTable::defaultVat() const
{
    return dati_.DEF_PVN;
}

void TDocumentTable::commit()
{
    dati_.CommitRetaining();
}

THeadContext TDocumentTable::readHead(const char* select, int key, THeadContext c)
{
    SqlQuery q(db(), QLatin1String(select));
    q.bind(QStringLiteral("ISN"), key);
    q.open();
    if (q.isEmpty())
        throw DbError(QStringLiteral("Dokumenta galva ISN=%1 nav atrasta").arg(key));
    const auto has = [&q](const char* field) { return q.hasField(QLatin1String(field)); };
    if (has("NUMURS"))
        c.numurs = q.asString(QStringLiteral("NUMURS"));
    if (has("DATUMS"))
        c.datums = q.asDateTime(QStringLiteral("DATUMS"));
    c.stockDate = has("STOCK_DATE") ? q.asDateTime(QStringLiteral("STOCK_DATE")) : c.datums;
    if (has("ISKLIENT"))
        c.isKlient = q.asInt(QStringLiteral("ISKLIENT"));
    if (has("ISNODALA"))
        c.isNodala = q.asInt(QStringLiteral("ISNODALA"));
    if (has("ISNODALAUZ"))
        c.isNodalaUz = q.asInt(QStringLiteral("ISNODALAUZ"));
    if (has("NELEGALIZ"))
        c.nelegaliz = q.asString(QStringLiteral("NELEGALIZ")).trimmed();
    if (has("CENKODS"))
        c.cenKods = q.asInt(QStringLiteral("CENKODS"));
    return c;
}

bool TDocumentTable::runInsert(const TInsertReport& report, const QString& numurs, const QDateTime& datums,
                               const std::function<void()>& prepare, const std::function<void()>& step)
{
    ErrorText.clear();
    journalGoods_ = 0;
    QString error;
    bool prepared = false;
    try {
        prepare();
        prepared = true;
    } catch (const std::exception& e) {
        error = errorText(e);
    }
    for (int attempt = 1; prepared && attempt <= report.attempts; ++attempt) {
        // A failed attempt may have written part of its rows; they go before the next one,
        // or the document would be stored twice.
        bool marked = false;
        try {
            execSql(db(), QLatin1String(kSavepoint));
            marked = true;
            step();
            return true;
        } catch (const std::exception& e) {
            error = errorText(e);
            if (marked) {
                try {
                    execSql(db(), QLatin1String(kRollbackToSavepoint));
                } catch (const std::exception&) {
                    // The transaction is gone with the connection; nothing is left to undo.
                }
            }
        }
        if (attempt < report.attempts)
            dati_.clock().sleep(1000);
    }

    const QString function = QLatin1String(report.function);
    try {
        journal(QStringLiteral("E"), numurs, QLatin1String(report.table), journalGoods_,
                QStringLiteral("Kļūda pie ") + function + QLatin1Char('=') + error, 0, datums);
    } catch (const std::exception&) {
        // The journal shares the fault; the error handler below still reports it.
    }
    ErrorText = dati_.proc().TranslateLine(QLatin1String(report.className), QLatin1String(report.messageKey),
                                           QString::fromUtf8(report.message))
        + error;
    dati_.proc().MyErrorHandle(QLatin1String(report.className) + QStringLiteral("::") + function, ErrorText);
    return false;
}

void TDocumentTable::headMissing(const QString& unit, const QString& key, const QString& text)
{
    ErrorText = dati_.proc().TranslateLine(unit, key, text);
    dati_.dialogs().showMessage(ErrorText);
}

TCustomerRef TDocumentTable::resolveCustomer(const TCustomerCodes& codes, TCustomerRef found)
{
    const auto byCustomer = [&](const char* column, const QString& code) {
        SqlQuery q(db(), QStringLiteral("SELECT ISN FROM N_KLIENT WHERE %1=:KODS").arg(QLatin1String(column)));
        q.bind(QStringLiteral("KODS"), code);
        q.open();
        const int isn = q.asInt(QStringLiteral("ISN"));
        if (isn > 0)
            found = {isn, 0};
        return isn > 0;
    };
    const auto byPlace = [&](const char* column, const QString& code) {
        SqlQuery q(db(), QStringLiteral("SELECT ISN, ISKLIENT FROM N_KL_STRV WHERE %1=:KODS").arg(QLatin1String(column)));
        q.bind(QStringLiteral("KODS"), code);
        q.open();
        const int place = q.asInt(QStringLiteral("ISN"));
        if (place > 0)
            found = {q.asInt(QStringLiteral("ISKLIENT")), place};
        return place > 0;
    };
    const auto partner = [&](const QString& code) {
        if (!byPlace("FTP_KLKODS", code))
            byCustomer("FTP_KLKODS", code);
    };

    if (!codes.KL_PVNKODS.trimmed().isEmpty())
        byCustomer("PVNKODS", codes.KL_PVNKODS.trimmed());
    if (!codes.KL_FTPKODS.trimmed().isEmpty())
        partner(codes.KL_FTPKODS.trimmed());
    if (!codes.KL_IDKODS.trimmed().isEmpty() && !byCustomer("IDKODS", codes.KL_IDKODS.trimmed()))
        byPlace("KODS", codes.KL_IDKODS.trimmed());
    if (!codes.KL_FTPKODS2.trimmed().isEmpty())
        partner(codes.KL_FTPKODS2.trimmed());
    return found;
}

int TDocumentTable::departmentByCode(const QString& column, const QString& code)
{
    // The column name goes into the statement: only N_DEPART's code columns are accepted.
    static const QStringList columns{QStringLiteral("KODS"), QStringLiteral("TELEMAA_KODS"),
                                     QStringLiteral("EDISOFT_KODS"), QStringLiteral("EQUINOX_KODS")};
    const QString c = column.trimmed().toUpper();
    if (!columns.contains(c) || code.trimmed().isEmpty())
        return 0;
    SqlQuery q(db(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE %1=:KODS").arg(c));
    q.bind(QStringLiteral("KODS"), code.trimmed());
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}

int TDocumentTable::existingOrDefault(const char* table, int key)
{
    if (key <= 0)
        return 1;
    SqlQuery q(db(), QStringLiteral("SELECT ISN FROM %1 WHERE ISN=:ISN").arg(QLatin1String(table)));
    q.bind(QStringLiteral("ISN"), key);
    q.open();
    return q.isEmpty() ? 1 : key;
}

TDocumentTable::TKeyMatch TDocumentTable::customerHeadMatch(int isKlient, int isNodala, const QString& nrPavadz,
                                                           const char* dateColumn, const QDateTime& date)
{
    return TKeyMatch{{QStringLiteral("ISKLIENT"), isKlient}, {QStringLiteral("ISNODALA"), isNodala},
                     {QStringLiteral("NR_PAVADZ"), DocField::value(nrPavadz)}, {QString::fromLatin1(dateColumn), date}};
}

int TDocumentTable::insertedKey(const char* table, const char* generator, const TKeyMatch& match)
{
    SqlQuery gen(db(), QStringLiteral("SELECT GEN_ID(%1,0) ISN FROM N_ISI").arg(QLatin1String(generator)));
    gen.open();
    const int v = gen.asInt(QStringLiteral("ISN"));
    if (match.isEmpty())
        return v;

    const QString t = QLatin1String(table);
    QStringList where;
    for (const auto& m : match)
        where << QStringLiteral("%1.%2 = :%2").arg(t, m.first);
    where << QStringLiteral("%1.ISN BETWEEN :ISN_NO AND :ISN_LIDZ").arg(t);
    SqlQuery q(db(), QStringLiteral("SELECT %1.ISN FROM %1 WHERE %2 ORDER BY %1.ISN DESCENDING")
                         .arg(t, where.join(QStringLiteral(" AND "))));
    for (const auto& m : match)
        q.bind(m.first, m.second);
    q.bind(QStringLiteral("ISN_NO"), v - 10).bind(QStringLiteral("ISN_LIDZ"), v + 10);
    q.open();
    return q.isEmpty() ? v : q.asInt(QStringLiteral("ISN"));
}

void TDocumentTable::journal(const QString& code, const QString& numurs, const QString& table, int isPrece,
                             const QString& note, int key, const QDateTime& datums)
{
    dati_.proc().InsertOperacijas(code, numurs, table, isPrece, nullptr, note, key, datums);
}

int TDocumentTable::resolveGoods(int isPrece, const TLineGoods& line, std::optional<double> nodoklis, int supplier,
                                 const QString& entry)
{
    if (isPrece > 0 && goods_.FindIsn(isPrece) > 0)
        return isPrece;

    int found = 0;
    switch (line.Meklet) {
    case GoodsLookup::Article:
        found = goods_.FindArtikuls(line.ARTIKULS, line.ARTIKULS7);
        break;
    case GoodsLookup::Article5:
        found = goods_.FindArtikuls5(line.ARTIKULS);
        if (found == 0)
            found = goods_.FindArtikuls(line.ARTIKULS, line.ARTIKULS7);
        break;
    case GoodsLookup::Name:
        found = goods_.FindGnos(line.GNOS);
        break;
    }
    if (found > 0)
        return found;

    if (line.ARTIKULS.trimmed().isEmpty() && line.GNOS.trimmed().isEmpty()) {
        // Nothing to make a row of: the line keeps the default goods row.
        dati_.log().WriteLog(QStringLiteral("Prece nav atrasta (ISN=%1): dokumenta rindā ierakstīta prece ar ISN=1")
                                 .arg(isPrece));
        goods_.FindIsn(1);
        return 1;
    }

    TJaunaPrece p = line.JaunaPrece;
    if (p.ARTIKULS.isEmpty())
        p.ARTIKULS = line.ARTIKULS;
    if (p.ARTIKULS7.isEmpty())
        p.ARTIKULS7 = line.ARTIKULS7;
    if (p.GNOS.trimmed().isEmpty())
        p.GNOS = line.GNOS;
    if (p.NODOKLIS == 0)
        p.NODOKLIS = nodoklis.value_or(dati_.DEF_PVN);
    if (p.ISPRKLIENT <= 0 && p.REG_NR.trimmed().isEmpty())
        p.ISPRKLIENT = supplier;
    if (p.IEVKODS.isEmpty())
        p.IEVKODS = entry;
    const int created = goods_.CreatePrece(p);
    goods_.FindIsn(created);
    return created;
}

void UpdateCurrentStock(TMainFormDati& dati, int isNodala, int isPrece, const QDateTime& datums, double daudzums,
                        const QString& nelegaliz, int flag)
{
    if (flag == 1) {
        SqlQuery count(dati.PRECES_DB(), QStringLiteral(
            "SELECT O_PRATL_PAV.ISN FROM O_PRATL_PAV, O_PRATL_PRC WHERE O_PRATL_PAV.ISN = O_PRATL_PRC.ISPRATLPAV "
            "AND O_PRATL_PAV.ISNODALA = :ISNODALA AND O_PRATL_PRC.ISPRECE = :ISPRECE AND O_PRATL_PAV.DATUMS>=:DATUMS"));
        count.bind(QStringLiteral("ISNODALA"), isNodala)
            .bind(QStringLiteral("ISPRECE"), isPrece)
            .bind(QStringLiteral("DATUMS"), datums);
        count.open();
        if (!count.isEmpty())
            return;
    }
    dati.UpdateTekAtlik(isPrece, isNodala, daudzums,
                        nelegaliz.trimmed().isEmpty() ? QStringLiteral("F") : nelegaliz.trimmed(), flag);
}
