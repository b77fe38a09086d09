// The program's --run edisoft on a real goods database and real directories.
#include "EdisoftFixture.h"

#include <QProcess>

namespace {

int runEdisoft(const QTemporaryDir& dir, QString* out)
{
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", dir.filePath("VARNIS-A.ini"), "--run", "edisoft"});
    p.waitForFinished(120000);
    *out += QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void putOld(const QString& path, const QByteArray& text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    f.flush();
    f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
}

}  // namespace

TEST(EdisoftRun, ImportsBacksUpKeepsWhatItCannotAndARerunDoublesNothing)
{
    QTemporaryDir dir;
    GoodsDb db;
    db.close();
    QDir(dir.path()).mkpath("in");
    QFile ini(dir.filePath("VARNIS-A.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\n[Edisoft]\nKatalogs=\nIsnodala=0\n"
                             "KatalogsSanem=%2/in\nSanNeapstiprin=false\nKatalogsPasutOut=\nKatalogsMessage=\n"
                             "KlientaAtpazisana=0\nPasutijumaDatumaFlag=0\n").arg(db.path(), dir.path()).toUtf8());
    ini.close();
    putOld(dir.filePath("in/a.xml"), EdisoftTest::receipt());
    putOld(dir.filePath("in/b.xml"), EdisoftTest::receipt().replace("<TotalLines>4", "<TotalLines>9"));

    QString out;
    EXPECT_EQ(runEdisoft(dir, &out), 1);  // one file set aside
    EXPECT_TRUE(QFile::exists(dir.filePath("in/BackupSanem/a.xml")) && QFile::exists(dir.filePath("in/Kludas/b.xml")));
    EXPECT_TRUE(out.contains("TotalLines=9, bet failā ir 4 rindas")) << out.toStdString();
    putOld(dir.filePath("in/a.xml"), EdisoftTest::receipt());  // sent again
    EXPECT_EQ(runEdisoft(dir, &out), 0) << out.toStdString();
    EXPECT_EQ(db.count("O_PAVADZ"), 1);
    EXPECT_EQ(db.count("O_PRECE"), 3);
    EXPECT_TRUE(QFile::exists(dir.filePath("in/BackupSanem/a_1.xml")));
}
