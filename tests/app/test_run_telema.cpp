// The Telema run of the program against a live Telema on loopback and a real goods file.
#include "edi/TelemaFixture.h"

#include <QProcess>

TEST(RunTelema, ImportsAcknowledgesAndExportsAndARerunDoublesNothing)
{
    QTemporaryDir dir;
    GoodsDb db;
    for (const char* sql : {
             "INSERT INTO N_DEPART (ISN, GNOS, TELEMAA_KODS) VALUES (2, 'Noliktava', '4750000000011')",
             "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, FTP_KLKODS, PIEGADAT) VALUES (2, 'Piens SIA', '40003000001', 'G2', 'T')",
             "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS, PIRCEJS) VALUES (4, 'Kafejnīca', 'C4', 'T')",
             "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, NODOKLIS) VALUES (100, 'Piens 1l', '4750000001001', 21)",
             "SET GENERATOR N_KLPRECGEN TO 100", "SET GENERATOR N_KLIENTGEN TO 10",
             "INSERT INTO O_PASPAV (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, PIEGADPIRCEJS) VALUES (1, 2, 2, 'P-1', "
             "'07.12.2026', 1)",
             "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, CENA, APSTIPRIN_DAUDZ, NODOKLIS) VALUES (1, 1, 100, 1, 5, 21)",
             "SET GENERATOR O_PASPAVGEN TO 1", "SET GENERATOR O_PASPRCGEN TO 1"})
        db.exec(QString::fromUtf8(sql));
    db.close();
    FakeTelema& telema = FakeTelema::instance();
    telema.reset();
    const QString item = "<DocumentItem><ItemEntry><GTIN>4750000001001</GTIN><VATRate>21</VATRate>"
                         "<AmountInvoiced>2</AmountInvoiced><AmountOrdered>2</AmountOrdered><SumBeforeVAT>1.6</SumBeforeVAT>"
                         "</ItemEntry></DocumentItem>";
    telema.offerXml("1", "<E-Document><DocumentType>invoice</DocumentType><SellerParty><RegNum>40003000001</RegNum>"
                         "</SellerParty><DocumentInfo><DocumentNum>Z-9</DocumentNum><InvoiceDate>2026-12-05</InvoiceDate>"
                         "</DocumentInfo>" + item + "</E-Document>");
    telema.offerXml("2", "<E-Document><DocumentType>order</DocumentType><DeliveryParty><GLN>C4</GLN></DeliveryParty>"
                         "<DocumentInfo><DocumentNum>W-9</DocumentNum><OrderDate>2026-12-06</OrderDate></DocumentInfo>"
                         + item + "</E-Document>");
    QFile ini(dir.filePath("VARNIS-A.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\n[Telema]\nRESTHttps=%3\nClientID=varnis\n"
                             "SecretKey=slepens\nSanPZImports=true\nPasutImports=true\nPasutExports=true\n"
                             "IzrPZExports=true\nSanNeapstiprin=false\nIsnodala=2\nPasutijumaDatumaFlag=0\n"
                             "KlientaAtpazisana=0\n").arg(db.path(), dir.path(), telema.base()).toUtf8());
    ini.close();

    for (int run = 1; run <= 2; ++run) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", ini.fileName(), "--run", "telema"});
        p.waitForFinished(120000);
        const QString out = QString::fromUtf8(p.readAll());
        EXPECT_EQ(p.exitCode(), 0) << run << out.toStdString();
        EXPECT_FALSE(out.contains("slepens"));
    }
    EXPECT_EQ(db.count("O_PAVADZ"), 1);
    EXPECT_EQ(db.count("O_PRECE"), 1);
    EXPECT_EQ(db.count("O_PASPAV", "PIEGADPIRCEJS=2 AND ISKLIENT=4"), 1);
    EXPECT_EQ(db.count("O_PASPAV", "ISN=1 AND FTP_STATUSS=1"), 1);
    EXPECT_EQ(telema.waitingCount(), 0u);
    EXPECT_EQ(telema.uploaded().size(), 1);
    EXPECT_EQ(telema.requests("POST", "data/feedback").size(), 2u);
}
