#include "EquinoxFixture.h"

#include "db/SqlQuery.h"
#include "warehouse/EquinoxBooking.h"
#include "warehouse/EquinoxFile.h"
#include "warehouse/EquinoxImport.h"

#include <QDirIterator>

namespace {

// Two warehouses and a shop, goods with deposit packaging, a supplier's invoice for order
// P-300 and the price history of goods 200.
const std::initializer_list<const char*> kWarehouse = {
    "INSERT INTO N_DEPART (ISN, GNOS, CENKODS) VALUES (2, 'Veikals', 1)",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG) VALUES (3, 'Noliktava Rīga', 'T')",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG) VALUES (5, 'Noliktava Liepāja', 'T')",
    "INSERT INTO N_KLIENT (ISN, GNOS, PIEGADAT) VALUES (12, 'AS Piegādātājs', 'T')",
    "INSERT INTO N_KLIENT (ISN, GNOS) VALUES (40, 'Inventarizācija')",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, NODOKLIS, NEWIEPCENA) VALUES (200, 'Sula', '4750000000001', 21, 0.8)",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, NODOKLIS, NEWIEPCENA, ISDEPOZITATARA, DEPOZITATARADAUDZUMS) VALUES "
    "(201, 'Ūdens 6 x 0,5 l', '4750000000002', 21, 2.5, 900, 6)",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, NODOKLIS, NEWIEPCENA) VALUES (202, 'Maize', '4750000000003', 12, 0.5)",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, NODOKLIS, NEWIEPCENA, DEPOZITATARA) VALUES (900, 'Depozīta pudele', "
    "'DEP', 0, 0.1, 'T')",
    // supplier's invoice of purchase order P-300, due tomorrow and counted by nobody yet
    "INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, PASUT_NR, DAT_SANEM, DAT_PAVADZ) VALUES (60, 12, 3, "
    "'INV-60', 'P-300', '2026-12-08', '2026-12-06')",
    "INSERT INTO O_PRECE (ISN, ISPAVADZ, ISPRECE, DAUDZUMS, CENA) VALUES (61, 60, 200, 10, 1.1)",
    "INSERT INTO O_PRECE (ISN, ISPAVADZ, ISPRECE, DAUDZUMS, CENA) VALUES (62, 60, 202, 5, 0.45)",
    // goods 200: received into the warehouse on 01.12 at 1.00 less 10 %, moved into it on 03.12 at 1.20;
    // received into the shop on 02.12 at 2.00 less 10 %
    "INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DAT_SANEM) VALUES (50, 12, 3, 'INV-50', '2026-12-01 14:00:00')",
    "INSERT INTO O_PRECE (ISN, ISPAVADZ, ISPRECE, DAUDZUMS, CENA, ATLAIDE) VALUES (51, 50, 200, 100, 1.0, -10)",
    "INSERT INTO O_PARPAV (ISN, ISNODALANO, ISNODALAUZ, NR_PAVADZ, DATUMS) VALUES (52, 5, 3, 'T-52', '2026-12-03')",
    "INSERT INTO O_PARPRC (ISN, ISPARVPAV, ISPRECE, DAUDZUMS, CENA) VALUES (53, 52, 200, 10, 1.2)",
    "INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DAT_SANEM) VALUES (54, 12, 2, 'INV-54', '2026-12-02')",
    "INSERT INTO O_PRECE (ISN, ISPAVADZ, ISPRECE, DAUDZUMS, CENA, ATLAIDE) VALUES (55, 54, 200, 5, 2.0, -10)",
};

QByteArray xml(const QString& root, const QString& body, bool declaration = true)
{
    return ((declaration ? QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n") : QString())
            + QStringLiteral("<%1 xmlns=\"urn:equinox\">\r\n%2</%1>\r\n").arg(root, body))
        .toUtf8();
}

QString detailLines(const QString& element, const QList<std::pair<QString, QString>>& lines)
{
    QString out = QStringLiteral("  <%1s>\r\n").arg(element);
    for (const auto& [goods, quantity] : lines)
        out += QStringLiteral("    <%1>\r\n      <article_id>%2</article_id>\r\n      <actual_quantity>%3</actual_quantity>\r\n"
                              "    </%1>\r\n")
                   .arg(element, goods, quantity);
    return out + QStringLiteral("  </%1s>\r\n").arg(element);
}

QByteArray shipment(const QString& order, const QString& warehouse, const QString& partner, const QString& driver,
                    const QList<std::pair<QString, QString>>& lines)
{
    return xml(QStringLiteral("shipment_result"),
               QStringLiteral("  <outbound_order_no>%1</outbound_order_no>\r\n  <partner_code>%2</partner_code>\r\n"
                              "  <erp_wh_code>%3</erp_wh_code>\r\n  <driver_name>%4</driver_name>\r\n")
                       .arg(order, partner, warehouse, driver)
                   + detailLines(QStringLiteral("shipment_result_detail"), lines));
}

QByteArray receipt(const QString& order, const QString& partner, const QString& warehouse, const QString& vehicle,
                   const QList<std::pair<QString, QString>>& lines, bool done = false)
{
    return xml(QStringLiteral("inbound_order_result"),
               QStringLiteral("  <inbound_order_no>%1</inbound_order_no>\r\n  <partner_code>%2</partner_code>\r\n"
                              "  <erp_wh_code>%3</erp_wh_code>\r\n  <vw_ud_field_0>%4</vw_ud_field_0>\r\n%5")
                       .arg(order, partner, warehouse, vehicle,
                            done ? QStringLiteral("  <state>DONE</state>\r\n") : QString())
                   + detailLines(QStringLiteral("inbound_order_result_detail"), lines));
}

QByteArray completion(const QString& order, const QString& state = QStringLiteral("DONE"))
{
    return xml(QStringLiteral("inbound_order_state"),
               QStringLiteral("  <inbound_order_no>%1</inbound_order_no>\r\n  <state>%2</state>\r\n").arg(order, state));
}

struct AdjustmentLine {
    const char* from;
    const char* to;
    const char* goods;
    const char* quantity;
};

QByteArray adjustment(const QString& number, const QString& date, const QString& reason,
                      const QList<AdjustmentLine>& lines)
{
    QString body = QStringLiteral("  <document_no>%1</document_no>\r\n  <posting_date>%2</posting_date>\r\n"
                                  "  <erp_reason_type>%3</erp_reason_type>\r\n  <lines>\r\n")
                       .arg(number, date, reason);
    for (const AdjustmentLine& l : lines)
        body += QStringLiteral("    <line><from_erp_wh_code>%1</from_erp_wh_code><to_erp_wh_code>%2</to_erp_wh_code>"
                               "<article_id>%3</article_id><quantity>%4</quantity></line>\r\n")
                    .arg(QLatin1String(l.from), QLatin1String(l.to), QLatin1String(l.goods), QLatin1String(l.quantity));
    return xml(QStringLiteral("inventory_adjustment_result"), body + QStringLiteral("  </lines>\r\n"));
}

class EquinoxImportTest : public EquinoxTest {
protected:
    void SetUp() override
    {
        EquinoxTest::SetUp();
        seed(kWarehouse);
    }

    // Files the warehouse left in its outbound folder.
    void offer(const QString& name, const QByteArray& bytes) { ftp().write("/VISION/DATA/OUT/" + name, bytes); }
    bool importNow(EquinoxLogin l) { return EquinoxImport(*context, l).run(); }
    bool importNow() { return importNow(login()); }

    QString localDir() const { return QDir(workDir()).filePath("Equinox"); }
    QStringList setAside() const
    {
        QStringList names = QDir(QDir(localDir()).filePath("Error")).entryList(QDir::Files);
        names.sort();
        return names;
    }

    double stock(int goods, int department)
    {
        return db->scalar(QStringLiteral("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=%1 AND ISNODALA=%2")
                              .arg(goods)
                              .arg(department))
            .toDouble();
    }

    // "goods:quantity@price" of a document's lines, in key order.
    QString lines(const char* table, const char* head, int key, const char* price = "CENA")
    {
        QStringList out;
        SqlQuery q(db->connection(), QStringLiteral("SELECT ISPRECE, DAUDZUMS, %1 PRICE FROM %2 WHERE %3=%4 ORDER BY ISN")
                                         .arg(QLatin1String(price), QLatin1String(table), QLatin1String(head))
                                         .arg(key));
        for (q.open(); !q.eof(); q.next())
            out << QStringLiteral("%1:%2@%3")
                       .arg(q.asInt("ISPRECE"))
                       .arg(q.asDouble("DAUDZUMS"))
                       .arg(q.asDouble("PRICE"));
        return out.join(' ');
    }

    int documentsBooked()
    {
        return db->count("O_PARPAV", "IEVKODS='EQUINOX imports'") + db->count("O_PAVADZ", "IEVKODS='EQUINOX imports'")
            + db->count("O_PAVOUT", "IEVKODS='EQUINOX imports'");
    }
};

TEST_F(EquinoxImportTest, AShipmentBecomesATransferNoteFromTheWarehouseWithItsDepositPackaging)
{
    connect();
    offer("shipment_S-301.XML",
          shipment("S-301", "ERP_3", "ERP_2", "AB-1234 Jānis", {{"200", "5"}, {"202", "0"}, {"201", "2"}}));
    EXPECT_TRUE(importNow());

    // the server's file is gone, and so is the local copy once booked
    EXPECT_FALSE(ftp().exists("/VISION/DATA/OUT/shipment_S-301.XML"));
    EXPECT_TRUE(QDir(localDir()).entryList(QDir::Files).isEmpty());
    ASSERT_EQ(db->count("O_PARPAV", "IEVKODS='EQUINOX imports'"), 1);
    SqlQuery head(db->connection(), "SELECT * FROM O_PARPAV WHERE IEVKODS='EQUINOX imports'");
    head.open();
    EXPECT_EQ(head.asInt("ISNODALANO"), 3);
    EXPECT_EQ(head.asInt("ISNODALAUZ"), 2);
    EXPECT_EQ(head.asString("NR_PAVADZ").trimmed(), "S-301");
    EXPECT_EQ(head.asString("PASUT_NR").trimmed(), "S-301");
    EXPECT_EQ(head.asDateTime("DATUMS"), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    const int vehicle = head.asInt("ISMASINA");
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT GNOS || '|' || VADITAJS FROM N_MASINA WHERE ISN=%1").arg(vehicle)).toString(),
              "AB-1234 Jānis|AB-1234 Jānis");
    // the warehouse's last incoming price: the transfer of 03.12 after the receipt of 01.12;
    // goods without history take NEWIEPCENA, and bring 12 deposit bottles
    EXPECT_EQ(lines("O_PARPRC", "ISPARVPAV", head.asInt("ISN")), "200:5@1.2 201:2@2.5 900:12@0.1");
    EXPECT_DOUBLE_EQ(stock(200, 3), -5);
    EXPECT_DOUBLE_EQ(stock(200, 2), 5);
    EXPECT_DOUBLE_EQ(stock(900, 3), -12);
    EXPECT_DOUBLE_EQ(stock(900, 2), 12);
    EXPECT_TRUE(logHas("Pasūtījumā Nr=S-301 Isprece=202 daudzums=0"));
    for (const char* line : {"Sāku ImportEquinox...", "Equinox Kopēju no FTP uz local ...", "Equinox Nokopēti 1 faili",
                             "Equinox Apstrādāju ielasītos failus... Failu skaits : 1", "ImportEquinox pabeigts"})
        EXPECT_EQ(logCount(QString::fromUtf8(line)), 1) << line;
}

TEST_F(EquinoxImportTest, DepositPackagingRaisesTheLineAlreadyThereAndMovesTheStockByWhatItAdds)
{
    connect();
    offer("s.XML", shipment("S-302", "ERP_3", "ERP_2", "", {{"900", "3"}, {"201", "2"}}));
    EXPECT_TRUE(importNow());
    const int note = db->scalar("SELECT ISN FROM O_PARPAV WHERE PASUT_NR='S-302'").toInt();
    EXPECT_EQ(lines("O_PARPRC", "ISPARVPAV", note), "900:15@0.1 201:2@2.5");
    EXPECT_DOUBLE_EQ(stock(900, 3), -15);
    EXPECT_DOUBLE_EQ(stock(900, 2), 15);
    // no vehicle text: the default vehicle
    EXPECT_EQ(db->scalar("SELECT ISMASINA FROM O_PARPAV WHERE PASUT_NR='S-302'").toInt(), 1);
}

TEST_F(EquinoxImportTest, GoodsAShopSentBackBecomeATransferIntoTheWarehouseAtTheShopsPrice)
{
    connect();
    offer("r.XML", receipt("R-302", "ERP_2", "ERP_3", "Kravas auto", {{"200", "4"}, {"202", "0"}}));
    EXPECT_TRUE(importNow());
    const int note = db->scalar("SELECT ISN FROM O_PARPAV WHERE PASUT_NR='R-302'").toInt();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT ISNODALANO || '>' || ISNODALAUZ FROM O_PARPAV WHERE ISN=%1").arg(note))
                  .toString(),
              "2>3");
    // the shop sells at level 1: its receipt of 02.12 counts after the discount
    EXPECT_EQ(lines("O_PARPRC", "ISPARVPAV", note), "200:4@1.8");
    EXPECT_TRUE(logHas("Inbounf order Nr=R-302 Isprece=202 daudzums=0"));
}

TEST_F(EquinoxImportTest, APurchaseCountIsKeptUntilDoneAppliesItOnce)
{
    connect();
    // name order: a state other than DONE, the count (200 in two lines, "," as decimal mark), DONE
    offer("P-300_0.XML", completion("P-300", "RECEIVING"));
    offer("P-300_1.XML", receipt("P-300", "12", "ERP_3", "", {{"200", "6"}, {"200", "3"}, {"202", "5,0"}}));
    offer("P-300_2.xml", completion("P-300"));
    EXPECT_TRUE(importNow());
    EXPECT_EQ(lines("O_PRECE", "ISPAVADZ", 60, "DAUDZUMS_PARB"), "200:9@0 202:5@0");
    EXPECT_EQ(db->scalar("SELECT PZ_BLOK FROM O_PAVADZ WHERE ISN=60").toString().trimmed(), "T");
    EXPECT_TRUE(logHas("Mainu daudzumu saņemšanā Nr=INV-60 Ispavadz=60"));
    EXPECT_EQ(db->count("O_OPERACIJAS", "TAUSTINS='L' AND BAZE='O_PRECE' AND ISN_BAZE=60 AND PIEZIMES="
                                        "'EQUINOX-daudzuma maiņa visiem DAUDZUMS_PARB->DAUDZUMS, Ispavadz=60'"),
              1);

    // the same completion again, and a late result with DONE: the quantities stay
    offer("P-300_3.XML", completion("P-300"));
    offer("P-300_4.XML", receipt("P-300", "12", "ERP_3", "", {{"200", "1"}}, true));
    EXPECT_TRUE(importNow());
    EXPECT_EQ(lines("O_PRECE", "ISPAVADZ", 60, "DAUDZUMS_PARB"), "200:9@0 202:5@0");
    EXPECT_EQ(logCount("Equinox saņemšana jau pabeigta Nr=INV-60 Ispavadz=60"), 2);
    EXPECT_EQ(db->count("O_OPERACIJAS", "TAUSTINS='L'"), 1);
}

TEST_F(EquinoxImportTest, AnAdjustmentBooksAnIncomingAndAnOutgoingInvoiceOfTheWarehouse)
{
    RegistryKey key(*registry);
    key.OpenKey("EquinoxExp", true);
    key.WriteInteger("InventarizPiegadat", 40);
    key.WriteInteger("InventarizPircejs", 0);
    key.CloseKey();
    connect();
    offer("adj.XML", adjustment("ADJ-7", "2026-12-06", "BOJĀTS &amp; &lt;pazudis&gt;",
                                {{"ERP_3", "ERP_3", "200", "3"},
                                 {"ERP_3", "ERP_3", "201", "-2"},
                                 {"ERP_3", "ERP_5", "202", "4"},
                                 {"ERP_3", "ERP_3", "202", "0"},
                                 {"ERP_3", "ERP_3", "202", "1,5"}}));
    EXPECT_TRUE(importNow());

    SqlQuery in(db->connection(), "SELECT * FROM O_PAVADZ WHERE IEVKODS='EQUINOX imports'");
    in.open();
    ASSERT_EQ(in.rowCount(), 1);
    EXPECT_EQ(in.asInt("ISKLIENT"), 40);
    EXPECT_EQ(in.asInt("ISNODALA"), 3);
    EXPECT_EQ(in.asString("NR_PAVADZ").trimmed(), "ADJ-7");
    EXPECT_EQ(in.asDateTime("DAT_PAVADZ"), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(in.asDateTime("DAT_SANEM"), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(in.asString("KOMENTARS").trimmed(), "BOJĀTS & <pazudis>");
    EXPECT_EQ(lines("O_PRECE", "ISPAVADZ", in.asInt("ISN")), "200:3@1.2 202:1.5@0.5");

    SqlQuery out(db->connection(), "SELECT * FROM O_PAVOUT WHERE IEVKODS='EQUINOX imports'");
    out.open();
    ASSERT_EQ(out.rowCount(), 1);
    EXPECT_EQ(out.asInt("ISKLIENT"), 1);
    EXPECT_EQ(out.asString("KOMENTARS").trimmed(), "BOJĀTS & <pazudis>");
    EXPECT_EQ(lines("O_PRCOUT", "ISPAVOUT", out.asInt("ISN")), "201:2@2.5 900:12@0.1");
    EXPECT_EQ(lines("O_PRCOUT", "ISPAVOUT", out.asInt("ISN"), "IEP_CENA"), "201:2@2.5 900:12@0.1");

    EXPECT_DOUBLE_EQ(stock(200, 3), 3);
    EXPECT_DOUBLE_EQ(stock(201, 3), -2);
    EXPECT_DOUBLE_EQ(stock(900, 3), -12);
    EXPECT_DOUBLE_EQ(stock(202, 3), 1.5);
    EXPECT_DOUBLE_EQ(stock(202, 5), 0);
    EXPECT_TRUE(logHas("Equinox korekcija starp noliktavām netiek grāmatota Nr=ADJ-7 Isprece=202 ERP_3->ERP_5"));
}

// The last incoming price of goods 200 (the warehouse 3 has no price level, the shop 2 has).
struct PriceCase {
    const char* name;
    int goods;
    QDate date;
    int department;
    double price;
};

class EquinoxPriceTest : public EquinoxImportTest, public ::testing::WithParamInterface<PriceCase> {};

TEST_P(EquinoxPriceTest, ComesFromTheLatestReceiptOrLaterTransferElseTheGoodsCard)
{
    connect();
    const PriceCase& c = GetParam();
    EXPECT_DOUBLE_EQ(EquinoxBooking(*context).lastIncomingPrice(c.goods, c.date, c.department), c.price);
}

INSTANTIATE_TEST_SUITE_P(
    Prices, EquinoxPriceTest,
    ::testing::Values(PriceCase{"LaterTransferWins", 200, QDate(2026, 12, 7), 3, 1.2},
                      PriceCase{"ReceiptBeforeTheTransfer", 200, QDate(2026, 12, 2), 3, 1.0},
                      PriceCase{"ReceiptOnTheDayItself", 200, QDate(2026, 12, 1), 3, 1.0},
                      PriceCase{"PriceLevelTakesTheDiscount", 200, QDate(2026, 12, 7), 2, 1.8},
                      PriceCase{"NothingBeforeTheDay", 200, QDate(2026, 11, 30), 3, 0.8},
                      PriceCase{"NoHistory", 201, QDate(2026, 12, 7), 3, 2.5},
                      PriceCase{"OtherDepartmentsDoNotCount", 200, QDate(2026, 12, 7), 5, 0.8}),
    [](const ::testing::TestParamInfo<PriceCase>& info) { return std::string(info.param.name); });

// Every kind delivered a second time books nothing more.
struct Redelivery {
    const char* name;
    QByteArray file;
};

class EquinoxRedeliveryTest : public EquinoxImportTest, public ::testing::WithParamInterface<Redelivery> {};

TEST_P(EquinoxRedeliveryTest, BooksTheSecondCopyOnce)
{
    connect();
    offer("a.XML", GetParam().file);
    ASSERT_TRUE(importNow());
    const int documents = documentsBooked();
    const int lineRows = db->count("O_PARPRC") + db->count("O_PRECE") + db->count("O_PRCOUT");
    const double stock200 = stock(200, 3);
    const QString counted = lines("O_PRECE", "ISPAVADZ", 60, "DAUDZUMS_PARB");

    offer("a.XML", GetParam().file);
    EXPECT_TRUE(importNow());
    EXPECT_EQ(documentsBooked(), documents);
    EXPECT_EQ(db->count("O_PARPRC") + db->count("O_PRECE") + db->count("O_PRCOUT"), lineRows);
    EXPECT_DOUBLE_EQ(stock(200, 3), stock200);
    EXPECT_EQ(lines("O_PRECE", "ISPAVADZ", 60, "DAUDZUMS_PARB"), counted);
    EXPECT_TRUE(setAside().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EquinoxRedeliveryTest,
    ::testing::Values(Redelivery{"Shipment", shipment("S-1", "ERP_3", "ERP_2", "X", {{"200", "1"}})},
                      Redelivery{"Return", receipt("R-1", "ERP_2", "ERP_3", "X", {{"200", "1"}})},
                      Redelivery{"Count", receipt("P-300", "12", "ERP_3", "", {{"200", "4"}})},
                      Redelivery{"CountDone", receipt("P-300", "12", "ERP_3", "", {{"200", "4"}}, true)},
                      Redelivery{"Adjustment", adjustment("A-1", "2026-12-07", "INV", {{"ERP_3", "ERP_3", "200", "-1"},
                                                                                      {"ERP_3", "ERP_3", "202", "2"}})}),
    [](const ::testing::TestParamInfo<Redelivery>& info) { return std::string(info.param.name); });

// Files that cannot be booked: kept in Equinox/Error/, nothing of them stored.
struct BadFile {
    const char* name;
    QByteArray file;
    const char* reason;  // a log line that says why
};

class EquinoxBadFileTest : public EquinoxImportTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(EquinoxBadFileTest, IsKeptAsideAndStoresNothing)
{
    connect();
    offer("bad.XML", GetParam().file);
    offer("good.XML", shipment("S-9", "ERP_3", "ERP_2", "", {{"202", "1"}}));
    EXPECT_FALSE(importNow());
    EXPECT_EQ(setAside(), QStringList{"bad.XML"});
    EXPECT_TRUE(logHas("Equinox neapstrādāts fails saglabāts: " + QDir(localDir()).filePath("Error/bad.XML")));
    EXPECT_TRUE(logHas(QString::fromUtf8(GetParam().reason))) << GetParam().reason;
    // the good file still went through; the bad one left no rows and no stock
    EXPECT_EQ(documentsBooked(), 1);
    EXPECT_EQ(db->count("O_PRECE", "DAUDZUMS_PARB IS NOT NULL"), 0);
    EXPECT_EQ(db->count("O_TEKATLIK", "ISPRECE<>202"), 0);
    EXPECT_EQ(report.outcome(false), RunReport::Outcome::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EquinoxBadFileTest,
    ::testing::Values(
        BadFile{"UnknownKind", xml("order_confirmation", "<x>1</x>"), "Equinox nezināms faila veids: "},
        BadFile{"Binary", QByteArray("\x00\x01\x02\xff\xfe", 5), "Equinox nezināms faila veids: "},
        BadFile{"Truncated", shipment("S-2", "ERP_3", "ERP_2", "", {{"200", "1"}, {"201", "1"}}).left(260),
                "Equinox fails nav pilnīgs: "},
        BadFile{"UnknownGoods", shipment("S-3", "ERP_3", "ERP_2", "", {{"200", "1"}, {"777", "1"}}),
                "Equinox nav atrasta prece Isprece=777 Nr=S-3"},
        BadFile{"UnknownDepartment", receipt("R-4", "ERP_44", "ERP_3", "", {{"200", "1"}}),
                "Pasūtījumā Nr=R-4 kļūda pie nodaļu ISN. IsnodalaNo=44 IsnodalaUz=3"},
        BadFile{"NotANumber", shipment("S-5", "ERP_3", "ERP_2", "", {{"200", "daudz"}}),
                "Equinox failā Nr=S-5 rinda 1 nav nolasāma: "},
        BadFile{"QuantityMissing", xml("shipment_result", "<outbound_order_no>S-6</outbound_order_no><partner_code>ERP_2"
                                                          "</partner_code><erp_wh_code>ERP_3</erp_wh_code><article_id>200"
                                                          "</article_id>"),
                "Equinox failā Nr=S-6 preču (1) un daudzumu (0) skaits nesakrīt"},
        BadFile{"AdjustmentWithoutWarehouse", adjustment("A-2", "2026-12-07", "", {{"3", "3", "200", "1"}}),
                "Equinox korekcijā Nr=A-2 kļūda pie noliktavas: 3 3"},
        BadFile{"AdjustmentDate", adjustment("A-3", "07.12.2026", "", {{"ERP_3", "ERP_3", "200", "1"}}),
                "Equinox korekcijā Nr=A-3 nav nolasāms posting_date: "}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

// Results with nothing of the goods database to book: the warehouse's word is logged, the
// file is done, and the run is not failed for it.
class EquinoxNothingToBookTest : public EquinoxImportTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(EquinoxNothingToBookTest, IsLoggedAndDone)
{
    connect();
    offer("other.XML", GetParam().file);
    EXPECT_TRUE(importNow());
    EXPECT_TRUE(setAside().isEmpty());
    EXPECT_TRUE(logHas(QString::fromUtf8(GetParam().reason))) << GetParam().reason;
    EXPECT_EQ(documentsBooked(), 0);
    EXPECT_EQ(db->count("O_PRECE", "DAUDZUMS_PARB IS NOT NULL"), 0);
    EXPECT_EQ(db->count("O_TEKATLIK"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EquinoxNothingToBookTest,
    ::testing::Values(BadFile{"ShipmentToACustomer", shipment("S-4", "ERP_3", "10", "", {{"200", "1"}}),
                              "Pasūtījumā Nr=S-4 kļūda pie nodaļu ISN. IsnodalaNo=3 IsnodalaUz=0"},
                      BadFile{"CountWithoutItsInvoice", receipt("P-999", "12", "ERP_3", "", {{"200", "1"}}),
                              "Nav saņemšanas pavadzīme Isklient=12 Pasūtījuma Nr=P-999"},
                      BadFile{"DoneWithoutInvoice", completion("P-999"),
                              "Equinox nav atrasta saņemšanas pavadzīme Pasūtījuma Nr=P-999"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

// Layouts of the same shipment: what the warehouse's software may send.
struct Layout {
    const char* name;
    QByteArray file;
};

class EquinoxLayoutTest : public EquinoxImportTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(EquinoxLayoutTest, ReadsTheSameShipment)
{
    connect();
    offer("x.XML", GetParam().file);
    EXPECT_TRUE(importNow());
    SqlQuery head(db->connection(), "SELECT ISN, NR_PAVADZ, ISMASINA FROM O_PARPAV WHERE IEVKODS='EQUINOX imports'");
    head.open();
    ASSERT_EQ(head.rowCount(), 1);
    EXPECT_EQ(head.asString("NR_PAVADZ").trimmed(), "S&1");
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT GNOS FROM N_MASINA WHERE ISN=%1").arg(head.asInt("ISMASINA"))).toString(),
              "A&B <1>");
    EXPECT_EQ(lines("O_PARPRC", "ISPARVPAV", head.asInt("ISN")), "200:2.5@1.2");
}

INSTANTIATE_TEST_SUITE_P(
    Files, EquinoxLayoutTest,
    ::testing::Values(
        Layout{"Pretty", shipment("S&amp;1", "ERP_3", "ERP_2", "A&amp;B &lt;1&gt;", {{"200", "2,5"}})},
        Layout{"OneLine", "<shipment_result><outbound_order_no>S&amp;1</outbound_order_no><partner_code>ERP_2"
                          "</partner_code><erp_wh_code>ERP_3</erp_wh_code><driver_name>A&amp;B &lt;1&gt;</driver_name>"
                          "<d><article_id>200</article_id><actual_quantity>2.5</actual_quantity></d></shipment_result>"},
        Layout{"CommentFirstAndTagsOverLines",
               "\xEF\xBB\xBF<!-- Equinox -->\n<shipment_result\n xmlns=\"urn:equinox\">\n<outbound_order_no>S&amp;1"
               "</outbound_order_no>\n<partner_code>ERP_2</partner_code><erp_wh_code>ERP_3</erp_wh_code>\n"
               "<driver_name>A&amp;B &lt;1&gt;</driver_name>\n<d>\n<article_id>200</article_id>\n<actual_quantity\n"
               ">2.5</actual_quantity>\n</d>\n</shipment_result>\n"}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

TEST_F(EquinoxImportTest, ADownloadCutShortKeepsTheServersFile)
{
    connect();
    offer("a.XML", shipment("S-1", "ERP_3", "ERP_2", "", {{"200", "1"}}));
    offer("b.XML", shipment("S-2", "ERP_3", "ERP_2", "", {{"200", "1"}}));
    offer("b.XML.cut", "");
    EXPECT_FALSE(importNow());
    EXPECT_TRUE(logHas("Nokopēt failus no Equinox (ImportEquinox-2) FTP neizdevās !!!"));
    EXPECT_TRUE(logHas("Equinox Nokopēti 1 faili"));
    EXPECT_FALSE(ftp().exists("/VISION/DATA/OUT/a.XML"));
    EXPECT_TRUE(ftp().exists("/VISION/DATA/OUT/b.XML"));
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-1'"), 1);

    // whole at the next run
    QFile::remove(ftp().localPath("/VISION/DATA/OUT/b.XML.cut"));
    EXPECT_TRUE(importNow());
    EXPECT_FALSE(ftp().exists("/VISION/DATA/OUT/b.XML"));
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-2'"), 1);
}

TEST_F(EquinoxImportTest, AServerThatIsDownStillLetsTheLocalFilesBeBooked)
{
    connect();
    QDir().mkpath(localDir());
    QFile left(QDir(localDir()).filePath("left.xml"));
    left.open(QIODevice::WriteOnly);
    left.write(shipment("S-7", "ERP_3", "ERP_2", "", {{"200", "1"}}));
    left.close();
    EquinoxLogin down = login();
    down.FTPVieta = "127.0.0.1:1";
    EXPECT_FALSE(importNow(down));
    EXPECT_TRUE(logHas("Pievienoties pie Equinox (ImportEquinox-1) FTP neizdevās !!!"));
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-7'"), 1);
    EXPECT_FALSE(logText().contains(ftp().password()));
}

TEST_F(EquinoxImportTest, AnInsertTheDatabaseRefusesRollsTheWholeFileBack)
{
    seed({"CREATE EXCEPTION E_REFUSED 'line refused'"});
    seed({"CREATE TRIGGER O_PARPRC_REFUSE FOR O_PARPRC BEFORE INSERT AS BEGIN IF (NEW.ISPRECE = 202) THEN EXCEPTION "
          "E_REFUSED; END"});
    connect();
    offer("s.XML", shipment("S-8", "ERP_3", "ERP_2", "Jauns auto", {{"200", "1"}, {"202", "1"}}));
    EXPECT_FALSE(importNow());
    EXPECT_EQ(setAside(), QStringList{"s.XML"});
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-8'"), 0);
    EXPECT_EQ(db->count("O_PARPRC", "ISPRECE=200 AND ISN<>53"), 0);
    EXPECT_EQ(db->count("O_TEKATLIK"), 0);
    EXPECT_EQ(db->count("N_MASINA", "GNOS='Jauns auto'"), 0);
    // the failure itself stays on record
    EXPECT_EQ(db->count("O_ERRORINFO", "LOGA_NOS='TO_parpavTable::O_PARPRCInsert'"), 1);
}

TEST_F(EquinoxImportTest, TheDatabaseStoppedInTheMiddleOfAFileKeepsItForTheRerun)
{
    // The line of goods 202 cuts the host's attachment, as a stopped server would.
    seed({QStringLiteral("CREATE TRIGGER O_PARPRC_CUT FOR O_PARPRC BEFORE INSERT AS BEGIN IF (NEW.ISPRECE = 202) THEN "
                         "EXECUTE STATEMENT 'DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = ' || CURRENT_CONNECTION "
                         "WITH AUTONOMOUS TRANSACTION ON EXTERNAL '%1' AS USER 'SYSDBA' PASSWORD 'masterkey'; END")
              .arg(db->path())
              .toUtf8()
              .constData()});
    connect();
    offer("s.XML", shipment("S-10", "ERP_3", "ERP_2", "", {{"200", "1"}, {"202", "1"}}));
    EXPECT_THROW(importNow(), DbError);
    EXPECT_TRUE(QFile::exists(QDir(localDir()).filePath("s.XML")));
    EXPECT_TRUE(setAside().isEmpty());
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-10'"), 0);

    // the server back: the tick's check reconnects, and the file is booked whole, once
    db->exec("DROP TRIGGER O_PARPRC_CUT");
    db->close();
    ASSERT_TRUE(dati->ConnectDatabase(db->path(), workDir()));
    EXPECT_TRUE(importNow());
    EXPECT_EQ(db->count("O_PARPAV", "PASUT_NR='S-10'"), 1);
    const int note = db->scalar("SELECT ISN FROM O_PARPAV WHERE PASUT_NR='S-10'").toInt();
    EXPECT_EQ(lines("O_PARPRC", "ISPARVPAV", note), "200:1@1.2 202:1@0.5");
    EXPECT_DOUBLE_EQ(stock(200, 3), -1);
    EXPECT_FALSE(QFile::exists(QDir(localDir()).filePath("s.XML")));
}

}  // namespace
