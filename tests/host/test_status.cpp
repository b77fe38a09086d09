// The status table, --check and the metrics after scripted runs; the clock is the test's.

#include "OpsFixture.h"

#include "host/PrometheusMetrics.h"

#include <QRegularExpression>
#include <map>

namespace {

// The Prometheus text read back: samples by "name{labels}", and the TYPE of each family,
// which must come before its samples.
struct Metrics {
    std::map<QString, double> samples;
    std::map<QString, QString> types;

    explicit Metrics(const QString& text)
    {
        static const QRegularExpression type("^# TYPE (\\w+) (counter|gauge)$");
        static const QRegularExpression sample("^((\\w+)(\\{exchange=\"[a-z0-9-]+\"\\})?) (-?[0-9.e+]+)$");
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
            if (const auto t = type.match(line); t.hasMatch())
                types[t.captured(1)] = t.captured(2);
            else if (const auto m = sample.match(line); m.hasMatch() && types.count(m.captured(2)))
                samples[m.captured(1)] = m.captured(4).toDouble();
            else
                EXPECT_TRUE(line.startsWith("# HELP ")) << line.toStdString();
        }
    }
    double at(const QString& family, const QString& exchange) const
    {
        auto it = samples.find(family + "{exchange=\"" + exchange + "\"}");
        return it == samples.end() ? -1 : it->second;
    }
};

}  // namespace

class StatusTest : public OpsFixture {
protected:
    // Stock every 20 minutes, lists once a day at 10:00, Horizon every 20 minutes; host
    // started at 9:00.
    void startHost(const QByteArray& period = "00:00")
    {
        clock.set(at(9, 0));
        configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\nAutoKlasifikatori=1\nSarakstsPlkst=10:00\n",
                  "HorizonAutoApmaina=1\nHorizonAutoApmainaTime=20\nNeveiktLaiksNo=" + period
                      + "\nNeveiktLaiksLidz=" + (period == "00:00" ? QByteArray("00:00") : QByteArray("05:00")) + "\n");
        host->FormActivate();
    }

    void runAt(const QDateTime& t, int stock, int lists, int horizon)
    {
        clock.set(t);
        exchanges.results["SendAtlikumi"] = stock;
        exchanges.results["SendKlasif"] = lists;
        exchanges.results["HorizonProcessImports"] = horizon;
        exchanges.actions["HorizonProcessImports"] = [this, horizon] {
            if (!horizon)
                host->log().WriteLog("Kļūda pie Horizon: 401 Unauthorized");
        };
        sch().WWWDatuApmainaTimer();
        sch().tmrHorizonApmaksasTimer();
    }
};

TEST_F(StatusTest, TableAndCheckAfterAScriptedMorning)
{
    startHost();
    struct Step {
        QDateTime time;
        int stock, lists, horizon;  // what the due runs return (-1: no runs now)
        QDateTime checkAt;
        QStringList problems;       // the exchanges --check names
    };
    const Step steps[] = {
        {at(9, 5), -1, -1, -1, at(9, 5), {}},
        {at(9, 30), 1, 1, 0, at(9, 35), {}},                      // Horizon still within 40 min of the start
        {at(10, 0, 20), 0, 0, 0, at(10, 25), {"stock", "horizon"}},
        {at(10, 30), 1, 0, 1, at(10, 31), {}},                    // lists failed, but may wait 26 h
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time.toString().toStdString());
        if (s.stock >= 0)
            runAt(s.time, s.stock, s.lists, s.horizon);
        clock.set(s.checkAt);
        const HealthCheck h = check();
        QStringList named;
        for (const QString& p : h.problems)
            named << p.section(':', 0, 0);
        EXPECT_EQ(named, s.problems) << h.text().toStdString();
        EXPECT_EQ(h.exitCode(), s.problems.isEmpty() ? 0 : 1);
        EXPECT_TRUE(h.text().startsWith(s.problems.isEmpty() ? "VARNIS OK - " : "VARNIS WARNING - "));
    }

    // The table as --status reads it from outside, the window from inside.
    for (const StatusReport& st : {status(), statusFromOutside()}) {
        const ExchangeStatus* stock = st.find("stock");
        const ExchangeStatus* lists = st.find("lists");
        const ExchangeStatus* horizon = st.find("horizon");
        ASSERT_TRUE(stock && lists && horizon);
        EXPECT_EQ(stock->entry.scheduleText(), "every 20 min");
        EXPECT_EQ(stock->runs.lastSuccess, at(10, 30));
        EXPECT_EQ(stock->runs.lastFailure, at(10, 0, 20));
        EXPECT_EQ(stock->runs.runs24h, 3);
        EXPECT_EQ(stock->runs.failures24h, 1);
        EXPECT_FALSE(stock->failing());
        EXPECT_EQ(stock->nextDue, at(10, 50));
        EXPECT_EQ(lists->entry.scheduleText(), "daily at 10:00");
        EXPECT_TRUE(lists->failing());
        EXPECT_FALSE(lists->runs.lastSuccess.isValid());
        EXPECT_EQ(lists->nextDue, at(10, 0));  // a failed run keeps its due time
        EXPECT_EQ(horizon->runs.lastError, "Kļūda pie Horizon: 401 Unauthorized");
        EXPECT_EQ(st.host.started, at(9, 0));
        EXPECT_TRUE(st.host.probeAnswered);
        EXPECT_EQ(st.find("d365-post")->entry.enabled, false);
        EXPECT_EQ(st.find("web-customers"), nullptr);  // manual, never run
    }
    const QString text = statusFromOutside().text();
    EXPECT_TRUE(text.contains(QRegularExpression("\nstock +yes +every 20 min +07.12.2026 10:30:00 +07.12.2026 10:00:20 "
                                                 "+07.12.2026 10:50:00 +3/1\\s")))
        << text.toStdString();

    // The goods database gone: the next probe fails and --check says so.
    ASSERT_TRUE(QFile::rename(db.path(), db.path() + ".away"));
    clock.set(at(10, 32));
    sch().WWWDatuApmainaTimer();
    EXPECT_EQ(check().problems, QStringList{"goods database: no answer at the last probe, 07.12.2026 10:32:00"});
    QFile::rename(db.path() + ".away", db.path());
}

TEST_F(StatusTest, ClockSetBackAnHourNeitherFlapsNorGoesNegative)
{
    startHost();
    runAt(at(9, 30), 1, 1, 1);
    clock.set(at(9, 45));
    ASSERT_TRUE(check().healthy);
    // Set back an hour in the middle of a run.
    exchanges.actions["SendAtlikumi"] = [this] { clock.set(at(8, 50)); };
    runAt(at(9, 55), 1, 1, 1);
    EXPECT_EQ(runs("stock").last().durationMs(), 0);
    EXPECT_EQ(status().find("stock")->runs.lastDurationMs, 0);
    exchanges.actions.erase("SendAtlikumi");
    for (int minute = 0; minute <= 70; minute += 5) {
        clock.set(at(8, 50).addSecs(minute * 60));
        if (minute % 20 == 0)
            runAt(clock.now(), 1, 1, 1);
        EXPECT_TRUE(check().healthy) << check().text().toStdString();
    }
    EXPECT_EQ(status().find("stock")->runs.lastSuccess, at(9, 30));
}

TEST_F(StatusTest, NoExchangePeriodDoesNotCountAgainstAnExchange)
{
    startHost("01:00");
    runAt(at(0, 50, 0, 8), 1, 1, 1);
    // Nothing runs from 1:00 to 5:00; at 5:20 the four hours do not count.
    clock.set(at(5, 20, 0, 8));
    EXPECT_TRUE(check().healthy) << check().text().toStdString();
    clock.set(at(5, 35, 0, 8));
    EXPECT_FALSE(check().healthy);
}

TEST_F(StatusTest, MetricsParseBackToTheStatus)
{
    startHost();
    runAt(at(9, 30), 1, 1, 0);
    runAt(at(10, 0, 20), 1, 0, 0);
    const StatusReport st = status();
    const Metrics m(QString::fromUtf8(prometheusMetrics(st, host->recorder().counters())));
    EXPECT_EQ(m.types.at("varnis_exchange_runs_total"), "counter");
    EXPECT_EQ(m.types.at("varnis_exchange_last_success_timestamp_seconds"), "gauge");
    EXPECT_EQ(m.at("varnis_exchange_runs_total", "stock"), 2);
    EXPECT_EQ(m.at("varnis_exchange_failures_total", "horizon"), 2);
    EXPECT_EQ(m.at("varnis_exchange_failures_total", "lists"), 1);
    EXPECT_EQ(m.at("varnis_exchange_enabled", "d365-post"), 0);
    EXPECT_EQ(m.at("varnis_exchange_last_success_timestamp_seconds", "stock"), at(10, 0, 20).toSecsSinceEpoch());
    EXPECT_EQ(m.at("varnis_exchange_next_due_timestamp_seconds", "stock"), at(10, 20, 20).toSecsSinceEpoch());
    EXPECT_EQ(m.at("varnis_exchange_last_duration_seconds", "stock"), 0);
    EXPECT_EQ(m.at("varnis_exchange_last_success_timestamp_seconds", "horizon"), -1);  // none yet
    EXPECT_EQ(m.samples.at("varnis_database_up"), 1);
    EXPECT_EQ(m.samples.at("varnis_history_up"), 1);
}

TEST_F(StatusTest, CatalogReadsTheSettingsAsTheApplyStepDoes)
{
    struct Case {
        const char* name;
        QByteArray www;
        QByteArray config;
        QByteArray more;
        QStringList enabled;  // with their schedules
    };
    const Case cases[] = {
        {"web shop and D365 schedules", "AutoPrecuAtlikumi=1\nAtlikPlkst=6:30\nAutoSanemt=2\nSanemtTime=5\n",
         "D365_GetVisparejieDati=0\nD365_GetAkcijuDati=2\nD365_GetAkcijuDatiTime=90\nD365_GetPavadzimjuDati=0\n", {},
         {"stock daily at 06:30", "orders every 5 min", "d365-login with the D365 runs", "d365-promotions every 90 min"}},
        {"Edisoft, Telema and the Equinox switches", {},
         "EdisoftAutoImport=true\nTelemaaAutoImports=true\nEquinixAutoApmaina=1\nEquinixAutoApmainaTime=15\n",
         "[EquinoxExp]\nAutoKlienti=false\nAutoPreces=true\nAutoPasutijumi=false\nAutoImports=true\n",
         {"edisoft every 5 min", "telema every 5 min", "equinox-goods every 15 min", "equinox-import every 15 min"}},
        {"an Edisoft switch that is not a boolean ends the group", {},
         "EdisoftAutoImport=\nTelemaaAutoImports=true\nHorizonAutoApmaina=1\nHorizonAutoApmainaTime=10\nD365_Post=1\nD365_PostTime=5\n",
         {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        configure(c.www, c.config, c.more);
        QStringList enabled;
        for (const CatalogEntry& e : ExchangeCatalog::read(*registry).entries)
            if (e.enabled)
                enabled << e.name + ' ' + e.scheduleText();
        EXPECT_EQ(enabled, c.enabled);
    }
}
