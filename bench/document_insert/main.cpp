// Incoming invoices through TO_preceTable into a fresh goods database made by
// scripts/create-goods-db: heads and lines with goods look-up, journal, stock update and a
// commit per insert, as the importers run them. Then the floor, in the same database: a bare
// loop of the writes the job makes (head, line, journal row, stock procedure), each prepared
// once, with a commit-retaining per record.
//
//   bench_document_insert [INVOICES [LINES]]     (default 1000 x 20)

#include "../BenchSupport.h"

#include "db/Mainformdatiform.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kGoods = 400;

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The same writes without the look-ups: what the job cannot go below.
double floorRun(TMainFormDati& dati, int invoices, int lines)
{
    FbDatabase& db = dati.PRECES_DB();
    FbDatabase& journal = dati.fdcPRECES();
    SqlQuery head(db, QStringLiteral("INSERT INTO O_PAVADZ (ISKLIENT, ISNODALA, NR_PAVADZ, DAT_PAVADZ, DAT_SANEM, KOMENTARS) "
                                     "VALUES (2, 2, :NR, :D, :D, 'floor')"));
    SqlQuery key(db, QStringLiteral("SELECT GEN_ID(O_PAVADZGEN,0) ISN FROM N_ISI"));
    SqlQuery line(db, QStringLiteral("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS, NODOKLIS) "
                                     "VALUES (:H, :G, :C, :Q, 21)"));
    SqlQuery stock(db, QStringLiteral("EXECUTE PROCEDURE UPDATETEKATLIK(:G, 2, :Q, 'F', 1)"));
    SqlQuery note(journal, QStringLiteral("INSERT INTO O_OPERACIJAS (TAUSTINS, IEVKODS, IEVDAT, DATUMS, NUMURS, BAZE, "
                                          "ISN_BAZE, PIEZIMES, ISPRECE) VALUES ('J', 'ADMIN', :D, :D, :NR, :T, :K, 'floor', :G)"));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < invoices; ++i) {
        const QString nr = QStringLiteral("F-%1").arg(i + 1);
        const QDateTime d(QDate(2026, 12, 1).addDays(i % 28), QTime(0, 0));
        head.bind(QStringLiteral("NR"), nr).bind(QStringLiteral("D"), d).exec();
        key.open();
        const int h = key.asInt(QStringLiteral("ISN"));
        note.bind(QStringLiteral("D"), d).bind(QStringLiteral("NR"), nr).bind(QStringLiteral("T"), QStringLiteral("O_PAVADZ"))
            .bind(QStringLiteral("K"), h).bind(QStringLiteral("G"), 0).exec();
        dati.CommitRetaining();
        for (int l = 0; l < lines; ++l) {
            const int g = (i * lines + l) % kGoods + 1;
            line.bind(QStringLiteral("H"), h).bind(QStringLiteral("G"), g).bind(QStringLiteral("C"), 0.5 + g / 200.0)
                .bind(QStringLiteral("Q"), 1 + l).exec();
            note.bind(QStringLiteral("T"), QStringLiteral("O_PRECE")).bind(QStringLiteral("K"), h).bind(QStringLiteral("G"), g).exec();
            dati.CommitRetaining();
            stock.bind(QStringLiteral("G"), g).bind(QStringLiteral("Q"), 1 + l).exec();
        }
    }
    dati.CommitRetaining();
    return timer.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PRECES.GDB"));
    QProcess create;
    create.start(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path});
    if (!create.waitForFinished(120000) || create.exitCode() != 0) {
        std::fprintf(stderr, "creating the goods database failed: %s\n", create.readAllStandardError().constData());
        return 1;
    }

    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(path, dir.path())) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(log.last));
        return 1;
    }
    FbDatabase& db = dati.PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_DEPART (GNOS, KODS) VALUES ('Noliktava', 'N01')"));
    execSql(db, QStringLiteral("INSERT INTO N_KLIENT (GNOS, PVNKODS, PIEGADAT) VALUES ('Piegādātājs', 'LV40003000001', 'T')"));
    for (int g = 1; g <= kGoods; ++g)
        execSql(db, QStringLiteral("INSERT INTO N_KLPREC (GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS, PARDCENA1) "
                                   "VALUES (:GNOS, :ARTIKULS, 1, 21, :CENA)"),
                {{QStringLiteral("GNOS"), QStringLiteral("Prece %1").arg(g)},
                 {QStringLiteral("ARTIKULS"), QStringLiteral("475%1").arg(g, 10, 10, QLatin1Char('0'))},
                 {QStringLiteral("CENA"), 1.0 + g / 100.0}});
    dati.CommitRetaining();

    const long rssBefore = peakRssKb();
    const int preparesBefore = db.prepareCount() + dati.fdcPRECES().prepareCount();
    QElapsedTimer timer;
    timer.start();
    int stored = 0;
    int failed = 0;
    TO_preceTable table(dati);
    for (int i = 0; i < invoices; ++i) {
        table.O_PAVADZ = {};
        table.O_PAVADZ.KL_PVNKODS = QStringLiteral("LV40003000001");
        table.O_PAVADZ.NODALAS_KODS = QStringLiteral("N01");
        table.O_PAVADZ.NR_PAVADZ = QStringLiteral("ZP-%1").arg(i + 1);
        table.O_PAVADZ.DAT_PAVADZ = QDateTime(QDate(2026, 12, 1).addDays(i % 28), QTime(0, 0));
        table.O_PAVADZ.DAT_SANEM = table.O_PAVADZ.DAT_PAVADZ;
        table.O_PAVADZ.PIEZIMES = QStringLiteral("bench");
        if (table.O_PAVADZInsert() <= 0) {
            ++failed;
            continue;
        }
        for (int l = 0; l < lines; ++l) {
            const int g = (i * lines + l) % kGoods + 1;
            table.O_PRECE = {};
            table.O_PRECE.ARTIKULS = QStringLiteral("475%1").arg(g, 10, 10, QLatin1Char('0'));
            table.O_PRECE.DAUDZUMS = 1 + l;
            table.O_PRECE.CENA = 0.5 + g / 200.0;
            if (table.O_PRECEInsert() > 0)
                ++stored;
            else
                ++failed;
        }
    }
    const double seconds = timer.elapsed() / 1000.0;
    const int prepares = db.prepareCount() + dati.fdcPRECES().prepareCount() - preparesBefore;

    const double floorSeconds = floorRun(dati, invoices, lines);

    SqlQuery check(db, QStringLiteral("SELECT COUNT(*) N FROM O_PRECE"));
    check.open();
    std::printf("document_insert: %d invoices x %d lines, %d lines stored (%d in the table), %d failed\n", invoices,
                lines, stored, check.asInt(QStringLiteral("N")), failed + dialogs.count);
    std::printf("time: %.1f s, %.0f lines per second, %.1f invoices per second\n", seconds, stored / seconds,
                invoices / seconds);
    std::printf("floor: %.1f s, %.0f lines per second; job/floor %.2f (target <= 1.5)\n", floorSeconds,
                invoices * lines / floorSeconds, seconds / floorSeconds);
    std::printf("statement prepares in the job: %d (for %d records)\n", prepares, invoices * (lines + 1));
    std::printf("peak memory: %ld KiB (%ld KiB before the inserts)\n", peakRssKb(), rssBefore);
    return failed == 0 && dialogs.count == 0 ? 0 : 1;
}
