#pragma once

#include "platform/XmlElementReader.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <limits>

struct ExchangeContext;
class TMainFormDati;

// The [Edisoft] settings.
struct EdisoftOptions {
    QString Katalogs;          // order files
    int Isnodala = 0;          // department of imported orders; 0: no order import
    QString KatalogsSanem;     // receipt files
    bool SanNeapstiprin = false;
    QString KatalogsPasutOut;  // read, not used here
    QString KatalogsMessage;   // order status messages
    int KlientaAtpazisana = 0;
    int PasutijumaDatumaFlag = 0;
    QString TestFails;         // the receipt file of the hidden test button
};

// What became of one file, and so where it goes.
enum class EdisoftOutcome {
    Stored,         // imported: backed up
    AlreadyStored,  // its document was there before: backed up, nothing stored
    Refused,        // can never be imported: set aside in "Kludas"
    Failed,         // stopped by the database or the file system: stays for the next run
};

struct EdisoftResult {
    EdisoftOutcome outcome = EdisoftOutcome::Failed;
    QString line;  // the log line that says why, when not stored
};

inline const QString kEdisoftEntryCode = QStringLiteral("IMPORTS NO EDISOFT");
// Every line of a file.
inline constexpr XmlBlock kWholeFile{0, std::numeric_limits<int>::max()};

// Reads the values of one file and gathers what does not read, so that a file is checked
// whole before anything of it is stored. Empty numbers read as 0, empty dates as invalid.
class EdisoftValues {
public:
    explicit EdisoftValues(const XmlElementReader& reader) : reader_(reader) {}

    QString text(const QString& tag, int n = 1, const XmlBlock& within = kWholeFile) const;
    double number(const QString& tag, int n = 1, const XmlBlock& within = kWholeFile, const QString& where = {});
    QDate date(const QString& tag, int n = 1, const XmlBlock& within = kWholeFile, const QString& where = {});
    // A count of lines: a whole number of 0 or more; -1 when it is not.
    int count(const QString& tag);
    // A text the column takes at most `length` characters of.
    void limit(const QString& value, int length, const QString& what);

    void refuse(const QString& reason) { reasons_ << reason; }
    const QStringList& reasons() const { return reasons_; }
    const XmlElementReader& reader() const { return reader_; }

private:
    const XmlElementReader& reader_;
    QStringList reasons_;
};

// "Edisoft Kļūda XML faila datos : " + path + reasons: logged, and the file is refused.
EdisoftResult refuseFile(ExchangeContext& ctx, const QString& path, const QStringList& reasons);
// A database or file-system failure: logged, and the file stays.
EdisoftResult keepFile(ExchangeContext& ctx, const QString& line);

// Another document of the customer with that number and date in a head table.
int earlierDocument(TMainFormDati& dati, const QString& table, const QString& dateColumn, int isKlient,
                    const QString& number, const QDate& date, int ownKey);
