#pragma once

#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"
#include "warehouse/EquinoxConnection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iostream>
#include <memory>

// The warehouse's FTP server (plain FTP, one per test binary), a goods database file of the
// test's own, the host's context on a settable clock, and [EquinoxExp] pointing at the server.
class EquinoxTest : public ::testing::Test {
protected:
    static constexpr const char* kNamespace = "urn:varnis:test-vision";

    static FtpServer& ftp()
    {
        static FtpServer server(FtpServer::Mode::Plain, QStringLiteral("equinox"), QStringLiteral("Noliktava;1"));
        return server;
    }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<GoodsDb> db;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> context;

    void SetUp() override
    {
        log.setProcessEvents(false);
        // The server's folders as the warehouse keeps them, empty for every test.
        QDir(ftp().localPath("/VISION")).removeRecursively();
        QDir().mkpath(ftp().localPath("/VISION/DATA/IN"));
        QDir().mkpath(ftp().localPath("/VISION/DATA/OUT"));
        QDir(dir.path()).mkdir("work");
        registry = std::make_unique<Registry>(dir.filePath("VARNIS-A.ini"));
        RegistryKey key(*registry);
        key.OpenKey("EquinoxExp", true);
        key.WriteString("XmlNamespace", kNamespace);
        key.CloseKey();
        db = std::make_unique<GoodsDb>();
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << logText().toStdString() << "\n";
        dati.reset();
    }

    // Rows the test needs, written before the host connects.
    void seed(std::initializer_list<const char*> statements)
    {
        for (const char* sql : statements)
            db->exec(QString::fromUtf8(sql));
    }

    void connect()
    {
        db->close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), workDir()));
        context = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
    }

    QString workDir() const { return dir.filePath("work"); }

    EquinoxLogin login() const { return {ftp().address(), ftp().user(), ftp().password()}; }

    static QByteArray golden(const QString& name)
    {
        QFile f(QStringLiteral(VARNIS_SOURCE_DIR "/tests/warehouse/golden/") + name);
        if (!f.open(QIODevice::ReadOnly))
            ADD_FAILURE() << "no golden file " << name.toStdString();
        return f.readAll();
    }

    // Byte for byte; a difference is shown line by line.
    static void expectSameFile(const QByteArray& actual, const QByteArray& expected, const QString& name)
    {
        EXPECT_EQ(actual.toStdString(), expected.toStdString()) << name.toStdString();
    }

    static QByteArray uploaded(const QString& name) { return ftp().read(QStringLiteral("/VISION/DATA/IN/") + name); }
    static QStringList uploadedNames()
    {
        QStringList names = QDir(ftp().localPath("/VISION/DATA/IN")).entryList(QDir::Files);
        names.sort();
        return names;
    }
    // The warehouse refuses uploads into its inbound folder.
    static void lockInbound(bool locked)
    {
        const QString marker = ftp().localPath("/VISION/DATA/IN/.readonly");
        if (locked) {
            QFile f(marker);
            f.open(QIODevice::WriteOnly);
        } else {
            QFile::remove(marker);
        }
    }

    QString logText() const
    {
        QFile f(log.filePath());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
    QStringList logLines() const { return logText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    int logCount(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : logLines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }
    bool logHas(const QString& fragment) const { return logCount(fragment) > 0; }
};
