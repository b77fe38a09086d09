#include "host/ProcessLog.h"
#include "platform/Clock.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

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

namespace {

// Every line of the log and its rotated files, oldest first.
QStringList allLines(const LogFile& file, int keep)
{
    QStringList lines;
    for (int n = keep; n >= 0; --n) {
        QFile f(n == 0 ? file.path() : file.rotatedPath(n));
        if (f.open(QIODevice::ReadOnly))
            lines << QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    return lines;
}

}  // namespace

TEST_F(LogFixture, RotationAtASmallSizeLosesNoLineAndKeepsNFiles)
{
    struct Case {
        int keep;
        int lines;
        int keptLines;  // the newest that survive; older files are dropped
        int rotatedFiles;
    };
    // Each line is 28 bytes; a file passes 100 bytes with its 4th line.
    for (const Case c : {Case{50, 40, 40, 9}, Case{3, 40, 16, 3}}) {
        SCOPED_TRACE(c.keep);
        for (int n = 0; n <= 60; ++n)
            QFile::remove(n == 0 ? log.filePath() : log.file().rotatedPath(n));
        log.file().setRotation(100, c.keep);
        QStringList written;
        for (int i = 0; i < c.lines; ++i) {
            const QString message = QStringLiteral("rinda %1").arg(i, 6, 10, QChar('0'));
            log.WriteLog(message);
            written << "07.12-10:15:30 " + message;
        }
        EXPECT_EQ(allLines(log.file(), 60), written.mid(c.lines - c.keptLines));
        EXPECT_TRUE(QFile::exists(log.file().rotatedPath(c.rotatedFiles)));
        EXPECT_FALSE(QFile::exists(log.file().rotatedPath(c.rotatedFiles + 1)));
        EXPECT_EQ(QFileInfo(log.file().rotatedPath(1)).size(), 4 * 28);
    }
}

TEST_F(LogFixture, RotationWhileAnotherWriterIsMidLine)
{
    log.file().setRotation(100, 5);
    for (int i = 0; i < 4; ++i)
        log.WriteLog("pirms");
    // Another process (a --run beside the host) has the file open and half its line written.
    QFile other(log.filePath());
    ASSERT_TRUE(other.open(QIODevice::Append | QIODevice::WriteOnly));
    other.write("07.12-10:15:30 otra procesa ");
    other.flush();
    log.WriteLog("pēc");  // rotates under the other writer
    other.write("rinda\n");
    other.close();
    const QStringList lines = allLines(log.file(), 5);
    EXPECT_EQ(lines.count("07.12-10:15:30 otra procesa rinda"), 1);
    EXPECT_EQ(lines.last(), "07.12-10:15:30 pēc");
    EXPECT_EQ(lines.size(), 6);
}

TEST_F(LogFixture, TwoWritersRotatingTheSameFileLoseNothing)
{
    log.file().setRotation(2000, 500);
    auto writer = [this](const QString& who) {
        ManualClock c{QDateTime(QDate(2026, 12, 7), QTime(10, 15, 30))};
        ProcessLog own(c, log.filePath());
        own.setProcessEvents(false);
        own.file().setRotation(2000, 500);
        for (int i = 0; i < 1500; ++i)
            own.WriteLog(QStringLiteral("%1 %2").arg(who).arg(i));
    };
    std::thread a(writer, QStringLiteral("A"));
    std::thread b(writer, QStringLiteral("B"));
    a.join();
    b.join();
    const QStringList lines = allLines(log.file(), 500);
    EXPECT_EQ(lines.size(), 3000);
    for (const char* who : {"A", "B"})
        for (int i : {0, 777, 1499})
            EXPECT_EQ(lines.count(QStringLiteral("07.12-10:15:30 %1 %2").arg(who).arg(i)), 1) << who << i;
}

TEST(JournalStream, RecognisedOnlyForTheStreamItNames)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("stdout"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    struct stat st {};
    ASSERT_EQ(fstat(file.handle(), &st), 0);
    const QByteArray own = QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino));
    const std::pair<QByteArray, bool> cases[] = {
        {own, true},
        {QByteArray::number(qulonglong(st.st_dev)) + ':' + QByteArray::number(qulonglong(st.st_ino) + 1), false},
        {"", false},
        {"8:x", false},
    };
    for (const auto& [value, journal] : cases)
        EXPECT_EQ(ProcessLog::isJournalStream(value, file.handle()), journal) << value.constData();
}
