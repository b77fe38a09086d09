#include "My_proc.h"

#include "Mainformdatiform.h"
#include "SqlQuery.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"

namespace {

QString fieldText(const QVariant& v)
{
    if (v.isNull() || !v.isValid())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return DateText::floatText(v.toDouble());
    case QMetaType::QDateTime:
        return DateText::dateTimeField(v.toDateTime());
    case QMetaType::QDate:
        return DateText::date(v.toDate());
    default:
        return v.toString();
    }
}

bool isNumeric(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::Long:
        return true;
    default:
        return false;
    }
}

bool sameValue(const QVariant& stored, const QVariant& fresh)
{
    const bool storedNull = stored.isNull() || !stored.isValid();
    const bool freshNull = fresh.isNull() || !fresh.isValid();
    if (storedNull || freshNull)
        return storedNull == freshNull;
    if (isNumeric(stored) || isNumeric(fresh)) {
        bool a = false, b = false;
        const double x = stored.toDouble(&a), y = fresh.toDouble(&b);
        if (a && b)
            return x == y;
    }
    if (stored.typeId() == QMetaType::QDateTime || fresh.typeId() == QMetaType::QDateTime
        || stored.typeId() == QMetaType::QDate || fresh.typeId() == QMetaType::QDate)
        return stored.toDateTime() == fresh.toDateTime();
    // CHAR columns come back padded.
    auto rtrim = [](QString s) {
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s;
    };
    return rtrim(stored.toString()) == rtrim(fresh.toString());
}

}  // namespace

void MyProc::MyErrorHandle(const QString& functionName, const QString& message)
{
    InsertErrorDB(functionName, message);
    const QString text = TranslateLine(QStringLiteral("my_proc"), QStringLiteral("MyErrorHandle1"), QStringLiteral("KĻŪDA FUNKCIJĀ :"))
        + functionName + QLatin1Char(' ')
        + TranslateLine(QStringLiteral("my_proc"), QStringLiteral("MyErrorHandle2"), QStringLiteral("PAZIŅOJUMS :"))
        + QLatin1Char(' ') + message;
    dati_.dialogs().showMessage(text);
}

void MyProc::InsertErrorDB(const QString& functionName, const QString& message)
{
    // Inside a document the row would share the document's fate; it must outlive a rollback.
    if (dati_.inDocument()) {
        held_.append({true, [this, functionName, message] { insertErrorRow(functionName, message); }});
        return;
    }
    insertErrorRow(functionName, message);
}

void MyProc::insertErrorRow(const QString& functionName, const QString& message)
{
    try {
        SqlQuery q(dati_.PRECES_DB(), QStringLiteral(
            "INSERT INTO O_ERRORINFO (GNOS, PIETEICEJS, PROGRAMMA, LOGA_NOS, PIEZIMES, E_MAIL) "
            "VALUES (:GNOS, :PIETEICEJS, :PROGRAMMA, :LOGA_NOS, :PIEZIMES, 'NAV')"));
        q.bind(QStringLiteral("GNOS"), QStringLiteral("ERROR"))
            .bind(QStringLiteral("PIETEICEJS"), dati_.OperatorName)
            .bind(QStringLiteral("PROGRAMMA"), AppInfo::title().left(200))
            .bind(QStringLiteral("LOGA_NOS"), functionName.left(200))
            .bind(QStringLiteral("PIEZIMES"), message);
        q.exec();
        dati_.CommitRetaining();
    } catch (const std::exception& e) {
        const QString prefix = TranslateLine(QStringLiteral("my_proc"), QStringLiteral("InsertErrorDB1"),
                                             QStringLiteral("Procedūra : InsertErrorDB, Kļūda :\n"));
        dati_.dialogs().showMessage(prefix + errorText(e));
    }
}

QString MyProc::TranslateLine(const QString& unit, const QString& key, const QString& lv)
{
    // While a failed look-up is being reported, look-ups would fail and report again, without end;
    // without a connection there is nothing to look up.
    if (!dati_.Utf8 || reporting_ > 0 || !dati_.isConnected())
        return lv;
    try {
        SqlQuery q(dati_.PRECES_DB(), QStringLiteral(
            "SELECT N_VALODAS.ISN, N_VALODAS.LV, N_VALODAS.EN, N_VALODAS.RU FROM N_VALODAS "
            "WHERE (N_VALODAS.PROGRAM = 'VN' and N_VALODAS.FORM_NAME = :FORM_NAME and "
            "N_VALODAS.COMPONENT_NAME = :COMPONENT_NAME) OR (N_VALODAS.LV=:LV AND COALESCE(N_VALODAS.LV,'')!='')"));
        q.bind(QStringLiteral("FORM_NAME"), unit.left(50))
            .bind(QStringLiteral("COMPONENT_NAME"), key.left(150))
            .bind(QStringLiteral("LV"), lv);
        q.open();
        if (q.asInt(QStringLiteral("ISN")) == 0) {
            SqlQuery ins(dati_.PRECES_DB(), QStringLiteral(
                "INSERT INTO N_VALODAS (PROGRAM, FORM_NAME, COMPONENT_NAME, LV, NOT_UPDATE, IEVDAT, IEVKODS) "
                "VALUES ('VN', :FORM_NAME, :COMPONENT_NAME, :LV, 'F', :IEVDAT, :IEVKODS)"));
            ins.bind(QStringLiteral("FORM_NAME"), unit.left(50))
                .bind(QStringLiteral("COMPONENT_NAME"), key.left(150))
                .bind(QStringLiteral("LV"), lv)
                .bind(QStringLiteral("IEVDAT"), dati_.clock().now())
                .bind(QStringLiteral("IEVKODS"), dati_.OperatorName.left(20));
            ins.exec();
            dati_.CommitRetaining();
        }
    } catch (const std::exception& e) {
        ++reporting_;
        MyErrorHandle(QStringLiteral("TranslateLine"), errorText(e));
        --reporting_;
    }
    return lv;
}

QString MyProc::changeDescription(const QString& table, int rowKey, const QVariantMap& newValues)
{
    SqlQuery stored(dati_.fdcPRECES(), QStringLiteral("SELECT * FROM %1 WHERE ISN=:ISN").arg(table));
    stored.bind(QStringLiteral("ISN"), rowKey);
    stored.open();
    QString description;
    if (stored.isEmpty())
        return description;
    QMap<QString, QVariant> fresh;
    for (auto it = newValues.constBegin(); it != newValues.constEnd(); ++it)
        fresh.insert(it.key().toUpper(), it.value());
    for (const QString& column : stored.fieldNames()) {
        const auto it = fresh.constFind(column.toUpper());
        if (it == fresh.constEnd())
            continue;
        const QVariant old = stored.value(column);
        if (sameValue(old, it.value()))
            continue;
        description += column + QLatin1Char(':') + fieldText(old) + QStringLiteral("->") + fieldText(it.value())
            + QStringLiteral(" | ");
    }
    return description;
}

void MyProc::InsertOperacijas(const QString& code, const QString& numurs, const QString& table, int isPrece,
                              const QVariantMap* newValues, const QString& note, int rowKey,
                              const QDateTime& datums)
{
    QString change;
    if (code == QLatin1String("L") && !table.isEmpty() && newValues)
        change = changeDescription(table, rowKey, *newValues);
    const QDateTime ievdat = dati_.clock().now();
    // The journal has its own connection: inside a document its rows wait for the document's end.
    if (dati_.inDocument()) {
        held_.append({code == QLatin1String("E"), [=, this] {
                          insertJournalRow(code, numurs, table, isPrece, change, note, rowKey, datums, ievdat);
                      }});
        return;
    }
    insertJournalRow(code, numurs, table, isPrece, change, note, rowKey, datums, ievdat);
}

void MyProc::insertJournalRow(const QString& code, const QString& numurs, const QString& table, int isPrece,
                              const QString& change, const QString& note, int rowKey, const QDateTime& datums,
                              const QDateTime& ievdat)
{
    const QString columns = change.isEmpty()
        ? QStringLiteral("(TAUSTINS, IEVKODS, IEVDAT, DATUMS, NUMURS, BAZE, ISN_BAZE, PIEZIMES, ISPRECE) "
                         "VALUES (:TAUSTINS, :IEVKODS, :IEVDAT, :DATUMS, :NUMURS, :BAZE, :ISN_BAZE, :PIEZIMES, :ISPRECE)")
        : QStringLiteral("(TAUSTINS, IEVKODS, IEVDAT, DATUMS, NUMURS, BAZE, ISN_BAZE, PIEZIMES, PIEZIMES2, ISPRECE) "
                         "VALUES (:TAUSTINS, :IEVKODS, :IEVDAT, :DATUMS, :NUMURS, :BAZE, :ISN_BAZE, :PIEZIMES, :PIEZIMES2, :ISPRECE)");
    SqlQuery q(dati_.fdcPRECES(), QStringLiteral("INSERT INTO O_OPERACIJAS ") + columns);
    q.bind(QStringLiteral("TAUSTINS"), code.left(10))
        .bind(QStringLiteral("IEVKODS"), dati_.OperatorName.left(20))
        .bind(QStringLiteral("IEVDAT"), ievdat)
        .bind(QStringLiteral("DATUMS"), datums.isValid() ? QVariant(datums) : QVariant(QMetaType(QMetaType::QDateTime)))
        .bind(QStringLiteral("NUMURS"), numurs.left(15))
        .bind(QStringLiteral("BAZE"), table.left(20))
        .bind(QStringLiteral("ISN_BAZE"), rowKey)
        .bind(QStringLiteral("PIEZIMES"), note.left(100))
        .bind(QStringLiteral("ISPRECE"), isPrece);
    if (!change.isEmpty())
        q.bind(QStringLiteral("PIEZIMES2"), change);
    q.exec();
}

void MyProc::writeHeldRows(bool committed)
{
    const QList<HeldRow> rows = std::exchange(held_, {});
    for (const HeldRow& row : rows) {
        if (!committed && !row.keepOnRollback)
            continue;
        try {
            row.write();
        } catch (const std::exception& e) {
            dati_.log().WriteLog(QStringLiteral("Kļūda pie InsertOperacijas !!!") + errorText(e));
        }
    }
}

QVariant MyProc::notUseValue(const QString& table, const QString& column, int key, const QString& functionName)
{
    try {
        SqlQuery q(dati_.PRECES_DB(), QStringLiteral("SELECT %1 FROM %2 WHERE ISN = %3").arg(column, table).arg(key));
        q.open();
        return q.value(0);
    } catch (const std::exception& e) {
        MyErrorHandle(functionName,
                      TranslateLine(QStringLiteral("To_parpav"), QStringLiteral("CreateO_PAVADZSQL_M1"), QStringLiteral("Kļūda:\n"))
                          + errorText(e));
        return {};
    }
}

QString MyProc::GetNotUseString(const QString& table, const QString& column, int key)
{
    const QVariant v = notUseValue(table, column, key, QStringLiteral("GetNotUseString"));
    return v.isNull() ? QString() : v.toString();
}

double MyProc::GetNotUseFloat(const QString& table, const QString& column, int key)
{
    return notUseValue(table, column, key, QStringLiteral("GetNotUseFloat")).toDouble();
}
