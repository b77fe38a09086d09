// The program as the people who keep a host running use it: --status, --check, a headless
// host under the journal with its monitoring port, and the settings file's secrets.

#include "support/ChildProcess.h"
#include "support/GoodsDb.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
};

class Operations : public ::testing::Test {
protected:
    QTemporaryDir dir;
    GoodsDb db;

    QString ini() const { return dir.filePath("VARNIS-A.ini"); }

    void writeIni(const QString& more, const QString& database = {})
    {
        QFile f(ini());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\nNeveiktLaiksNo=00:00\n"
                               "NeveiktLaiksLidz=00:00\nEdisoftAutoImport=false\nTelemaaAutoImports=false\n"
                               "[AutoProcess_WWWExp]\nAutoPrecuAtlikumi=2\nAtlikumiTime=20\nAutoKlasifikatori=0\n"
                               "AutoSanemt=0\nVestureTips=0\n%3")
                    .arg(database.isEmpty() ? db.path() : database, dir.path(), more)
                    .toUtf8());
        f.close();
        QFile::setPermissions(ini(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    Outcome run(const QStringList& args, const QString& workDir = {})
    {
        QProcess p;
        closeOnExec(p);
        p.setWorkingDirectory(workDir.isEmpty() ? dir.path() : workDir);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(VARNIS_PROCESS_BIN), QStringList{"--config", ini()} + args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
    }

    // A headless host whose standard output is a file the journal names.
    std::unique_ptr<QProcess> startHeadless(const QString& workDir, const QString& stdoutFile, const QString& config)
    {
        QFile out(stdoutFile);
        out.open(QIODevice::WriteOnly);
        struct stat st {};
        ::fstat(out.handle(), &st);
        out.close();
        auto p = std::make_unique<QProcess>();
        closeOnExec(*p);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("JOURNAL_STREAM", QStringLiteral("%1:%2").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino)));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(workDir);
        p->setStandardOutputFile(stdoutFile, QIODevice::Append);
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", config, "--headless"});
        p->waitForStarted();
        return p;
    }

    static QString readFile(const QString& path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }

    // Waits, without timing anything, for a condition another process brings about.
    static bool eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 300; ++i) {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return false;
    }
};

}  // namespace

TEST_F(Operations, StatusAndCheckAnswerFromTheSettingsAndTheHistory)
{
    writeIni("[D365]\nLoginHttps=http://127.0.0.1:1/token\nRESTHttps=http://127.0.0.1:1/\nClientID=x\nSecretKey=s3cr3t-key\n");
    const Outcome none = run({"--status"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(none.out.contains("History: not available")) << none.out.toStdString();
    EXPECT_EQ(run({"--check"}).exitCode, 1);

    EXPECT_EQ(run({"--run", "d365-post"}).exitCode, 1);
    EXPECT_EQ(run({"--run", "stock"}).exitCode, 1);  // no shop settings in the goods database

    // The goods database gone: the status still answers, from the settings and the history.
    writeIni("[D365]\nSecretKey=s3cr3t-key\n", dir.filePath("nav/PRECES.GDB"));
    const Outcome status = run({"--status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_TRUE(status.out.contains(QRegularExpression("\nstock +yes +every 20 min +- +\\d\\d\\.\\d\\d\\.\\d{4} [0-9:]{8} "
                                                       "+- +1/1 +Nav ievadīta FTP adrese !!!")))
        << status.out.toStdString();
    EXPECT_TRUE(status.out.contains(QRegularExpression("\nd365-login +no +manual ")));
    EXPECT_FALSE(status.out.contains("Nevaru atvērt datu bāzi"));

    const QJsonObject json = QJsonDocument::fromJson(run({"--status", "--json"}).out.toUtf8()).object();
    QStringList failing;
    for (const QJsonValue& e : json["exchanges"].toArray())
        if (e.toObject()["failing"].toBool())
            failing << e.toObject()["name"].toString();
    EXPECT_EQ(failing, (QStringList{"stock", "d365-login"}));

    const Outcome check = run({"--check"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_TRUE(check.out.startsWith("VARNIS WARNING - stock: no success since the host started")
                || check.out.startsWith("VARNIS WARNING - stock: never succeeded"))
        << check.out.toStdString();
    EXPECT_FALSE((status.out + check.out).contains("s3cr3t-key"));

    for (const QStringList& usage : {QStringList{"--json"}, QStringList{"--status", "--check"},
                                     QStringList{"--status", "--run", "stock"}, QStringList{"--check", "--headless"}})
        EXPECT_EQ(run(usage).exitCode, 2) << usage.join(' ').toStdString();
}

TEST_F(Operations, HeadlessHostUnderTheJournalServesItsStatus)
{
    const int port = freeLoopbackPort();
    writeIni(QStringLiteral("[Monitoring]\nPort=%1\n").arg(port));
    const QString out = dir.filePath("journal.out");
    std::unique_ptr<QProcess> host = startHeadless(dir.path(), out, ini());
    ASSERT_TRUE(eventually([&] { return acceptsOnLoopback(port); })) << readFile(out).toStdString();

    httplib::Client client("127.0.0.1", port);
    const auto status = client.Get("/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, 200);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(status->body)).object();
    EXPECT_TRUE(json["database"].toObject()["answered"].toBool());
    const QJsonObject stock = json["exchanges"].toArray().first().toObject();
    EXPECT_EQ(stock["name"].toString(), "stock");
    EXPECT_FALSE(stock["nextDue"].isNull());
    const auto metrics = client.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_NE(metrics->body.find("varnis_database_up 1\n"), std::string::npos);
    EXPECT_NE(metrics->body.find("varnis_exchange_next_due_timestamp_seconds{exchange=\"stock\"} "), std::string::npos);
    EXPECT_EQ(client.Get("/nav")->status, 404);

    // Beside the running host: its due time, read from the history it writes.
    const Outcome beside = run({"--status"});
    EXPECT_TRUE(beside.out.contains(QRegularExpression("\nstock +yes +every 20 min +- +- +\\d\\d\\.\\d\\d")))
        << beside.out.toStdString();
    EXPECT_EQ(run({"--check"}).exitCode, 0);

    // A second host on the same port (and a database of its own that is not there) logs it
    // and goes on.
    QTemporaryDir second;
    QFile::copy(ini(), second.filePath("VARNIS-A.ini"));
    {
        QSettings s(second.filePath("VARNIS-A.ini"), QSettings::IniFormat);
        s.setValue("AutoProcess_Config/DatuBaze", second.filePath("PRECES.GDB"));
    }
    std::unique_ptr<QProcess> other =
        startHeadless(second.path(), second.filePath("journal.out"), second.filePath("VARNIS-A.ini"));
    ASSERT_TRUE(eventually([&] { return readFile(second.filePath("VarnisProcess.log")).contains("Monitoringa portu"); }));
    EXPECT_TRUE(readFile(second.filePath("VarnisProcess.log"))
                    .contains(QStringLiteral("Monitoringa portu 127.0.0.1:%1 neizdevās atvērt").arg(port)));
    EXPECT_FALSE(other->waitForFinished(1000));
    other->terminate();
    EXPECT_TRUE(other->waitForFinished(30000));

    host->terminate();
    ASSERT_TRUE(host->waitForFinished(30000));
    EXPECT_EQ(host->exitCode(), 0);
    // The journal stamps the lines itself; the log file keeps its own stamps.
    const QStringList journal = readFile(out).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(journal.contains("CheckAutoProcess - SetNextTime WWW")) << readFile(out).toStdString();
    EXPECT_TRUE(journal.contains("Process beidzas"));
    EXPECT_TRUE(readFile(dir.filePath("VarnisProcess.log")).contains(QRegularExpression("\\d\\d\\.\\d\\d-[0-9:]{8} Process beidzas")));
    // A host that has ended publishes no due times.
    EXPECT_TRUE(run({"--status"}).out.contains(QRegularExpression("\nstock +yes +every 20 min +- +- +- ")));
}

TEST_F(Operations, SettingsFileReadableByOthersWhileItHoldsAPassword)
{
    const QString warning = QStringLiteral("Konfigurācijas fails ir lasāms citiem lietotājiem: ") + ini();
    struct Case {
        const char* name;
        QString more;
        QFileDevice::Permissions mode;
        bool warns;
    };
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const Case cases[] = {
        {"readable by all, with a password", "[EquinoxExp]\nParole=noliktava\n", owner | QFileDevice::ReadOther, true},
        {"readable by the group, with a secret", "[D365]\nSecretKey=abcdef\n", owner | QFileDevice::ReadGroup, true},
        {"the owner's alone", "[D365]\nSecretKey=abcdef\n", owner, false},
        {"readable by all, no password in it", "[EquinoxExp]\nParole=\n", owner | QFileDevice::ReadOther, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeIni(c.more);
        QFile::setPermissions(ini(), c.mode);
        const Outcome o = run({"--run", "horizon"});
        EXPECT_EQ(o.out.count(warning), c.warns ? 1 : 0) << o.out.toStdString();
    }
}
