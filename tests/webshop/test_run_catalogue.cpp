// The program itself: --run lists fills a real shop database and FTPS server, in full and
// then incrementally.
#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString runLists(const QTemporaryDir& dir, int& exitCode)
{
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", dir.filePath("VARNIS-A.ini"), "--run", "lists"});
    p.waitForFinished(120000);
    exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

}  // namespace

TEST(RunCatalogue, ListsFillTheShopInFullThenIncrementally)
{
    QTemporaryDir dir;
    MariaDbServer mysql;
    FtpServer ftp;
    ShopDb shop(mysql);
    for (int l : {1, 2})
        shop.insert("language", {{"language_id", l}, {"name", QString("L%1").arg(l)}, {"code", QString("l%1").arg(l)}, {"status", 1}});
    GoodsDb goods;
    goods.exec("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_DIR, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
               "E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN, WWW_KODS_GNOS, "
               "WWW_KODS_GNOS2) VALUES (10, :F, '/image/catalog/images', :FU, :FP, :M, :DB, :MU, :MP, '2,', 2, 1, 2)",
               {{"F", ftp.address()}, {"FU", ftp.user()}, {"FP", ftp.password()}, {"M", mysql.address()}, {"DB", shop.name()},
                {"MU", shop.user()}, {"MP", shop.password()}});
    goods.exec("INSERT INTO N_ISI (ISN, ISIORGNOS, ISIREGNR) VALUES (1, 'SIA Tests', '40000000000')");  // no default rows
    goods.exec("INSERT INTO N_DEPART (ISN, GNOS) VALUES (2, 'Noliktava')");
    goods.exec("INSERT INTO N_PRGRUP (ISN, GNOS, GNOS2) VALUES (2, 'Piens', 'Milk')");
    for (int p : {10, 11, 12}) {
        goods.exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, ARTIKULS, BILDE, EDITDAT) VALUES (:P, 2, 'Prece', :P, :B, :D)",
                   {{"P", p}, {"B", QByteArray("\xFF\xD8\r\n\0", 5) + QByteArray::number(p)}, {"D", QDate::currentDate().addDays(-1)}});
        goods.exec("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (:P, 2, 3)", {{"P", p}});
    }
    goods.close();
    QFile ini(dir.filePath("VARNIS-A.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QString("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\n[WWWExp]\nExpTips=2\nchkPreces=true\nPrecesAllNew=0\n")
                  .arg(goods.path(), dir.path())
                  .toUtf8());
    ini.close();

    int exitCode = -1;
    QString out = runLists(dir, exitCode);
    EXPECT_EQ(exitCode, 0) << out.toStdString();
    EXPECT_TRUE(out.contains("WWW Beidz SendPrecesOC_3_FD"));
    EXPECT_EQ(shop.count("product"), 3);
    EXPECT_EQ(shop.count("product_description", "name='Prece'"), 6);
    EXPECT_EQ(ftp.read("/image/catalog/images/BILDE_11.JPG"), QByteArray("\xFF\xD8\r\n\0", 5) + "11");
    const QString firstMark = QSettings(dir.filePath("VARNIS-A.ini"), QSettings::IniFormat).value("AutoProcess_WWWExp/LastPrecesOC_3").toString();
    EXPECT_FALSE(firstMark.isEmpty());

    goods.exec("UPDATE N_KLPREC SET GNOS='Svaigs piens' WHERE ISN=11");  // the goods program stamps EDITDAT
    goods.close();
    QSettings(dir.filePath("VARNIS-A.ini"), QSettings::IniFormat).setValue("WWWExp/PrecesAllNew", 1);  // the mark stays
    out = runLists(dir, exitCode);
    EXPECT_EQ(exitCode, 0) << out.toStdString();
    EXPECT_TRUE(out.contains("WWW Sūtu preces 1/1")) << out.toStdString();
    EXPECT_EQ(shop.scalar("SELECT GROUP_CONCAT(name ORDER BY product_id) FROM product_description WHERE language_id=2").toString(),
              "Prece,Svaigs piens,Prece");
    EXPECT_EQ(shop.count("product"), 3);
    EXPECT_EQ(shop.count("seo_url"), 4);
}
