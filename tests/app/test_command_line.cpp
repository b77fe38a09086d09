#include "support/GoodsDb.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct HostRun {
    int exitCode = -1;
    QString out;
};

HostRun runHost(const QStringList& args, const QString& workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

QString writeIni(const QTemporaryDir& dir, const QString& db)
{
    const QString path = dir.filePath("VARNIS-A.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\nNeveiktLaiksNo=00:00\nNeveiktLaiksLidz=00:00\n"
                           "EdisoftAutoImport=false\nTelemaaAutoImports=false\n"
                           "[AutoProcess_WWWExp]\nAutoPrecuAtlikumi=2\nAtlikumiTime=20\n")
                .arg(db, dir.path())
                .toUtf8());
    return path;
}

}  // namespace

TEST(CommandLine, HelpVersionAndUsageErrors)
{
    QTemporaryDir dir;
    const HostRun version = runHost({"--version"}, dir.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.contains("7.00.25.16-1")) << version.out.toStdString();

    const HostRun help = runHost({"--help"}, dir.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--headless"));
    EXPECT_TRUE(help.out.contains("equinox-import"));

    EXPECT_EQ(runHost({"--run", "nav-tada"}, dir.path()).exitCode, 2);
    EXPECT_EQ(runHost({"--bogus"}, dir.path()).exitCode, 2);
    EXPECT_EQ(runHost({"--headless", "extra"}, dir.path()).exitCode, 2);
}

TEST(CommandLine, RunAppliesTheSettingsAndReportsTheExchangeResult)
{
    QTemporaryDir dir;
    GoodsDb db;
    const QString ini = writeIni(dir, db.path());
    // The database has no shop settings: the stock export refuses, and the run fails.
    const HostRun run = runHost({"--config", ini, "--run", "stock"}, dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Varnis auto procesi  ver. 7.00.25.16-1"));
    EXPECT_TRUE(run.out.contains("CheckAutoProcess - SetNextTime WWW"));
    EXPECT_TRUE(run.out.contains("Nav ievadīta FTP adrese !!!"));
    EXPECT_FALSE(run.out.contains("Nevaru atvērt datu bāzi"));
    // The log file lands in the working directory.
    EXPECT_TRUE(QFile::exists(dir.filePath("VarnisProcess.log")));
    // The database was connected: the first connect filled its defaults.
    EXPECT_EQ(db.count("N_ISI2"), 1);
}

TEST(CommandLine, HeadlessEndsCleanlyOnSigterm)
{
    QTemporaryDir dir;
    GoodsDb db;
    const QString ini = writeIni(dir, db.path());
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", ini, "--headless"});
    ASSERT_TRUE(p.waitForStarted());
    QString out;
    for (int i = 0; i < 100 && !out.contains("WWWNextTimeAtlikumi="); ++i) {
        p.waitForReadyRead(200);
        out += QString::fromUtf8(p.readAll());
    }
    ASSERT_TRUE(out.contains("WWWNextTimeAtlikumi=")) << out.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    out += QString::fromUtf8(p.readAll());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(out.contains("Process beidzas")) << out.toStdString();
}

TEST(CommandLine, HeadlessWithoutADatabaseLogsTheMessageInsteadOfWaiting)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("empty.ini");
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", ini, "--headless"});
    QString out;
    for (int i = 0; i < 100 && !out.contains("Paziņojums: "); ++i) {
        p.waitForReadyRead(200);
        out += QString::fromUtf8(p.readAll());
    }
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    p.waitForFinished(10000);
    EXPECT_TRUE(out.contains("Paziņojums: Nav ievadīta datu bāze, process nav iespējams !!!")) << out.toStdString();
}
