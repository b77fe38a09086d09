// Edisoft receipt files through the whole run (listing, reading, checks, goods look-up,
// document scope, backup) against the floor: the same heads and lines through TO_preceTable
// directly, one document scope each, on a copy of the same goods database.
//
//   bench_edisoft_receipts [FILES [LINES [BIG_LINES]]]     (default 1000 x 20, and one of 2000)

#include "../BenchSupport.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "edi/EdisoftExchange.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int kGoods = 400;
const QString kSupplier = QStringLiteral("LV40003000001");
const QString kLocation = QStringLiteral("4751012340017");

QString article(int goods)
{
    return QStringLiteral("475%1").arg(goods, 10, 10, QLatin1Char('0'));
}

struct Line {
    int goods;
    double quantity;
    double netAmount;
};

Line lineOf(int document, int n, int lines)
{
    const int goods = (document * lines + n) % kGoods + 1;
    return {goods, 1.0 + n % 7, (1.0 + n % 7) * (0.5 + goods / 200.0)};
}

QByteArray receiptFile(const QString& number, int document, int lines)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document-Invoice>\n<Invoice-Header>\n<InvoiceNumber>"
        + number.toUtf8() + "</InvoiceNumber>\n<InvoiceDate>2026-12-01</InvoiceDate>\n<SalesDate>2026-12-02</SalesDate>\n"
        "<BuyerOrderNumber>PO-1</BuyerOrderNumber>\n</Invoice-Header>\n<Seller>\n<TaxID>" + kSupplier.toUtf8()
        + "</TaxID>\n</Seller>\n<DeliveryLocationNumber>" + kLocation.toUtf8() + "</DeliveryLocationNumber>\n<Invoice-Lines>\n";
    for (int n = 0; n < lines; ++n) {
        const Line l = lineOf(document, n, lines);
        text += "<Line>\n<EAN>" + article(l.goods).toUtf8() + "</EAN>\n<ItemDescription>Prece " + QByteArray::number(l.goods)
            + "</ItemDescription>\n<UnitOfMeasure>gab</UnitOfMeasure>\n<TaxRate>21</TaxRate>\n<InvoiceQuantity>"
            + QByteArray::number(l.quantity) + "</InvoiceQuantity>\n<NetAmount>" + QByteArray::number(l.netAmount, 'f', 2)
            + "</NetAmount>\n</Line>\n";
    }
    return text + "</Invoice-Lines>\n<TotalLines>" + QByteArray::number(lines) + "</TotalLines>\n</Document-Invoice>\n";
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and processor time of the work given to it, summed.
struct Phase {
    double wall = 0;
    double cpu = 0;
    void measure(const std::function<void()>& work)
    {
        QElapsedTimer timer;
        const double cpuBefore = cpuSeconds();
        timer.start();
        work();
        wall += timer.nsecsElapsed() / 1e9;
        cpu += cpuSeconds() - cpuBefore;
    }
};

// The registers every receipt names: a department, the supplier, the goods.
bool makeTemplate(const QString& path)
{
    QProcess create;
    create.start(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path});
    if (!create.waitForFinished(120000) || create.exitCode() != 0) {
        std::fprintf(stderr, "creating the goods database failed: %s\n", create.readAllStandardError().constData());
        return false;
    }
    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(path, QDir::tempPath()))
        return false;
    auto& db = dati.PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_DEPART (GNOS, EDISOFT_KODS) VALUES ('Noliktava', :K)"), {{"K", kLocation}});
    execSql(db, QStringLiteral("INSERT INTO N_KLIENT (GNOS, PVNKODS, PIEGADAT) VALUES ('Piegādātājs', :P, 'T')"),
            {{"P", kSupplier}});
    for (int g = 1; g <= kGoods; ++g)
        execSql(db, QStringLiteral("INSERT INTO N_KLPREC (GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS, PARDCENA1) "
                                   "VALUES (:GNOS, :ARTIKULS, 1, 21, :CENA)"),
                {{"GNOS", QStringLiteral("Prece %1").arg(g)}, {"ARTIKULS", article(g)}, {"CENA", 1.0 + g / 100.0}});
    dati.CommitRetaining();
    return true;
}

// Without forced writes: both sides would otherwise measure the disk and the neighbours'
// load on it more than themselves.
bool asyncWrites(const QString& path)
{
    QProcess gfix;
    gfix.start(QStringLiteral("gfix"), {QStringLiteral("-write"), QStringLiteral("async"), path, QStringLiteral("-user"),
                                        QStringLiteral("SYSDBA"), QStringLiteral("-password"), QStringLiteral("masterkey")});
    return gfix.waitForFinished(60000) && gfix.exitCode() == 0;
}

// The floor: what the run stores, through the document table alone.
int storeDirectly(TMainFormDati& dati, const QString& number, int document, int lines)
{
    SqlQuery supplier(dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_KLIENT WHERE PVNKODS=:P"));
    supplier.bind(QStringLiteral("P"), kSupplier).open();
    DocumentScope scope(dati);
    TO_preceTable table(dati);
    table.O_PAVADZ.ISKLIENT = supplier.asInt(QStringLiteral("ISN"));
    table.O_PAVADZ.NODALAS_KODS = kLocation;
    table.O_PAVADZ.NODALAS_KODA_LAUKS = QStringLiteral("EDISOFT_KODS");
    table.O_PAVADZ.NR_PAVADZ = number;
    table.O_PAVADZ.DAT_PAVADZ = QDateTime(QDate(2026, 12, 1), QTime(0, 0));
    table.O_PAVADZ.DAT_SANEM = QDateTime(QDate(2026, 12, 2), QTime(0, 0));
    table.O_PAVADZ.PASUT_NR = QStringLiteral("PO-1");
    table.O_PAVADZ.IEVKODS = kEdisoftEntryCode;
    if (table.O_PAVADZInsert() <= 0)
        return 0;
    int stored = 0;
    for (int n = 0; n < lines; ++n) {
        const Line l = lineOf(document, n, lines);
        table.O_PRECE = {};
        table.O_PRECE.ARTIKULS = article(l.goods);
        table.O_PRECE.DAUDZUMS = l.quantity;
        table.O_PRECE.CENA = l.netAmount / l.quantity;
        table.O_PRECE.NODOKLIS = 21;
        table.O_PRECE.IEVKODS = kEdisoftEntryCode;
        stored += table.O_PRECEInsert() > 0 ? 1 : 0;
    }
    scope.commit();
    return stored;
}

int countLines(TMainFormDati& dati)
{
    SqlQuery q(dati.PRECES_DB(), QStringLiteral("SELECT COUNT(*) N FROM O_PRECE"));
    q.open();
    return q.asInt(QStringLiteral("N"));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20;
    const int bigLines = argc > 3 ? std::atoi(argv[3]) : 2000;

    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("template.fdb"));
    if (!makeTemplate(templ) || !asyncWrites(templ)) {
        std::fprintf(stderr, "the template database could not be made\n");
        return 1;
    }
    const QString floorDb = dir.filePath(QStringLiteral("floor.fdb"));
    const QString runDb = dir.filePath(QStringLiteral("run.fdb"));
    QFile::copy(templ, floorDb);
    QFile::copy(templ, runDb);

    // The files, written before anything is timed and old enough to be taken. The small
    // files come in rounds, each timed right after the floor's same documents, so that both
    // sides meet the same load of the machine.
    constexpr int kRound = 50;
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    const auto write = [&](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        f.flush();
        f.setFileTime(old, QFileDevice::FileModificationTime);
    };
    for (int i = 0; i < files; ++i)
        write(dir.filePath(QStringLiteral("round%1/ZP-%2.xml").arg(i / kRound).arg(i + 1, 5, 10, QLatin1Char('0'))),
              receiptFile(QStringLiteral("ZP-%1").arg(i + 1), i, lines));
    write(dir.filePath(QStringLiteral("big/BIG-1.xml")), receiptFile(QStringLiteral("BIG-1"), files, bigLines));

    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    BusyFlag busy;
    RunReport report;
    TMainFormDati floorDati(log, dialogs, clock);
    TMainFormDati runDati(log, dialogs, clock);
    if (!floorDati.ConnectDatabase(floorDb, dir.path()) || !runDati.ConnectDatabase(runDb, dir.path()))
        return 1;
    Registry registry(dir.filePath(QStringLiteral("VARNIS-A.ini")));
    ExchangeContext ctx{log, busy, registry, runDati, dialogs, clock, report};
    EdisoftExchange edisoft(ctx);
    bool runOk = true;
    const auto runOn = [&](const QString& sub) {
        RegistryKey key(registry);
        key.OpenKey(QStringLiteral("Edisoft"), true);
        key.WriteString(QStringLiteral("Katalogs"), QString());
        key.WriteInteger(QStringLiteral("Isnodala"), 0);
        key.WriteString(QStringLiteral("KatalogsSanem"), dir.filePath(sub));
        key.WriteBool(QStringLiteral("SanNeapstiprin"), false);
        key.WriteString(QStringLiteral("KatalogsPasutOut"), QString());
        key.WriteString(QStringLiteral("KatalogsMessage"), QString());
        key.WriteInteger(QStringLiteral("KlientaAtpazisana"), 0);
        key.WriteInteger(QStringLiteral("PasutijumaDatumaFlag"), 0);
        key.CloseKey();
        report.begin();
        const bool returned = edisoft.EdisoftImpProcess();
        runOk = runOk && report.outcome(returned) == RunReport::Outcome::Done;
    };

    Phase floorSmall, floorBig, runSmall, runBig;
    int floorStored = 0;
    for (int first = 0; first < files; first += kRound) {
        floorSmall.measure([&] {
            for (int i = first; i < std::min(files, first + kRound); ++i)
                floorStored += storeDirectly(floorDati, QStringLiteral("ZP-%1").arg(i + 1), i, lines);
        });
        runSmall.measure([&] { runOn(QStringLiteral("round%1").arg(first / kRound)); });
    }
    floorBig.measure([&] { floorStored += storeDirectly(floorDati, QStringLiteral("BIG-1"), files, bigLines); });
    runBig.measure([&] { runOn(QStringLiteral("big")); });
    const int runStored = countLines(runDati);

    const int expected = files * lines + bigLines;
    const auto ratio = [](const Phase& a, const Phase& b, double Phase::*m) { return a.*m / b.*m; };
    const Phase floorAll{floorSmall.wall + floorBig.wall, floorSmall.cpu + floorBig.cpu};
    const Phase runAll{runSmall.wall + runBig.wall, runSmall.cpu + runBig.cpu};
    std::printf("edisoft_receipts: %d files x %d lines and one file of %d lines (%d lines)\n", files, lines, bigLines,
                expected);
    std::printf("floor (TO_preceTable): %.1f s (cpu %.1f s) + big file %.2f s (cpu %.2f s), %d lines stored\n",
                floorSmall.wall, floorSmall.cpu, floorBig.wall, floorBig.cpu, floorStored);
    std::printf("Edisoft run:           %.1f s (cpu %.1f s) + big file %.2f s (cpu %.2f s), %d lines stored\n",
                runSmall.wall, runSmall.cpu, runBig.wall, runBig.cpu, runStored);
    std::printf("ratio, wall clock: %.2f (small files %.2f, big file %.2f); target at most 1.3\n",
                ratio(runAll, floorAll, &Phase::wall), ratio(runSmall, floorSmall, &Phase::wall),
                ratio(runBig, floorBig, &Phase::wall));
    std::printf("ratio, processor:  %.2f (small files %.2f, big file %.2f)\n", ratio(runAll, floorAll, &Phase::cpu),
                ratio(runSmall, floorSmall, &Phase::cpu), ratio(runBig, floorBig, &Phase::cpu));
    std::printf("peak memory: %.1f MB; target at most 100 MB\n", peakRssKb() / 1024.0);
    return runOk && floorStored == expected && runStored == expected && dialogs.count == 0 ? 0 : 1;
}
