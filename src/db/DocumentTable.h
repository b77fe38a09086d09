#pragma once

#include "N_klprecinfo.h"
#include "SqlQuery.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

class TMainFormDati;

// Record fields as statement values: flags as "T"/"F", texts never NULL.
namespace DocField {
inline QVariant value(int v) { return v; }
inline QVariant value(double v) { return v; }
inline QVariant value(const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double)); }
inline QVariant value(bool v) { return v ? QStringLiteral("T") : QStringLiteral("F"); }
inline QVariant value(const QString& v) { return v.isNull() ? QStringLiteral("") : v; }
inline QVariant value(const QDateTime& v)
{
    return v.isValid() ? QVariant(v) : QVariant(QMetaType(QMetaType::QDateTime));
}
}  // namespace DocField

// Binds every parameter a record names through its params() visitor.
template <class Record>
void bindRecord(SqlQuery& q, const Record& record)
{
    record.params([&q](const char* name, const auto& v) { q.bind(QLatin1String(name), DocField::value(v)); });
}

// "INSERT INTO table (A, B, ...) VALUES (:A, :B, ...)" from the parameters a record names,
// followed by columns written as constants.
template <class Record>
QString assembleInsert(const QString& table, const Record& record,
                       std::initializer_list<std::pair<const char*, const char*>> constants = {})
{
    QStringList columns, values;
    record.params([&](const char* name, const auto&) {
        columns << QLatin1String(name);
        values << QLatin1Char(':') + QLatin1String(name);
    });
    for (const auto& c : constants) {
        columns << QLatin1String(c.first);
        values << QLatin1String(c.second);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(QStringLiteral(", ")),
                                                                  values.join(QStringLiteral(", ")));
}

// How a head names its customer when it gives no key. Tried in this order; a later code
// that is found overrides an earlier one.
struct TCustomerCodes {
    QString KL_PVNKODS;   // VAT code: N_KLIENT.PVNKODS
    QString KL_FTPKODS;   // exchange-partner code: N_KL_STRV.FTP_KLKODS, else N_KLIENT.FTP_KLKODS
    QString KL_IDKODS;    // identification code: N_KLIENT.IDKODS, else N_KL_STRV.KODS
    QString KL_FTPKODS2;  // second exchange-partner code, like the first
};

// How a line names its goods when it gives no key (ISPRECE 0), and what a missing row is made of.
struct TLineGoods {
    QString ARTIKULS;
    QString ARTIKULS7;  // compared with ARTIKULS7 instead of the article when given
    QString GNOS;       // name for a look-up by name and for a new row ("NO NAME" when empty)
    GoodsLookup Meklet = GoodsLookup::Article;
    TJaunaPrece JaunaPrece;  // further columns of a new row
};

// The resolved customer and, when a delivery place named it, the place.
struct TCustomerRef {
    int ISKLIENT = 0;
    int ISKLSTRV = 0;
};

// What an insert reports when it fails for good.
struct TInsertReport {
    const char* className;   // "TO_preceTable"
    const char* function;    // "O_PAVADZInsert"
    const char* table;       // "O_PAVADZ"
    const char* messageKey;  // "O_PAVADZInsertM1"
    const char* message;     // "Neizdevās izveidot saņemšanas pavadzīmi !!!\n"
    int attempts;            // 5, or 1 where nothing is retried
};

// The head of a line as stored, read by the line insert (the importer may have given the key
// of an existing document). The head select names its columns with these aliases.
struct THeadContext {
    QString numurs;       // NUMURS
    QDateTime datums;     // DATUMS: the document date of the journal
    QDateTime stockDate;  // STOCK_DATE, else DATUMS: the date of the stock update
    int isKlient = 0;     // ISKLIENT
    int isNodala = 0;     // ISNODALA
    int isNodalaUz = 0;   // ISNODALAUZ
    QString nelegaliz;    // NELEGALIZ
    int cenKods = 0;      // CENKODS: the department's price level
};

// What differs between the line inserts.
struct TLineKind {
    TInsertReport report;
    const char* generator;   // "O_PRECEGEN"
    const char* headColumn;  // the line's column holding the head key: "ISPAVADZ"
    const char* headSelect;  // the head by :ISN, columns aliased as in THeadContext
    const char* insert;      // the line statement
    const char* missingUnit;  // message box when there is no head
    const char* missingKey;
    const char* missingText;
    bool defaultVat;  // NODOKLIS 0 takes the system's default rate instead of the goods' rate
};

// What the six document classes share: reference resolution, goods of a line, key read-back,
// journal, and the insert frame with its retries and failure report.
class TDocumentTable {
public:
    TDocumentTable(const TDocumentTable&) = delete;
    TDocumentTable& operator=(const TDocumentTable&) = delete;

    // Why the last insert did not happen, for the importer's log; empty after a success.
    QString ErrorText;

protected:
    explicit TDocumentTable(TMainFormDati& dati);
    ~TDocumentTable() = default;

    TMainFormDati& dati() const { return dati_; }
    FbDatabase& db() const;
    QDateTime now() const;
    QString entryCode(const QString& given) const;  // the importer's entry code, else the operator
    double defaultVat() const;
    void commit();

    // prepare runs once; step is one unit of work ending with a commit, tried report.attempts
    // times 1000 ms apart, each attempt rolled back to where it started when it fails. After
    // the last failure: journal "E", the error handler, ErrorText; false.
    bool runInsert(const TInsertReport& report, const QString& numurs, const QDateTime& datums,
                   const std::function<void()>& prepare, const std::function<void()>& step);
    // A line before its head: the message box and nothing else.
    void headMissing(const QString& unit, const QString& key, const QString& text);

    TCustomerRef resolveCustomer(const TCustomerCodes& codes, TCustomerRef start);
    // The department with the code in one of N_DEPART's code columns; 0 when none.
    int departmentByCode(const QString& column, const QString& code);
    // key when the table has that row, else 1.
    int existingOrDefault(const char* table, int key);
    static int orDefault(int key) { return key > 0 ? key : 1; }

    // The key an insert took: the generator's value, confirmed when match is given by finding
    // the row with those values within 10 of it (another attachment may have used the generator).
    using TKeyMatch = QList<QPair<QString, QVariant>>;
    // The match of a customer document head: customer, department, number and its date column.
    static TKeyMatch customerHeadMatch(int isKlient, int isNodala, const QString& nrPavadz,
                                       const char* dateColumn, const QDateTime& date);
    int insertedKey(const char* table, const char* generator, const TKeyMatch& match = {});
    void journal(const QString& code, const QString& numurs, const QString& table, int isPrece,
                 const QString& note, int key, const QDateTime& datums);

    // The goods of a line: by key, else by article or name, else a new row.
    // Leaves the row in goods().Prece.
    int resolveGoods(int isPrece, const TLineGoods& line, std::optional<double> nodoklis, int supplier,
                     const QString& entry);
    const TPreceInfo& goods() const { return goods_.Prece; }

    int journalGoods_ = 0;  // goods key of the "E" entry of a failing line

    // Every head insert: prepare (resolution and defaults, once), then the insert with its key
    // confirmed by match, the journal "J" with the head's note, and the commit, under runInsert.
    // Returns the head key, 0 on failure.
    template <class Head>
    int insertHead(const TInsertReport& report, const char* generator, Head& head, const QString& sql,
                   const QDateTime& datums, const std::function<void()>& prepare,
                   const std::function<TKeyMatch()>& match);

    THeadContext readHead(const char* select, int key, THeadContext context);

    // Every line insert: the head check, the goods of the line, the common defaults, fill (the
    // class's own values), the insert with its key, the journal, effects (stock, prices) and the
    // commit, under runInsert. Returns the line key, 0 on failure. headField is the record's
    // head-key parameter.
    template <class Line>
    int insertLine(const TLineKind& kind, int headKey, int Line::*headField, Line& line, THeadContext context,
                   const std::function<void(THeadContext&)>& fill,
                   const std::function<void(const THeadContext&)>& effects);

private:
    TMainFormDati& dati_;
    TN_klprecinfo goods_;
};

template <class Head>
int TDocumentTable::insertHead(const TInsertReport& report, const char* generator, Head& h, const QString& sql,
                               const QDateTime& datums, const std::function<void()>& prepare,
                               const std::function<TKeyMatch()>& match)
{
    h.ISN = 0;
    int key = 0;
    const bool ok = runInsert(report, h.NR_PAVADZ, datums, prepare, [&] {
        SqlQuery q(db(), sql);
        bindRecord(q, h);
        q.exec();
        key = insertedKey(report.table, generator, match());
        journal(QStringLiteral("J"), h.NR_PAVADZ, QLatin1String(report.table), 0, h.PIEZIMES, key, datums);
        commit();
    });
    h.ISN = ok ? key : 0;
    return h.ISN;
}

template <class Line>
int TDocumentTable::insertLine(const TLineKind& kind, int headKey, int Line::*headField, Line& l,
                               THeadContext c, const std::function<void(THeadContext&)>& fill,
                               const std::function<void(const THeadContext&)>& effects)
{
    l.ISN = 0;
    if (headKey <= 0) {
        headMissing(QLatin1String(kind.missingUnit), QLatin1String(kind.missingKey),
                    QString::fromUtf8(kind.missingText));
        return 0;
    }
    int key = 0;
    const bool ok = runInsert(
        kind.report, c.numurs, c.datums,
        [&] {
            l.*headField = headKey;
            c = readHead(kind.headSelect, headKey, c);
            QString entry;
            if constexpr (requires { l.IEVKODS; })
                entry = l.IEVKODS;
            l.ISPRECE = resolveGoods(l.ISPRECE, l, l.NODOKLIS, c.isKlient, entryCode(entry));
            journalGoods_ = l.ISPRECE;
            if (!l.NODOKLIS)
                l.NODOKLIS = kind.defaultVat ? defaultVat() : goods().NODOKLIS;
            if constexpr (requires { l.ISSERTIF; })
                l.ISSERTIF = orDefault(l.ISSERTIF);
            if constexpr (requires { l.IEVDAT; }) {
                l.IEVDAT = now();
                l.IEVKODS = entryCode(l.IEVKODS);
            }
            if (fill)
                fill(c);
        },
        [&] {
            SqlQuery q(db(), QLatin1String(kind.insert));
            bindRecord(q, l);
            q.exec();
            key = insertedKey(kind.report.table, kind.generator,
                              {{QLatin1String(kind.headColumn), headKey}, {QStringLiteral("ISPRECE"), l.ISPRECE}});
            journal(QStringLiteral("J"), c.numurs, QLatin1String(kind.report.table), l.ISPRECE, goods().ARTIKULS, key,
                    c.datums);
            if (effects)
                effects(c);
            commit();
        });
    l.ISN = ok ? key : 0;
    return l.ISN;
}

// Current stock of goods in a department. With flag 1 nothing changes when the goods were
// counted in that department on or after the date (the count already fixes the stock).
void UpdateCurrentStock(TMainFormDati& dati, int isNodala, int isPrece, const QDateTime& datums, double daudzums,
                        const QString& nelegaliz, int flag);
