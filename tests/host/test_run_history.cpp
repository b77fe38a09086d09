// The run history file on its own: what it keeps, what it answers, and files that fail.

#include "FileModes.h"

#include "host/ProcessLog.h"
#include "host/RunHistory.h"
#include "platform/Clock.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

QDateTime at(int h, int m, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime(h, m));
}

RunRecord run(const QString& exchange, const QDateTime& started, RunReport::Outcome result, const QString& error = {})
{
    RunRecord r;
    r.exchange = exchange;
    r.started = started;
    r.ended = started.addSecs(2);
    r.result = result;
    r.error = error;
    return r;
}

class RunHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{at(10, 0)};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};

    void SetUp() override { log.setProcessEvents(false); }
    QString path() const { return dir.filePath("VarnisVesture.sqlite"); }

    int unavailableLines() const
    {
        int n = 0;
        for (const QString& line : log.lines())
            n += line.contains("Darbību vēsture nav pieejama") ? 1 : 0;
        return n;
    }
};

}  // namespace

TEST_F(RunHistoryTest, SummariesFollowInsertionNotTimeStamps)
{
    RunHistory h(path(), &log);
    ASSERT_TRUE(h.open());
    using O = RunReport::Outcome;
    h.record(run("stock", at(9, 0), O::Done));
    h.record(run("stock", at(9, 20), O::Failed, "Kļūda pie SendAtlikumi"));
    h.record(run("stock", at(9, 40), O::NothingToDo));
    // The clock was set back: the newest row carries the oldest time.
    h.record(run("stock", at(8, 50), O::Refused, "WWW Nepilda atlikumu sūtīšanu - pildās cits process"));
    h.record(run("lists", at(1, 0, 5), O::Done));

    const auto s = h.summaries({"stock", "lists", "orders"}, at(10, 0));
    const RunHistory::Summary& stock = s["stock"];
    EXPECT_EQ(stock.lastResult, "refused");
    EXPECT_EQ(stock.lastStarted, at(8, 50));
    EXPECT_EQ(stock.lastSuccess, at(9, 40).addSecs(2));
    EXPECT_EQ(stock.lastFailure, at(8, 50).addSecs(2));
    EXPECT_EQ(stock.lastError, "WWW Nepilda atlikumu sūtīšanu - pildās cits process");
    EXPECT_EQ(stock.lastDurationMs, 2000);
    EXPECT_EQ(stock.runs24h, 4);
    EXPECT_EQ(stock.failures24h, 2);
    EXPECT_EQ(s["lists"].runs24h, 0);  // two days old
    EXPECT_TRUE(s["lists"].lastSuccess.isValid());
    EXPECT_FALSE(s["orders"].lastStarted.isValid());
    EXPECT_EQ(h.exchangesWithRuns(), (QStringList{"lists", "stock"}));

    EXPECT_EQ(h.prune(at(10, 0), 1), 1);
    EXPECT_EQ(h.runs("lists").size(), 0);
    EXPECT_EQ(h.runs("stock").size(), 4);
}

TEST_F(RunHistoryTest, FailingFileIsLoggedOnceAndEveryCallReturns)
{
    struct Case {
        const char* name;
        std::function<QString(const QString& dir)> prepare;  // gives the history's path
        RunHistory::Options options;
        bool opens;
        bool obeyModes;
    };
    const Case cases[] = {
        {"corrupt file",
         [](const QString& d) {
             QFile f(d + "/corrupt.sqlite");
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(8192, 'x'));
             return f.fileName();
         },
         {}, false, false},
        {"a path that cannot be made", [](const QString& d) {
             QFile f(d + "/file");
             f.open(QIODevice::WriteOnly);
             return d + "/file/VarnisVesture.sqlite";
         }, {}, false, false},
        {"full disk", [](const QString& d) { return d + "/full.sqlite"; }, {true, 12}, true, false},
        {"read-only file",
         [](const QString& d) {
             const QString p = d + "/readonly.sqlite";
             {
                 RunHistory made(p, nullptr);
                 made.open();
             }
             QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
             return p;
         },
         {}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.model()->setStringList({});
        const QString p = c.prepare(dir.path());
        std::optional<ObeyFileModes> modes;
        if (c.obeyModes)
            modes.emplace();
        RunHistory h(p, &log, c.options);
        EXPECT_EQ(h.open(), c.opens);
        int failures = 0;
        for (int i = 0; i < 40; ++i)
            failures += h.record(run("stock", at(9, i), RunReport::Outcome::Failed, QString(2000, 'e'))) ? 0 : 1;
        h.noteProbe(at(10, 0), true);
        EXPECT_GT(failures, 0);
        EXPECT_EQ(unavailableLines(), 1);
        EXPECT_FALSE(h.lastError().isEmpty());
        h.summaries({"stock"}, at(10, 0));  // answers, from what there is
    }
}

TEST_F(RunHistoryTest, ReaderNeverMeetsALockWhileTheHostWrites)
{
    RunHistory writer(path(), &log);
    ASSERT_TRUE(writer.open());
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::atomic<int> writeFailures{0};
    // The host's writes, on a connection of their own as another process has.
    std::thread host([&] {
        RunHistory h(path(), nullptr);
        if (!h.open())
            return;
        for (int i = 0; !stop; ++i) {
            if (h.record(run("stock", at(9, 0).addSecs(i), RunReport::Outcome::Done)) && h.noteProbe(at(9, 0), true))
                ++written;
            else
                ++writeFailures;
        }
    });
    RunHistory::Options readOnly;
    readOnly.create = false;
    int reads = 0;
    while (written < 2000 && reads < 100000) {
        RunHistory reader(path(), nullptr, readOnly);
        ASSERT_TRUE(reader.open()) << reader.lastError().toStdString();
        reader.summaries({"stock"}, at(10, 0));
        reader.hostState();
        ASSERT_TRUE(reader.lastError().isEmpty()) << reader.lastError().toStdString();
        ++reads;
    }
    stop = true;
    host.join();
    EXPECT_EQ(writeFailures, 0);
    EXPECT_GT(reads, 10);

    // A reader that finds no file says so and makes none.
    RunHistory missing(dir.filePath("nav.sqlite"), nullptr, readOnly);
    EXPECT_FALSE(missing.open());
    EXPECT_FALSE(QFile::exists(dir.filePath("nav.sqlite")));
}
