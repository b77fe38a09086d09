#pragma once

#include "GoodsDb.h"
#include "Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

// What an exchange gets from the host, for a test: a settable clock, the process log in a
// temporary folder, recorded message boxes, the busy flag, the run report, a settings file,
// and (after connect()) the data module on a goods database. A failed test prints the log.
class ExchangeFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath(QStringLiteral("VarnisProcess.log"))};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry = std::make_unique<Registry>(dir.filePath(QStringLiteral("VARNIS-A.ini")));
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> context;

    ExchangeFixture() { log.setProcessEvents(false); }

    // The data module on the goods database, and the exchange context around it.
    void connect(GoodsDb& goods, const QString& tempDir = {})
    {
        goods.close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(goods.address(), tempDir.isEmpty() ? dir.path() : tempDir))
            << log.lines().join('\n').toStdString();
        context = std::make_unique<ExchangeContext>(
            ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
    }

    // Whole lines, as the log file has them (the list splits long ones).
    QStringList logLines() const
    {
        QFile f(log.filePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString logText() const { return logLines().join(QLatin1Char('\n')); }
    int logCount(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : logLines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }
    bool logHas(const QString& fragment) const { return logCount(fragment) > 0; }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << logText().toStdString() << "\nMessages:\n"
                      << dialogs.messages.join(QStringLiteral("\n---\n")).toStdString() << "\n";
    }
};
