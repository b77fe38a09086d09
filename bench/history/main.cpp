// The run history at 1,000,000 rows (19 exchanges over 90 days, one run in ten failed):
// what --status takes, in the program as an operator runs it and inside the host, and what
// a run's history write adds to the run. The floor of the write is a bare prepared INSERT
// of the same row on a connection of its own.
//
//   bench_history [ROWS]     (default 1000000)

#include "../BenchSupport.h"

#include "host/ExchangeCatalog.h"
#include "host/RunHistory.h"
#include "host/RunRecorder.h"
#include "host/StatusReport.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// An exchange that has nothing to do: what is measured is the recorder around it.
class Instant : public UnavailableExchanges {
public:
    using UnavailableExchanges::UnavailableExchanges;
    bool SendAtlikumi() override { return true; }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * v.size()))];
}

void fill(const QString& path, int rows, const QDateTime& now)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    db.open();
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO runs(exchange, started_by, started, ended, result, ok, moved, error) "
                             "VALUES (?, 'timer', ?, ?, ?, ?, ?, ?)"));
    const QStringList names = ExchangeCatalog::names();
    const qint64 span = 90LL * 24 * 3600 * 1000;
    const qint64 first = now.toMSecsSinceEpoch() - span;
    for (int i = 0; i < rows; ++i) {
        const bool failed = i % 10 == 7;
        const qint64 started = first + span * i / rows;
        q.addBindValue(names[i % names.size()]);
        q.addBindValue(started);
        q.addBindValue(started + 1500);
        q.addBindValue(failed ? QStringLiteral("failed") : QStringLiteral("done"));
        q.addBindValue(failed ? 0 : 1);
        q.addBindValue(i % 50);
        q.addBindValue(failed ? QStringLiteral("Kļūda pie WWWDatuApmainaTimer !!!Lost connection to MySQL server") : QVariant());
        if (!q.exec()) {
            std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text()));
            std::exit(1);
        }
    }
    db.commit();
    db.close();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VarnisVesture.sqlite"));
    const QString ini = dir.filePath(QStringLiteral("VARNIS-A.ini"));
    {
        QFile f(ini);
        f.open(QIODevice::WriteOnly);
        f.write("[AutoProcess_Config]\nDatuBaze=/nav/PRECES.GDB\nNeveiktLaiksNo=02:00\nNeveiktLaiksLidz=02:30\n"
                "EdisoftAutoImport=true\nTelemaaAutoImports=true\nHorizonAutoApmaina=1\nHorizonAutoApmainaTime=10\n"
                "D365_GetVisparejieDati=1\nD365_GetVisparejieDatiPlkst=06:00\nD365_GetAkcijuDati=2\n"
                "D365_GetAkcijuDatiTime=60\nD365_GetPavadzimjuDati=0\nD365_Post=1\nD365_PostTime=15\n"
                "VesturesFails=" + path.toUtf8() + "\n[AutoProcess_WWWExp]\nAutoPrecuAtlikumi=2\nAtlikumiTime=20\n"
                "AutoKlasifikatori=1\nSarakstsPlkst=05:00\nAutoSanemt=2\nSanemtTime=10\nVestureTips=0\n");
    }
    const QDateTime now = QDateTime::currentDateTime();
    QElapsedTimer t;
    t.start();
    {
        RunHistory made(path, nullptr);
        made.open();
    }
    fill(path, rows, now);
    std::printf("history: %d rows made in %.1f s, file %.1f MB\n", rows, t.elapsed() / 1000.0,
                QFile(path).size() / 1048576.0);

    // --status as an operator runs it: a process of its own, settings and history read anew.
    std::vector<double> program;
    for (int i = 0; i < 11; ++i) {
        QProcess p;
        t.restart();
        p.start(QStringLiteral(VARNIS_PROCESS_BIN), {QStringLiteral("--config"), ini, QStringLiteral("--status")});
        p.waitForFinished(60000);
        program.push_back(t.nsecsElapsed() / 1e6);
        if (i == 0 && !p.readAllStandardOutput().contains("stock"))
            std::fprintf(stderr, "--status printed no stock line\n");
    }
    // The same inside one process: what the status table and /status cost a running host.
    Registry registry(ini);
    std::vector<double> inside;
    RunHistory::Options readOnly;
    readOnly.create = false;
    for (int i = 0; i < 21; ++i) {
        t.restart();
        RunHistory reader(path, nullptr, readOnly);
        const StatusReport status = StatusReport::build(ExchangeCatalog::read(registry), &reader, now);
        const QString text = status.text();
        inside.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("--status: %.1f ms median as a program (process start included), %.2f ms median in the host "
                "(target < 200 ms)\n",
                median(program), median(inside));

    // A run's write: the recorder around an exchange that does nothing, with and without the
    // history, on the file of a million rows.
    BenchLog log;
    SystemClock clock;
    RunReport report;
    Instant instant(log);
    RunRecorder recorder(report, clock);
    recorder.setInner(&instant);
    RunHistory history(path, &log);
    history.open();
    const int runs = 10000;
    auto perRun = [&](RunHistory* h) {
        recorder.setHistory(h);
        std::vector<double> each;
        each.reserve(runs);
        for (int i = 0; i < runs; ++i) {
            t.restart();
            recorder.SendAtlikumi();
            each.push_back(t.nsecsElapsed() / 1e6);
        }
        return each;
    };
    const std::vector<double> without = perRun(nullptr);
    const std::vector<double> with = perRun(&history);
    // The floor: the same row by a bare prepared INSERT, the same pragmas, its own connection.
    std::vector<double> bare;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO runs(exchange, started_by, started, ended, result, ok, moved, error) "
                                 "VALUES ('stock', 'timer', ?, ?, 'done', 1, 0, NULL)"));
        for (int i = 0; i < runs; ++i) {
            t.restart();
            q.addBindValue(now.toMSecsSinceEpoch());
            q.addBindValue(now.toMSecsSinceEpoch());
            q.exec();
            bare.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    const double added = median(with) - median(without);
    std::printf("a run's history write adds %.3f ms median, %.3f ms at the 99th percentile (target < 1 ms); "
                "floor (bare INSERT) %.3f ms, job/floor %.1f\n",
                added, percentile(with, 0.99) - median(without), median(bare), added / median(bare));
    std::printf("history now %lld rows\n", static_cast<long long>(history.rowCount()));
    return 0;
}
