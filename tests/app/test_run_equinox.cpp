// The program run once against a real FTP server and goods database, as an operator's
// --run equinox / equinox-import does.
#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "warehouse/WarehouseDay.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RunEquinoxTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    GoodsDb db;
    FtpServer ftp{FtpServer::Mode::Plain, QStringLiteral("equinox"), QStringLiteral("Noliktava;1")};

    void SetUp() override
    {
        QDir().mkpath(ftp.localPath("/VISION/DATA/IN"));
        QDir().mkpath(ftp.localPath("/VISION/DATA/OUT"));
        for (const char* sql : kWarehouseDay)
            db.exec(QString::fromUtf8(sql));
        // the day's orders are today's for a program that reads the system clock
        const QDate today = QDate::currentDate();
        db.exec("UPDATE O_PASPAV SET DATUMS=:D WHERE ISN<>305", {{"D", QDateTime(today, QTime(9, 15))}});
        db.exec("UPDATE O_PASPAV SET DATUMS=:D WHERE ISN=305", {{"D", QDateTime(today.addDays(-1), QTime(9, 15))}});
        db.close();
        writeIni(ftp.address());
    }

    void writeIni(const QString& place)
    {
        QFile f(dir.filePath("VARNIS-A.ini"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\n[EquinoxExp]\nFTPVieta=%3\nUserName=%4\n"
                               "Parole=\"%5\"\nAutoKlienti=true\nAutoPreces=true\nAutoPasutijumi=true\nAutoImports=true\n"
                               "TikaiLabotasPreces=false\nXmlNamespace=urn:varnis:test-vision\n")
                    .arg(db.path(), dir.path(), place, ftp.user(), ftp.password())
                    .toUtf8());
    }

    std::pair<int, QString> run(const QString& name)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", dir.filePath("VARNIS-A.ini"), "--run", name});
        p.waitForFinished(120000);
        const int code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return {code, QString::fromUtf8(p.readAll())};
    }

    static QByteArray golden(const QString& name)
    {
        QFile f(QStringLiteral(VARNIS_SOURCE_DIR "/tests/warehouse/golden/") + name);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

    QByteArray sentFile(const QString& prefix)
    {
        const QStringList names = QDir(ftp.localPath("/VISION/DATA/IN")).entryList({prefix + "*"}, QDir::Files);
        return names.size() == 1 ? ftp.read("/VISION/DATA/IN/" + names.first()) : QByteArray();
    }

    QString sentOrders()
    {
        QStringList keys;
        for (int isn = 300; isn <= 309; ++isn)
            if (db.count("O_PASPAV", QStringLiteral("ISN=%1 AND EQUINOX_STATUSS=1").arg(isn)) == 1)
                keys << QString::number(isn);
        db.close();
        return keys.join(' ');
    }
};

TEST_F(RunEquinoxTest, PutsByteExactFilesOnTheServerAndMarksWhatArrived)
{
    ftp.write("/VISION/DATA/OUT/shipment_S-301.XML",
              "<shipment_result><outbound_order_no>S-301</outbound_order_no><partner_code>ERP_2</partner_code>"
              "<erp_wh_code>ERP_3</erp_wh_code><driver_name>AB-1</driver_name><article_id>200</article_id>"
              "<actual_quantity>1</actual_quantity></shipment_result>");
    const auto [code, out] = run("equinox");
    EXPECT_EQ(code, 0) << out.toStdString();
    for (const QString name : {"stores.XML", "ERP.XML", "partners.XML", "article_groups.XML", "tare.XML", "articles.XML"})
        EXPECT_EQ(ftp.read("/VISION/DATA/IN/" + name).toStdString(), golden(name).toStdString()) << name.toStdString();
    EXPECT_EQ(sentFile("inboundorders").toStdString(), golden("inboundorders.xml").toStdString());
    EXPECT_EQ(sentFile("outboundorders").toStdString(), golden("outboundorders.xml").toStdString());
    EXPECT_EQ(sentOrders(), "300 301 302 303 304 307");
    EXPECT_FALSE(ftp.exists("/VISION/DATA/OUT/shipment_S-301.XML"));
    EXPECT_EQ(db.count("O_PARPAV", "PASUT_NR='S-301' AND IEVKODS='EQUINOX imports'"), 1);
    db.close();
    EXPECT_TRUE(QSettings(dir.filePath("VARNIS-A.ini"), QSettings::IniFormat).contains("EquinoxExp/LastPrecesFTP"));
    EXPECT_TRUE(out.contains("ImportEquinox pabeigts"));
    EXPECT_FALSE(out.contains(ftp.password()));
}

TEST_F(RunEquinoxTest, AServerThatIsDownFailsTheRunAndMarksNothing)
{
    writeIni(QStringLiteral("127.0.0.1:1"));
    const auto [code, out] = run("equinox");
    EXPECT_EQ(code, 1) << out.toStdString();
    EXPECT_TRUE(out.contains("Pievienoties pie Equinox(UploadEquinox) FTP neizdevās !!! Fails stores.XML"));
    EXPECT_TRUE(out.contains("Pievienoties pie Equinox (ImportEquinox-1) FTP neizdevās !!!"));
    EXPECT_EQ(sentOrders(), "307");
    EXPECT_FALSE(QSettings(dir.filePath("VARNIS-A.ini"), QSettings::IniFormat).contains("EquinoxExp/LastPrecesFTP"));
}

TEST_F(RunEquinoxTest, ImportBooksFilesOnceAndKeepsWhatItCannotBook)
{
    ftp.write("/VISION/DATA/OUT/a.XML",
              "<shipment_result><outbound_order_no>S-1</outbound_order_no><partner_code>ERP_2</partner_code>"
              "<erp_wh_code>ERP_3</erp_wh_code><article_id>200</article_id><actual_quantity>2</actual_quantity>"
              "</shipment_result>");
    ftp.write("/VISION/DATA/OUT/b.XML", "<order_status><x>1</x></order_status>");
    auto [code, out] = run("equinox-import");
    EXPECT_EQ(code, 1) << out.toStdString();
    EXPECT_TRUE(out.contains("Equinox neapstrādāts fails saglabāts: "));
    EXPECT_TRUE(QFile::exists(dir.filePath("Equinox/Error/b.XML")));
    EXPECT_EQ(db.count("O_PARPAV", "PASUT_NR='S-1'"), 1);
    db.close();

    // the same file again from the warehouse: nothing doubles
    ftp.write("/VISION/DATA/OUT/a.XML",
              "<shipment_result><outbound_order_no>S-1</outbound_order_no><partner_code>ERP_2</partner_code>"
              "<erp_wh_code>ERP_3</erp_wh_code><article_id>200</article_id><actual_quantity>2</actual_quantity>"
              "</shipment_result>");
    std::tie(code, out) = run("equinox-import");
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(out.contains("Equinox dokuments jau ielasīts Nr=S-1"));
    EXPECT_EQ(db.count("O_PARPAV", "PASUT_NR='S-1'"), 1);
    EXPECT_EQ(db.count("O_PARPRC"), 1);
}

}  // namespace
