#pragma once

#include "support/HostFixture.h"

#include "host/ExchangeCatalog.h"
#include "host/HealthCheck.h"
#include "host/RunHistory.h"
#include "host/StatusReport.h"

// A service host with its run history in the test's folder, on a real goods database.
class OpsFixture : public HostFixture {
protected:
    GoodsDb db;

    static QDateTime at(int h, int m, int s = 0, int day = 7)
    {
        return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
    }

    QString historyPath() const { return dir.filePath("VarnisVesture.sqlite"); }

    // The web shop and section A as Start writes them, plus what the test names.
    void configure(const QByteArray& www, const QByteArray& config = {}, const QByteArray& more = {},
                   RunHistory::Options options = {})
    {
        QByteArray w = www;
        for (const char* mode : {"AutoPrecuAtlikumi", "AutoKlasifikatori", "AutoSanemt", "VestureTips"})
            if (!w.contains(QByteArray(mode) + '='))
                w += QByteArray(mode) + "=0\n";
        writeIni("[AutoProcess_Config]\nDatuBaze=" + db.path().toUtf8() + "\nTempDir=/tmp\n"
                 + (config.contains("NeveiktLaiksNo") ? QByteArray() : QByteArray("NeveiktLaiksNo=00:00\nNeveiktLaiksLidz=00:00\n"))
                 + (config.contains("EdisoftAutoImport") ? QByteArray()
                                                         : QByteArray("EdisoftAutoImport=false\nTelemaaAutoImports=false\n"))
                 + config + "\n[AutoProcess_WWWExp]\n" + w + "\n" + more);
        host->monitor().openHistory(HostMonitor::Role::Service, historyPath(), options);
    }

    RunHistory& history() { return *host->monitor().history(); }
    QList<RunRecord> runs(const QString& exchange) { return history().runs(exchange); }

    StatusReport status() { return host->monitor().status(); }
    HealthCheck check() { return HealthCheck::evaluate(status()); }

    // What --status and --check see: a second reader of the same file, as another process has.
    StatusReport statusFromOutside()
    {
        RunHistory::Options readOnly;
        readOnly.create = false;
        RunHistory reader(historyPath(), nullptr, readOnly);
        return StatusReport::build(ExchangeCatalog::read(*registry), &reader, clock.now());
    }
};
