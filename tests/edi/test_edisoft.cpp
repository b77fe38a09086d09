#include "EdisoftFixture.h"

#include "db/CustomerPrice.h"

using Outcome = RunReport::Outcome;

TEST_F(EdisoftTest, ReceiptsBecomeIncomingInvoicesAndAreBackedUp)
{
    start({"UPDATE N_KLIENT SET FTP_DATI_IEP_C='T', FTP_ISNODALA=2 WHERE ISN=3"});
    put("receipts", "r1.xml", receipt());
    // Supplier 3 prices by the unit price and takes its receipts into department 2.
    put("receipts", "r2.xml", receipt().replace("LV40003000001", "LV40003000002").replace(">R-1<", ">R-2<"));
    EXPECT_EQ(run(), Outcome::Done) << logText().toStdString();
    EXPECT_EQ(report.movedRecords(), 2);
    EXPECT_TRUE(exists("receipts/BackupSanem/r1.xml") && exists("receipts/BackupSanem/r2.xml"));
    EXPECT_FALSE(exists("receipts/r1.xml") || exists("receipts/r2.xml"));

    // Department by EDISOFT_KODS E-02; supplier 3's own department 2.
    EXPECT_EQ(count("O_PAVADZ", "NR_PAVADZ='R-1' AND ISKLIENT=2 AND ISNODALA=3 AND DAT_PAVADZ='2026-12-01' AND "
                                "DAT_SANEM='2026-12-02' AND APM_LIDZ='2026-12-31' AND PASUT_NR='PO-7' AND "
                                "KOMENTARS='Piegāde & izkraušana' AND NELEGALIZ='T' AND IEVKODS='IMPORTS NO EDISOFT'"), 1);
    EXPECT_EQ(count("O_PAVADZ", "NR_PAVADZ='R-2' AND ISKLIENT=3 AND ISNODALA=2"), 1);
    const int newGoods = scalar("SELECT ISN FROM N_KLPREC WHERE ARTIKULS='4759999999999'").toInt();
    const int cert = scalar("SELECT ISN FROM N_SERTIF WHERE GNOS='Sert. \"A\" ''B'''").toInt();
    EXPECT_EQ(count("N_SERTIF", "GNOS LIKE 'Sert.%'"), 1);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS='4759999999999' AND GNOS='Jauna prece' AND MERVIENIBA='kg' AND ISPRKLIENT=2"), 1);
    // The line of quantity 0 is not stored; supplier 3 prices by unit prices, which its other lines lack.
    EXPECT_EQ(rows("SELECT ISPRECE, DAUDZUMS, CENA, ISSERTIF FROM O_PRECE JOIN O_PAVADZ ON O_PAVADZ.ISN=ISPAVADZ "
                   "ORDER BY NR_PAVADZ, O_PRECE.ISN"),
              QStringList({QStringLiteral("100|10|0.9|%1").arg(cert), QStringLiteral("100|2|1.5|%1").arg(cert),
                           QStringLiteral("%1|4|1.1|1").arg(newGoods), QStringLiteral("100|10|0.95|%1").arg(cert),
                           QStringLiteral("100|2|0|%1").arg(cert), QStringLiteral("%1|4|0|1").arg(newGoods)}));
    EXPECT_EQ(logCount("Pavadzīme Nr R-1 datums 01.12.2026 Klients Piens SIA"), 1);
    EXPECT_EQ(logCount("Edisoft Nesakrīt iep.cena !!! Nodaļa:Veikals Centrs Prece:Piens 2,5% 1l Nosūtītāja cena:0.900 "
                       "Definētā cena:0.800"), 1);
}

TEST_F(EdisoftTest, FilesThatCanNeverBeImportedAreSetAsideWithTheirReasons)
{
    start();
    const QByteArray all4 = receipt().replace(">R-1<", "><").replace("2026-12-01<", "2026-13-01<")
                                .replace("<TaxID>LV40003000001</TaxID>", "").replace("E-02", "");
    const struct { const char* sub; QByteArray text; const char* reason; } cases[] = {
        {"receipts", all4, " nav Numurs nav Datums nav Klienta PVN kods nav Nodaļas kods"},
        {"receipts", "", " nav Numurs nav Datums nav Klienta PVN kods nav Nodaļas kods"},
        {"receipts", QByteArray("\x00\x01\x02\x80\xc3 binary\x00", 13), " nav Numurs nav Datums nav Klienta PVN kods nav Nodaļas kods"},
        {"receipts", receipt().replace("R-1</", "R-1\n</"), " nav Numurs"},  // over two lines
        {"receipts", receipt().replace("\n", ""), " nav Klienta PVN kods"},   // on one line
        {"receipts", receipt().replace("<TotalLines>4", "<TotalLines>5"), " TotalLines=5, bet failā ir 4 rindas"},
        {"receipts", receipt().replace("<TotalLines>4", "<TotalLines>x"), " TotalLines nav rindu skaits: 'x'"},
        {"receipts", receipt().replace(">2</InvoiceQ", ">divi</InvoiceQ"), " InvoiceQuantity (rinda 2) nav skaitlis: 'divi'"},
        {"receipts", receipt().replace("<SupplierItemCode>P-1001</SupplierItemCode>", ""), " nav preces koda (rinda 2)"},
        {"receipts", receipt().replace("2026-12-31", "31.12.2026"), " InvoicePaymentDueDate nav datums: '31.12.2026'"},
        {"orders", order().replace("<DeliveryPoint>\n<ILN>C000004</ILN>", "<DeliveryPoint>"), " nav Klienta ILN kods"},
        {"orders", order().replace("2026-12-05", "2026-02-30"), " nav Datums"},
        {"orders", order().replace("<TotalLines>3", "<TotalLines>4"), " TotalLines=4, bet failā ir 3 rindas"},
    };
    int n = 0;
    for (const auto& c : cases)
        put(c.sub, QStringLiteral("bad%1.xml").arg(++n, 2, 10, QLatin1Char('0')), c.text);
    EXPECT_EQ(run(), Outcome::Failed);
    n = 0;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("%1/bad%2.xml").arg(c.sub).arg(++n, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(logCount("Edisoft Kļūda XML faila datos : " + dir.filePath(name) + c.reason + "\n"), 1) << n;
        EXPECT_TRUE(exists(QStringLiteral("%1/Kludas/bad%2.xml").arg(c.sub).arg(n, 2, 10, QLatin1Char('0')))) << n;
    }
    EXPECT_EQ(count("O_PAVADZ") + count("O_PASPAV") + count("O_PRECE") + count("N_SERTIF", "ISN>1"), 0);
}

TEST_F(EdisoftTest, SalesDateFallsBackToTheInvoiceDateOnlyWhenItDoesNotRead)
{
    start();
    const struct { const char* salesDate; QDateTime expected; } cases[] = {
        {"", day(2026, 12, 1)}, {"<SalesDate></SalesDate>", day(2026, 12, 1)},
        {"<SalesDate>2026-12-32</SalesDate>", day(2026, 12, 1)}, {"<SalesDate>2026-12-05</SalesDate>", day(2026, 12, 5)}};
    for (int i = 0; i < 4; ++i)
        put("receipts", QStringLiteral("s%1.xml").arg(i), receipt().replace(">R-1<", QStringLiteral(">S-%1<").arg(i).toUtf8())
                                                          .replace("<SalesDate>2026-12-02</SalesDate>", cases[i].salesDate));
    EXPECT_EQ(run(), Outcome::Done);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(scalar(QStringLiteral("SELECT DAT_SANEM FROM O_PAVADZ WHERE NR_PAVADZ='S-%1'").arg(i)).toDateTime(),
                  cases[i].expected) << i;
}

TEST_F(EdisoftTest, UnknownSupplierAndLocationTakeTheDefaultRows)
{
    start();
    put("receipts", "r.xml", receipt().replace("LV40003000001", "LV49999999999").replace("E-02", "E-99"));
    EXPECT_EQ(run(), Outcome::Done);
    EXPECT_EQ(scalar("SELECT ISKLIENT FROM O_PAVADZ").toInt(), 1);
    EXPECT_EQ(scalar("SELECT ISNODALA FROM O_PAVADZ").toInt(), 1);
    EXPECT_EQ(logCount("Edisoft piegādātājs ar PVN kodu LV49999999999 nav atrasts"), 1);
    EXPECT_EQ(logCount("Edisoft nodaļa ar kodu E-99 nav atrasta"), 1);
}

TEST_F(EdisoftTest, OrdersBecomeCustomerOrdersByTheRecognitionAndDateSettings)
{
    const struct { QList<QPair<QString, QString>> edits; const char* iln; int customer, branch; QDateTime date; } cases[] = {
        {{}, "C000004", 4, 0, day(2026, 12, 5)},
        {{{"KlientaAtpazisana=0", "KlientaAtpazisana=1"}, {"PasutijumaDatumaFlag=0", "PasutijumaDatumaFlag=1"}},
         "4750000077777", 4, 7, day(2026, 12, 8)},
    };
    for (const auto& c : cases) {
        start({}, c.edits);
        put("orders", "o.xml", order().replace("C000004", c.iln));
        EXPECT_EQ(run(), Outcome::Done) << logText().toStdString();
        EXPECT_TRUE(exists("orders/BackupPasut/o.xml"));
        EXPECT_EQ(count("O_PASPAV"), 1);
        EXPECT_EQ(count("O_PASPAV", QStringLiteral("NR_PAVADZ='P-100' AND ISKLIENT=%1 AND ISKLSTRV=%2 AND DATUMS='%3' AND "
                                                   "DAT_PIEGADE='2026-12-08' AND ISNODALA=3 AND PIEGADPIRCEJS=2")
                                        .arg(c.customer).arg(c.branch).arg(c.date.toString("yyyy-MM-dd"))), 1);
        const TCustomerPrice price = GetCustomerPrice(*dati, 100, 4, 3, c.date);
        const TCustomerPrice withPermanent = GetCustomerPrice(*dati, 102, 4, 3, c.date);
        EXPECT_EQ(withPermanent.ATLAIDE, -3);  // the goods' own discount where the customer has none better
        const auto line = [](auto goods, int quantity, double price, double discount) {
            return QStringLiteral("%1|%2|%2|%3|%4").arg(goods).arg(quantity).arg(QString::number(price), QString::number(discount));
        };
        EXPECT_EQ(rows("SELECT ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ, CENA, ATLAIDE FROM O_PASPRC ORDER BY ISN"),
                  QStringList({line(100, 12, price.CENA, price.ATLAIDE), line(102, 3, withPermanent.CENA, -3),
                               line(scalar("SELECT ISN FROM N_KLPREC WHERE ARTIKULS='4759999999998'").toInt(), 5, 1.5, 0)}));
    }
}

TEST_F(EdisoftTest, RedeliveredFilesStoreNothingTwiceAndEarlierBackupsAreKept)
{
    start();
    for (int round = 0; round < 2; ++round) {
        put("receipts", "r.xml", receipt());
        put("orders", "o.xml", order());
        EXPECT_EQ(run(), Outcome::Done) << round;
    }
    EXPECT_EQ(count("O_PAVADZ"), 1);
    EXPECT_EQ(count("O_PRECE"), 3);
    EXPECT_EQ(count("O_PASPAV"), 1);
    EXPECT_EQ(logCount("Edisoft pavadzīme Nr R-1 datums 01.12.2026 jau ir ievadīta"), 1);
    EXPECT_EQ(logCount("Edisoft pasūtījums Nr P-100 datums 05.12.2026 jau ir ievadīts"), 1);
    for (const char* backup : {"receipts/BackupSanem/r.xml", "receipts/BackupSanem/r_1.xml", "orders/BackupPasut/o_1.xml"})
        EXPECT_TRUE(exists(backup)) << backup;
}

TEST_F(EdisoftTest, DatabaseRefusalKeepsTheFileWholeAndTheRerunStoresItOnce)
{
    const struct { const char* table; const char* line; } cases[] = {
        {"O_PAVADZ", "Edisoft pavadzīme netika ievadīta, fails paliek nākamajai reizei : "},
        {"O_PRECE", "Edisoft pavadzīmes rinda netika ievadīta, fails paliek nākamajai reizei : "}};
    for (const auto& [table, line] : cases) {
        start(failing(table, 5));  // every attempt of the first insert fails
        put("receipts", "r.xml", receipt());
        EXPECT_EQ(run(), Outcome::Failed) << table;
        EXPECT_TRUE(exists("receipts/r.xml")) << table;
        EXPECT_EQ(count("O_PAVADZ") + count("O_PRECE") + count("N_SERTIF", "ISN>1") + count("N_KLPREC", "ISN>103"), 0);
        EXPECT_EQ(count("O_ERRORINFO"), 1) << table;
        EXPECT_EQ(logCount(line + dir.filePath("receipts/r.xml")), 1) << table;
        EXPECT_EQ(run(), Outcome::Done) << table;
        EXPECT_EQ(count("O_PAVADZ"), 1);
        EXPECT_EQ(count("O_PRECE"), 3);
        EXPECT_TRUE(exists("receipts/BackupSanem/r.xml"));
    }
}

TEST_F(EdisoftTest, StatusMessagesMarkOrdersBlockByBlock)
{
    start({"INSERT INTO O_PASPAV (ISN, NR_PAVADZ, DATUMS) VALUES (50, 'P-1', '2026-12-05')",
           "INSERT INTO O_PASPAV (ISN, NR_PAVADZ, DATUMS) VALUES (51, 'P-2', '2026-12-05')"});
    const auto block = [](const char* type, const char* number, const char* date, const char* status) {
        return QStringLiteral("<document-type>%1</document-type>\n<document-number>%2</document-number>\n"
                              "<document-date>%3</document-date>\n<document-status-date>%4</document-status-date>\n")
            .arg(type, number, date, status).toUtf8();
    };
    put("messages", "order_out_1.Xml",
        block("ORDER", "P-1", "2026-12-05", "2026-12-06T08:30:00") + block("INVOICE", "P-2", "2026-12-05", "2026-12-06T09:00:00")
            + block("ORDER", "P-2", "2026-13-05", "2026-12-06T09:00:00") + block("ORDER", "P-2", "2026-12-05", "drīz")
            + block("", "", "", "") + block("ORDER", "P-2", "2026-12-05", "2026-12-07T07:00:00"));
    put("messages", "other.xml", block("ORDER", "P-2", "2026-12-05", "2026-12-07T07:00:00"));
    EXPECT_EQ(run(), Outcome::Done);
    EXPECT_EQ(scalar("SELECT FTP_DATUMS FROM O_PASPAV WHERE ISN=50").toDateTime(), QDateTime(QDate(2026, 12, 6), QTime(8, 30)));
    EXPECT_TRUE(scalar("SELECT FTP_DATUMS FROM O_PASPAV WHERE ISN=51").isNull());
    EXPECT_EQ(logCount("Edisoft Bloks : "), 4);
    const QString file = dir.filePath("messages/order_out_1.Xml");
    EXPECT_EQ(logCount("Edisoft Kļūda laukā document-date, Bloks=3 fails : " + file), 1);
    EXPECT_EQ(logCount("Edisoft Kļūda laukā document-status-date, Bloks=4 fails : " + file), 1);
    EXPECT_TRUE(exists("messages/BackupMessage/order_out_1.Xml") && exists("messages/other.xml"));
}

TEST_F(EdisoftTest, TheRunTakesItsDirectoriesInOrderAndLeavesWhatItMust)
{
    start({}, {{"Isnodala=3", "Isnodala=0"}, {"/messages", "/nav"}});
    put("orders", "o.xml", order());                 // no order import with department 0
    put("receipts", "b.XML", receipt());
    put("receipts", "a.xml", receipt().replace(">R-1<", ">R-2<"));
    put("receipts", "c.txt", receipt());
    put("receipts", "young.xml", receipt(), 5);      // may still be being written
    EXPECT_EQ(run(), Outcome::Failed);
    const QString text = logText();
    EXPECT_TRUE(text.indexOf("receipts/a.xml") < text.indexOf("receipts/b.XML")) << text.toStdString();
    EXPECT_EQ(logCount("Edisoft Pasūtījuma fails"), 0);
    EXPECT_EQ(logCount("Edisoft fails vēl tiek rakstīts, to ievadīšu nākamreiz : " + dir.filePath("receipts/young.xml")), 1);
    EXPECT_EQ(logCount("Edisoft katalogs nav atrasts : " + dir.filePath("nav")), 1);
    EXPECT_TRUE(text.split('\n', Qt::SkipEmptyParts).first().endsWith("Sāku Edisoft..."));
    EXPECT_TRUE(text.trimmed().endsWith("Beidzu Edisoft"));
    EXPECT_FALSE(busy.isSet());
    EXPECT_TRUE(exists("orders/o.xml") && exists("receipts/c.txt") && exists("receipts/young.xml"));
    EXPECT_EQ(count("O_PAVADZ"), 2);

    // A backup directory that cannot be made: the document is stored, its file stays, and the rerun
    // finds it stored.
    put("receipts", "young.xml", receipt().replace(">R-1<", ">R-3<"));
    QDir(dir.filePath("receipts/BackupSanem")).removeRecursively();
    put("receipts", "BackupSanem", "in the way");
    EXPECT_EQ(run(), Outcome::Failed);
    EXPECT_EQ(logCount("Kļūda veidojot faila rezerves kopiju, process turpinās : "), 1);
    EXPECT_TRUE(exists("receipts/young.xml"));
    EXPECT_EQ(run(), Outcome::Failed);
    EXPECT_EQ(count("O_PAVADZ"), 3);
    EXPECT_EQ(logCount("Edisoft pavadzīme Nr R-3 datums 01.12.2026 jau ir ievadīta"), 1);
}

TEST_F(EdisoftTest, SettingsBusyFlagAndTheTestButton)
{
    start({}, {{"Isnodala=3\n", ""}});
    EXPECT_THROW(edisoft->EdisoftImpProcess(), RegistryError);  // a missing integer ends the run
    EXPECT_FALSE(busy.isSet());

    start({}, {{"TestFails=", "TestFails=" + dir.filePath("test.xml")}});
    EXPECT_EQ(run(), Outcome::Done);
    registry->settings().remove("Edisoft");  // the section gone: the last values stay
    put("receipts", "r.xml", receipt());
    EXPECT_EQ(run(), Outcome::Done);
    EXPECT_EQ(count("O_PAVADZ"), 1);
    busy.set(true);
    EXPECT_EQ(run(), Outcome::Refused);
    EXPECT_EQ(logCount("Edisoft Nepilda failu importu - pildās cits process"), 1);
    busy.set(false);

    report.begin();
    EXPECT_FALSE(edisoft->EdisoftTestImport());
    EXPECT_EQ(logCount("Test Edisoft: fails nav atrasts : " + dir.filePath("test.xml")), 1);
    put(".", "test.xml", receipt().replace(">R-1<", ">T-1<"));
    EXPECT_TRUE(edisoft->EdisoftTestImport());
    EXPECT_TRUE(exists("test.xml"));  // no backup
    EXPECT_EQ(count("O_PAVADZ", "NR_PAVADZ='T-1'"), 1);

    start({}, {{"=" + dir.path() + "/orders", "="}, {"=" + dir.path() + "/receipts", "="}, {"=" + dir.path() + "/messages", "="}});
    EXPECT_EQ(run(), Outcome::NothingToDo);
    report.begin();
    EXPECT_FALSE(edisoft->EdisoftTestImport());
    EXPECT_EQ(logCount("Test Edisoft: nav norādīts fails ([Edisoft] TestFails)"), 1);
}
