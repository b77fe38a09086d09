#include "EdisoftStatusImport.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Errors.h"
#include "platform/Log.h"

EdisoftResult EdisoftStatusImport::import(const QString& path)
{
    ctx_.log.WriteLog(QStringLiteral("Edisoft Pasūtījumu ziņojumu fails : ") + path);
    XmlElementReader file;
    try {
        file = XmlElementReader::fromFile(path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda ielasot no pasūtījumu ziņojumu faila. Paziņojums:")
                                  + errorText(e));
    }
    const QVector<Status> updates = read(file, path);
    try {
        DocumentScope scope(ctx_.dati);
        SqlQuery update(ctx_.dati.PRECES_DB(), QStringLiteral(
            "UPDATE O_PASPAV SET FTP_DATUMS=:FTP_DATUMS WHERE NR_PAVADZ=:NR_PAVADZ AND DATUMS=:DATUMS"));
        for (const Status& s : updates) {
            update.bind(QStringLiteral("FTP_DATUMS"), s.statusTime)
                .bind(QStringLiteral("NR_PAVADZ"), s.number)
                .bind(QStringLiteral("DATUMS"), QDateTime(s.date, QTime(0, 0)));
            update.exec();
        }
        scope.commit();
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda ievadot pasūtījumu ziņojumu failu, fails paliek nākamajai "
                                             "reizei : ") + path + QStringLiteral(" Paziņojums:") + errorText(e));
    }
    return {EdisoftOutcome::Stored, {}};
}

QVector<EdisoftStatusImport::Status> EdisoftStatusImport::read(const XmlElementReader& file, const QString& path)
{
    QVector<Status> updates;
    for (int n = 1;; ++n) {
        const QString type = file.value(QStringLiteral("document-type"), n).trimmed();
        if (type.isEmpty())
            break;
        ctx_.log.WriteLog(QStringLiteral("Edisoft Bloks : %1").arg(n));
        Status s;
        s.number = file.value(QStringLiteral("document-number"), n).trimmed();
        const QString statusTime = file.value(QStringLiteral("document-status-date"), n).trimmed();
        const auto fieldError = [&](const char* field) {
            ctx_.log.WriteLog(QStringLiteral("Edisoft Kļūda laukā %1, Bloks=%2 fails : %3")
                                  .arg(QLatin1String(field)).arg(n).arg(path));
        };
        try {
            s.date = XmlElementReader::toDate(file.value(QStringLiteral("document-date"), n));
        } catch (const ConvertError&) {
            fieldError("document-date");
            continue;
        }
        if (!statusTime.isEmpty()) {
            try {
                s.statusTime = XmlElementReader::toDateTime(statusTime);
            } catch (const ConvertError&) {
                fieldError("document-status-date");
                continue;
            }
        }
        // A number longer than the column names no order.
        if (type == QLatin1String("ORDER") && s.statusTime.isValid() && !s.number.isEmpty() && s.number.size() <= 30)
            updates << s;
    }
    return updates;
}
