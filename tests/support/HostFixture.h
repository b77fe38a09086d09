#pragma once

#include "GoodsDb.h"
#include "Recorders.h"

#include "host/ProcessHost.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

// A host on a temporary INI file, a settable clock, recorded message boxes and exchanges.
class HostFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(9, 0))};
    RecordingDialogs dialogs;
    RecordingExchanges exchanges;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<ProcessHost> host;

    void SetUp() override { makeHost(); }
    void TearDown() override
    {
        if (HasFailure() && host)
            std::cerr << "Process log:\n" << host->log().lines().join('\n').toStdString() << "\n";
    }

    void makeHost()
    {
        host.reset();
        registry.reset();
        registry = std::make_unique<Registry>(iniPath());
        host = std::make_unique<ProcessHost>(*registry, clock, dir.filePath("VarnisProcess.log"));
        host->log().setProcessEvents(false);
        host->setDialogs(&dialogs);
        host->setExchanges(&exchanges);
        host->FormCreate();
    }

    QString iniPath() const { return dir.filePath("VARNIS-A.ini"); }

    void writeIni(const QByteArray& text)
    {
        QFile f(iniPath());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        f.close();
        makeHost();
    }

    // Whole lines, as the log file has them (the list splits long ones).
    QStringList logLines() const
    {
        QFile f(host->log().filePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool logHas(const QString& fragment) const { return logCount(fragment) > 0; }

    int logCount(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : logLines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }

    ExchangeScheduler& sch() { return host->scheduler(); }
};
