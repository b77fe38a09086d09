#include "DocumentsFixture.h"

#include "db/O_precetable.h"

namespace {

struct IncomingInvoiceTable : DocumentsTest {
    void fillHead(TO_preceTable& t)
    {
        t.O_PAVADZ.NR_PAVADZ = "ZP-1001";
        t.O_PAVADZ.PZ_SERIJA = "ZP";
        t.O_PAVADZ.DAT_PAVADZ = day(2026, 12, 1);
        t.O_PAVADZ.DAT_SANEM = day(2026, 12, 2);
        t.O_PAVADZ.PASUT_NR = "P-77";
        t.O_PAVADZ.PIEZIMES = "D365 imports";
    }
};

}  // namespace

TEST_F(IncomingInvoiceTable, HeadAndLinesAreStoredWithJournalAndStock)
{
    open();
    TO_preceTable t(*dati);
    fillHead(t);
    t.O_PAVADZ.KL_PVNKODS = "LV40003000001";
    t.O_PAVADZ.NODALAS_KODS = "4750000000011";
    t.O_PAVADZ.NODALAS_KODA_LAUKS = "TELEMAA_KODS";
    t.O_PAVADZ.NELEGALIZ = true;
    t.O_PAVADZ.D365_ID = "5637144576";
    const int head = t.O_PAVADZInsert();
    ASSERT_GT(head, 0);
    EXPECT_EQ(t.O_PAVADZ.ISN, head);
    EXPECT_TRUE(t.ErrorText.isEmpty());

    SqlQuery h(db->connection(), "SELECT * FROM O_PAVADZ");
    h.open();
    ASSERT_EQ(h.rowCount(), 1);
    EXPECT_EQ(h.asInt("ISN"), head);
    EXPECT_EQ(h.asInt("ISKLIENT"), 2);
    EXPECT_EQ(h.asInt("ISNODALA"), 2);
    EXPECT_EQ(h.asInt("ISAGENTS"), 1);
    EXPECT_EQ(h.asString("NR_PAVADZ"), "ZP-1001");
    EXPECT_EQ(h.asString("PASUT_NR"), "P-77");
    EXPECT_EQ(h.asDateTime("DAT_PAVADZ"), day(2026, 12, 1));
    EXPECT_EQ(h.asDateTime("DAT_SANEM"), day(2026, 12, 2));
    EXPECT_EQ(h.asDateTime("APM_LIDZ"), day(1900, 1, 1));
    EXPECT_EQ(h.asString("FUSTIPS"), "PPR");
    EXPECT_EQ(h.asString("FUSPAMATS"), "Pirkums");
    EXPECT_EQ(h.asString("NELEGALIZ").trimmed(), "T");
    EXPECT_EQ(h.asString("PZ_BLOK").trimmed(), "F");
    EXPECT_EQ(h.asString("FUS_EXPORT").trimmed(), "F");
    EXPECT_EQ(h.asDouble("ATGPRECSUM"), 0.0);
    EXPECT_EQ(h.asString("D365_ID"), "5637144576");
    EXPECT_EQ(h.asString("IEVKODS"), "ADMIN");
    EXPECT_EQ(h.asDateTime("IEVDAT"), clock.now());

    // by the second article, by a further code, and a new article
    t.O_PRECE.ARTIKULS = "P-1001";
    t.O_PRECE.DAUDZUMS = 24;
    t.O_PRECE.CENA = 0.8;
    const int line1 = t.O_PRECEInsert();
    t.O_PRECE = {};
    t.O_PRECE.ARTIKULS = "Y1001";
    t.O_PRECE.DAUDZUMS = 6;
    t.O_PRECE.NODOKLIS = 12;
    t.O_PRECE.PARD_CENA = 1.3;
    const int line2 = t.O_PRECEInsert();
    ASSERT_GT(line1, 0);
    ASSERT_GT(line2, line1);

    SqlQuery l(db->connection(), "SELECT * FROM O_PRECE ORDER BY ISN");
    l.open();
    ASSERT_EQ(l.rowCount(), 2);
    EXPECT_EQ(l.asInt("ISN"), line1);
    EXPECT_EQ(l.asInt("ISPAVADZ"), head);
    EXPECT_EQ(l.asInt("ISPRECE"), 100);
    EXPECT_DOUBLE_EQ(l.asDouble("NODOKLIS"), 21);     // the goods' rate
    EXPECT_DOUBLE_EQ(l.asDouble("PARD_CENA"), 1.21);  // the department sells at level 1
    EXPECT_EQ(l.asInt("ISSERTIF"), 1);
    EXPECT_DOUBLE_EQ(l.asDouble("CENA_PAP2"), 0.0);   // FILL2IEPCENA is off
    l.next();
    EXPECT_EQ(l.asInt("ISPRECE"), 100);
    EXPECT_DOUBLE_EQ(l.asDouble("NODOKLIS"), 12);
    EXPECT_DOUBLE_EQ(l.asDouble("PARD_CENA"), 1.3);

    EXPECT_DOUBLE_EQ(stock(100, 2), 30.0);
    EXPECT_EQ(stockRows(100), 1);

    SqlQuery j(db->connection(), "SELECT * FROM O_OPERACIJAS ORDER BY ISN");
    j.open();
    ASSERT_EQ(j.rowCount(), 3);
    EXPECT_EQ(j.asString("TAUSTINS"), "J");
    EXPECT_EQ(j.asString("BAZE"), "O_PAVADZ");
    EXPECT_EQ(j.asInt("ISN_BAZE"), head);
    EXPECT_EQ(j.asString("NUMURS"), "ZP-1001");
    EXPECT_EQ(j.asString("PIEZIMES"), "D365 imports");
    EXPECT_EQ(j.asInt("ISPRECE"), 0);
    EXPECT_EQ(j.asDateTime("DATUMS"), day(2026, 12, 1));
    j.next();
    EXPECT_EQ(j.asString("BAZE"), "O_PRECE");
    EXPECT_EQ(j.asInt("ISN_BAZE"), line1);
    EXPECT_EQ(j.asInt("ISPRECE"), 100);
    EXPECT_EQ(j.asString("PIEZIMES"), "4750000001001");
    EXPECT_EQ(j.asString("NUMURS"), "ZP-1001");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(IncomingInvoiceTable, CustomerCodesResolveInOrderAndLaterCodesWin)
{
    open({"INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, FTP_KLKODS) VALUES (7, 3, 'Filiāle', 'F-7', '4751000000077')"});
    TO_preceTable t(*dati);

    // VAT code and identification code name different customers: the identification code wins.
    fillHead(t);
    t.O_PAVADZ.KL_PVNKODS = "LV40003000001";
    t.O_PAVADZ.KL_IDKODS = "V000003";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 3);

    // Exchange-partner code of a delivery place gives the place's customer; of a customer, the customer.
    t.O_PAVADZ = {};
    fillHead(t);
    t.O_PAVADZ.KL_FTPKODS = "4751000000077";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 3);
    t.O_PAVADZ = {};
    fillHead(t);
    t.O_PAVADZ.KL_FTPKODS = "4751000000077";
    t.O_PAVADZ.KL_FTPKODS2 = "4751000000001";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 2);

    // An identification code unknown to customers is tried as a branch code.
    t.O_PAVADZ = {};
    fillHead(t);
    t.O_PAVADZ.KL_IDKODS = "F-7";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 3);

    // Nothing resolves: the default customer; a key given by the importer stays.
    t.O_PAVADZ = {};
    fillHead(t);
    t.O_PAVADZ.KL_PVNKODS = "LV99999999999";
    t.O_PAVADZ.KL_IDKODS = "NAV";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 1);
    EXPECT_EQ(t.O_PAVADZ.ISNODALA, 1);
    t.O_PAVADZ = {};
    fillHead(t);
    t.O_PAVADZ.ISKLIENT = 5;
    t.O_PAVADZ.NODALAS_KODS = "E-02";
    t.O_PAVADZ.NODALAS_KODA_LAUKS = "EDISOFT_KODS";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISKLIENT, 5);
    EXPECT_EQ(t.O_PAVADZ.ISNODALA, 3);

    EXPECT_EQ(count("O_PAVADZ"), 6);
    EXPECT_EQ(count("O_PAVADZ", "ISKLIENT=1 AND FUSTIPS=''"), 1);
}

TEST_F(IncomingInvoiceTable, ADepartmentCodeColumnOutsideN_DEPARTsCodesIsNotUsed)
{
    open();
    TO_preceTable t(*dati);
    fillHead(t);
    t.O_PAVADZ.NODALAS_KODS = "1";
    t.O_PAVADZ.NODALAS_KODA_LAUKS = "ISN=2 OR KODS";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISNODALA, 1);
}

TEST_F(IncomingInvoiceTable, ALineBeforeItsHeadIsRefused)
{
    open();
    TO_preceTable t(*dati);
    t.O_PRECE.ARTIKULS = "4750000001001";
    t.O_PRECE.DAUDZUMS = 1;
    EXPECT_EQ(t.O_PRECEInsert(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Nav izveidota pavadzīmes galva !!!");
    EXPECT_EQ(t.ErrorText, "Nav izveidota pavadzīmes galva !!!");
    EXPECT_EQ(count("O_PRECE"), 0);
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(count("O_OPERACIJAS"), 0);
}

TEST_F(IncomingInvoiceTable, ALaterStockCountKeepsTheStockAsCounted)
{
    open();
    stockCount(100, 2, day(2026, 12, 2));   // on the receipt date
    stockCount(101, 2, day(2026, 11, 30));  // before it
    TO_preceTable t(*dati);
    fillHead(t);
    t.O_PAVADZ.ISNODALA = 2;
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    t.O_PRECE.ISPRECE = 100;
    t.O_PRECE.DAUDZUMS = 5;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    t.O_PRECE = {};
    t.O_PRECE.ISPRECE = 101;
    t.O_PRECE.DAUDZUMS = 7;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    EXPECT_EQ(stockRows(100), 0);
    EXPECT_DOUBLE_EQ(stock(101, 2), 7.0);
    EXPECT_EQ(count("O_PRECE"), 2);
}

TEST_F(IncomingInvoiceTable, UnknownGoodsAreCreatedOnceAndFoundAgain)
{
    open();
    TO_preceTable t(*dati);
    fillHead(t);
    t.O_PAVADZ.KL_IDKODS = "V000003";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    const int before = count("N_KLPREC");

    t.O_PRECE.ARTIKULS = "4759999000001";
    t.O_PRECE.DAUDZUMS = 3;
    t.O_PRECE.CENA = 1.5;
    t.O_PRECE.IEVKODS = "IMPORTS NO TELEMA-REST";
    ASSERT_GT(t.O_PRECEInsert(), 0);
    const int created = t.O_PRECE.ISPRECE;
    EXPECT_GT(created, 103);

    t.O_PRECE = {};
    t.O_PRECE.ARTIKULS = "4759999000001";
    t.O_PRECE.GNOS = "Cits nosaukums";
    t.O_PRECE.DAUDZUMS = 2;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    EXPECT_EQ(t.O_PRECE.ISPRECE, created);
    EXPECT_EQ(count("N_KLPREC"), before + 1);

    SqlQuery g(db->connection(), QStringLiteral("SELECT * FROM N_KLPREC WHERE ISN=%1").arg(created));
    g.open();
    EXPECT_EQ(g.asString("ARTIKULS"), "4759999000001");
    EXPECT_EQ(g.asString("GNOS"), "NO NAME");
    EXPECT_DOUBLE_EQ(g.asDouble("NODOKLIS"), 21);  // the default rate of the system
    EXPECT_EQ(g.asInt("ISPRKLIENT"), 3);            // the supplier of the receipt
    EXPECT_EQ(g.asInt("ISPRGRUPA"), 1);
    EXPECT_EQ(g.asInt("ISSERTIF1"), 1);
    EXPECT_EQ(g.asString("IEVKODS"), "IMPORTS NO TELEMA-REST");
    EXPECT_EQ(count("O_PRECE", QStringLiteral("ISPRECE=%1").arg(created)), 2);
    EXPECT_DOUBLE_EQ(stock(created, 1), 5.0);
    EXPECT_EQ(count("O_PRECE", "IEVKODS='IMPORTS NO TELEMA-REST'"), 1);
}

TEST_F(IncomingInvoiceTable, FillPurchasePriceSettingFillsBothExtraPrices)
{
    open();
    reconnectWith("UPDATE N_ISI2 SET FILL2IEPCENA='T'");
    ASSERT_TRUE(dati->FILL2IEPCENA);

    TO_preceTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    t.O_PRECE.ISPRECE = 100;
    t.O_PRECE.CENA = 2;
    t.O_PRECE.DAUDZUMS = 1;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    t.O_PRECE = {};
    t.O_PRECE.ISPRECE = 100;
    t.O_PRECE.CENA = 2;
    t.O_PRECE.DAUDZUMS = 1;
    t.O_PRECE.CENA_PAP2 = 3;
    t.O_PRECE.CENA_PAP3 = 4;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    EXPECT_EQ(count("O_PRECE", "CENA_PAP2=1 AND CENA_PAP3=1"), 1);  // CENA x PARDCENA7 (0.5)
    EXPECT_EQ(count("O_PRECE", "CENA_PAP2=3 AND CENA_PAP3=4"), 1);
}

TEST_F(IncomingInvoiceTable, AHeadThatKeepsFailingIsReportedAfterFiveAttempts)
{
    open(failing("O_PAVADZ"));
    TO_preceTable t(*dati);
    fillHead(t);
    EXPECT_EQ(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(t.O_PAVADZ.ISN, 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(clock.sleptMs(), 4000);
    EXPECT_EQ(count("O_PAVADZ"), 0);

    ASSERT_EQ(count("O_OPERACIJAS"), 1);
    EXPECT_EQ(scalar("SELECT TAUSTINS FROM O_OPERACIJAS").toString(), "E");
    EXPECT_EQ(scalar("SELECT BAZE FROM O_OPERACIJAS").toString(), "O_PAVADZ");
    EXPECT_EQ(scalar("SELECT ISN_BAZE FROM O_OPERACIJAS").toInt(), 0);
    EXPECT_EQ(scalar("SELECT NUMURS FROM O_OPERACIJAS").toString(), "ZP-1001");
    EXPECT_TRUE(scalar("SELECT PIEZIMES FROM O_OPERACIJAS").toString().startsWith("Kļūda pie O_PAVADZInsert="));

    ASSERT_EQ(count("O_ERRORINFO"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_preceTable::O_PAVADZInsert");
    const QString stored = scalar("SELECT PIEZIMES FROM O_ERRORINFO").toString();
    EXPECT_TRUE(stored.startsWith("Neizdevās izveidot saņemšanas pavadzīmi !!!\n")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("Testa kļūda")) << stored.toStdString();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "KĻŪDA FUNKCIJĀ :TO_preceTable::O_PAVADZInsert PAZIŅOJUMS : " + stored);
    EXPECT_EQ(t.ErrorText, stored);

    // Its lines are refused.
    t.O_PRECE.ISPRECE = 100;
    EXPECT_EQ(t.O_PRECEInsert(), 0);
    EXPECT_EQ(count("O_PRECE"), 0);
}

TEST_F(IncomingInvoiceTable, AFailedAttemptLeavesNothingBehindAndTheRetryStoresTheLineOnce)
{
    // The stock row of the first line fails twice, after its O_PRECE row was written.
    open(failing("O_TEKATLIK", 2));
    TO_preceTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    t.O_PRECE.ISPRECE = 100;
    t.O_PRECE.DAUDZUMS = 4;
    const int line = t.O_PRECEInsert();
    ASSERT_GT(line, 0);
    EXPECT_EQ(clock.sleepCalls(), 2);
    EXPECT_EQ(count("O_PRECE"), 1);
    EXPECT_EQ(scalar("SELECT ISN FROM O_PRECE").toInt(), line);
    EXPECT_DOUBLE_EQ(stock(100, 1), 4.0);
    EXPECT_EQ(count("O_ERRORINFO"), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(IncomingInvoiceTable, ALineThatKeepsFailingIsReportedWithItsGoods)
{
    open(failing("O_PRECE"));
    TO_preceTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    t.O_PRECE.ARTIKULS = "4750000001002";
    t.O_PRECE.DAUDZUMS = 4;
    EXPECT_EQ(t.O_PRECEInsert(), 0);
    EXPECT_EQ(t.O_PRECE.ISN, 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PRECE' AND ISPRECE=101"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_preceTable::O_PRECEInsert");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(
        "KĻŪDA FUNKCIJĀ :TO_preceTable::O_PRECEInsert PAZIŅOJUMS : Neizdevās ievietot preci saņemšanas pavadzīmē !!!\n"));
}

TEST_F(IncomingInvoiceTable, TheHeadKeyIsTheRowWrittenEvenWhenTheGeneratorMovedOn)
{
    // Stands for another attachment taking keys between the insert and the read-back.
    open({"CREATE TRIGGER TEST_OTHER FOR O_PAVADZ ACTIVE AFTER INSERT POSITION 5 AS "
          "DECLARE I INTEGER; BEGIN I = GEN_ID(O_PAVADZGEN, 3); END"});
    TO_preceTable t(*dati);
    fillHead(t);
    const int head = t.O_PAVADZInsert();
    ASSERT_GT(head, 0);
    EXPECT_EQ(scalar("SELECT ISN FROM O_PAVADZ").toInt(), head);
    EXPECT_EQ(scalar("SELECT GEN_ID(O_PAVADZGEN, 0) FROM RDB$DATABASE").toInt(), head + 3);
    t.O_PRECE.ISPRECE = 100;
    t.O_PRECE.DAUDZUMS = 1;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    EXPECT_EQ(scalar("SELECT ISPAVADZ FROM O_PRECE").toInt(), head);
}

TEST_F(IncomingInvoiceTable, LinesOfAStoredDocumentTakeItsDepartmentAndDate)
{
    open({"INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DAT_PAVADZ, DAT_SANEM, NELEGALIZ) "
          "VALUES (40, 2, 3, 'OLD-1', '2026-11-01', '2026-11-02', 'F')"});
    TO_preceTable t(*dati);
    t.O_PAVADZ.ISN = 40;
    t.O_PRECE.ISPRECE = 101;
    t.O_PRECE.DAUDZUMS = 2;
    ASSERT_GT(t.O_PRECEInsert(), 0);
    EXPECT_DOUBLE_EQ(stock(101, 3), 2.0);
    EXPECT_DOUBLE_EQ(scalar("SELECT PARD_CENA FROM O_PRECE").toDouble(), 1.331);  // level 3 of department 3
    EXPECT_EQ(scalar("SELECT NUMURS FROM O_OPERACIJAS").toString(), "OLD-1");

    // A key without a stored head is a failure, not a stray line.
    t.O_PAVADZ.ISN = 41;
    EXPECT_EQ(t.O_PRECEInsert(), 0);
    EXPECT_EQ(count("O_PRECE"), 1);
    EXPECT_EQ(count("O_ERRORINFO"), 1);
}

TEST_F(IncomingInvoiceTable, AUtf8DatabaseKeepsLatvianTextAndRegistersTheFailureTextOnce)
{
    open(failing("O_PRECE"), GoodsDb::Charset::Utf8);
    ASSERT_TRUE(dati->Utf8);
    TO_preceTable t(*dati);
    fillHead(t);
    t.O_PAVADZ.KOMENTARS = "Piegāde ar auto, saņēma Jānis Ķēniņš";
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    EXPECT_EQ(scalar("SELECT KOMENTARS FROM O_PAVADZ").toString(), "Piegāde ar auto, saņēma Jānis Ķēniņš");
    for (int n = 0; n < 2; ++n) {
        t.O_PRECE = {};
        t.O_PRECE.ISPRECE = 100;
        EXPECT_EQ(t.O_PRECEInsert(), 0);
    }
    EXPECT_EQ(count("O_ERRORINFO"), 2);
    EXPECT_EQ(count("N_VALODAS", "FORM_NAME='TO_preceTable' AND COMPONENT_NAME='O_PRECEInsertM1'"), 1);
}

TEST_F(IncomingInvoiceTable, AZeroRateIsARateAndOnlyAMissingOneTakesTheGoods)
{
    open();
    TO_preceTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    const struct {
        std::optional<double> given;
        double stored;
    } cases[] = {{0.0, 0.0}, {std::nullopt, 21.0}, {12.0, 12.0}};
    for (const auto& c : cases) {
        t.O_PRECE = {};
        t.O_PRECE.ISPRECE = 100;
        t.O_PRECE.DAUDZUMS = 1;
        t.O_PRECE.NODOKLIS = c.given;
        const int line = t.O_PRECEInsert();
        ASSERT_GT(line, 0);
        EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT NODOKLIS FROM O_PRECE WHERE ISN=%1").arg(line)).toDouble(), c.stored);
    }
}
