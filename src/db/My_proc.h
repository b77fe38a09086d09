#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <functional>

class TMainFormDati;

// Shared reporting procedures: error handler and error table, message look-up,
// operations journal and single-value readers.
class MyProc {
public:
    explicit MyProc(TMainFormDati& dati) : dati_(dati) {}

    // Records the error in O_ERRORINFO and shows it to the operator.
    void MyErrorHandle(const QString& functionName, const QString& message);
    void InsertErrorDB(const QString& functionName, const QString& message);
    // Returns the Latvian text; in a UTF8 database registers it in N_VALODAS once per key.
    QString TranslateLine(const QString& unit, const QString& key, const QString& lv);

    // One O_OPERACIJAS row. With code "L", a table and the new values, the changed columns
    // are described as "COLUMN:old->new | ". Throws DbError when the row cannot be written.
    void InsertOperacijas(const QString& code, const QString& numurs, const QString& table, int isPrece,
                          const QVariantMap* newValues, const QString& note, int rowKey,
                          const QDateTime& datums);
    // The description of what differs between the stored row and the new values.
    QString changeDescription(const QString& table, int rowKey, const QVariantMap& newValues);

    // Rows held back inside a document scope are written at its end: all of them after a
    // commit; after a rollback only the error rows and "E" journal rows.
    void writeHeldRows(bool committed);

    QString GetNotUseString(const QString& table, const QString& column, int key);
    double GetNotUseFloat(const QString& table, const QString& column, int key);

private:
    struct HeldRow {
        bool keepOnRollback;
        std::function<void()> write;
    };
    void insertErrorRow(const QString& functionName, const QString& message);
    void insertJournalRow(const QString& code, const QString& numurs, const QString& table, int isPrece,
                          const QString& change, const QString& note, int rowKey, const QDateTime& datums,
                          const QDateTime& ievdat);
    QVariant notUseValue(const QString& table, const QString& column, int key, const QString& functionName);

    TMainFormDati& dati_;
    int reporting_ = 0;  // reports of a failed look-up in progress
    QList<HeldRow> held_;
};
