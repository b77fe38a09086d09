#include "host/ProcessLog.h"
#include "platform/Clock.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LogFixture : ::testing::Test {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 30))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};

    QStringList fileLines()
    {
        QFile f(log.filePath());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

}  // namespace

TEST_F(LogFixture, LineCarriesDayMonthAndTime)
{
    log.WriteLog("CheckAutoProcess - SetNextTime WWW");
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().first(), "07.12-10:15:30 CheckAutoProcess - SetNextTime WWW");
    EXPECT_EQ(fileLines(), QStringList{"07.12-10:15:30 CheckAutoProcess - SetNextTime WWW"});
}

TEST_F(LogFixture, LongLineSplitsInTheListButNotInTheFile)
{
    const QString message(250, QChar('x'));
    log.WriteLog(message);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 100);
    EXPECT_EQ(lines[0] + lines[1], "07.12-10:15:30 " + message);
    ASSERT_EQ(fileLines().size(), 1);
    EXPECT_EQ(fileLines().first().size(), 265);

    log.WriteLog(message, true);
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines().last().size(), 100);
    EXPECT_EQ(fileLines().size(), 2);
}

TEST_F(LogFixture, ReplaceLastUpdatesProgressInPlace)
{
    log.WriteLog("Sāku");
    log.WriteLog("WWW Preču atlikumi (kopējie) 1/3", true);
    log.WriteLog("WWW Preču atlikumi (kopējie) 2/3", true);
    EXPECT_EQ(log.lines(), QStringList{"07.12-10:15:30 WWW Preču atlikumi (kopējie) 2/3"});
}

TEST_F(LogFixture, ReplaceLastOnAnEmptyListAddsTheLine)
{
    log.WriteLog("pirmā", true);
    EXPECT_EQ(log.lines(), QStringList{"07.12-10:15:30 pirmā"});
}

TEST_F(LogFixture, PercentSignsAndLatvianLettersReachTheFileUnchanged)
{
    log.WriteLog("100% %s %d ĀČĒĢĪĶĻŅŠŪŽ");
    EXPECT_EQ(fileLines().first(), "07.12-10:15:30 100% %s %d ĀČĒĢĪĶĻŅŠŪŽ");
}

TEST_F(LogFixture, ListKeepsAboutThreeThousandLines)
{
    for (int i = 0; i < 3001; ++i)
        log.WriteLog(QString::number(i));
    EXPECT_EQ(log.lines().size(), 3001);
    log.WriteLog("next");
    EXPECT_EQ(log.lines().size(), 3001);
    EXPECT_TRUE(log.lines().first().endsWith(" 1"));
    EXPECT_TRUE(log.lines().last().endsWith(" next"));
}

TEST(ProcessLogFile, UnwritableFileStillFillsTheList)
{
    QTemporaryDir dir;
    ManualClock clock;
    // A directory where the file should be: it cannot be opened for appending.
    ProcessLog log(clock, dir.path());
    log.WriteLog("rinda");
    EXPECT_EQ(log.lines().size(), 1);
}
