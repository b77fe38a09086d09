#include "D365Fixture.h"

namespace {

QJsonObject line(const QString& product, const QJsonValue& qty, const QJsonValue& salesPrice = QJsonValue::Undefined,
                 const QJsonValue& certificate = QJsonValue::Undefined)
{
    QJsonObject l{{"Product", product}, {"Qty", qty}};
    if (!salesPrice.isUndefined())
        l.insert("SalesPrice", salesPrice);
    if (!certificate.isUndefined())
        l.insert("Certificate", certificate);
    return l;
}

QJsonObject purchase(const QString& recId, const QJsonArray& lines, const QString& returnOrder = "false")
{
    return {{"RecId", recId},          {"ReturnOrder", returnOrder},
            {"ISNDepartment", 2},      {"OrderAccount", "V100"},
            {"InvoiceId", "INV-" + recId}, {"DeliveryDate", "2026-12-05T00:00:00"},
            {"InvoiceDate", "2026-12-04T12:30:00"}, {"line", lines}};
}

QJsonObject sale(const QString& recId, const QJsonArray& lines)
{
    return {{"RecId", recId},      {"ISNDepartment", 2}, {"OrderAccount", "C200"},
            {"InvoiceId", "Z-" + recId}, {"InvoiceDate", "2026-12-06"}, {"line", lines}};
}

QJsonObject transfer(const QString& recId, const QJsonArray& lines)
{
    return {{"RecId", recId},           {"JournalId", "PAR-" + recId}, {"TransDate", "2026-12-03T08:00:00"},
            {"ISNDepartmentFrom", 2},   {"ISNDepartmentTo", 3},         {"line", lines}};
}

QJsonObject with(QJsonObject o, const QString& key, const QJsonValue& value)
{
    if (value.isUndefined())
        o.remove(key);
    else
        o.insert(key, value);
    return o;
}

}  // namespace

class D365DocumentsTest : public D365Test {
protected:
    int supplier = 0, customer = 0, shop = 0, store = 0, p21 = 0, p12 = 0;

    void SetUp() override
    {
        D365Test::SetUp();
        seed("INSERT INTO N_KLIENT (GNOS, IDKODS, PIEGADAT) VALUES ('SIA Piegādātājs', 'V100', 'T')");
        seed("INSERT INTO N_KLIENT (GNOS, IDKODS, PIRCEJS) VALUES ('Veikalu klients', 'C200', 'T')");
        supplier = value("SELECT ISN FROM N_KLIENT WHERE IDKODS='V100'").toInt();
        customer = value("SELECT ISN FROM N_KLIENT WHERE IDKODS='C200'").toInt();
        shop = departmentRow("Veikals", 6);  // ISN 2
        store = departmentRow("Noliktava", 1);  // ISN 3
        ASSERT_EQ(shop, 2);
        ASSERT_EQ(store, 3);
        p21 = goodsRow("P21", {{"NODOKLIS", 21}});
        p12 = goodsRow("P12", {{"NODOKLIS", 12}});
        setMark("LastPurchaseOrderDate", "2026-12-01");
        setMark("LastStoreSalesDate", "2026-12-01");
        setMark("LastTransfersDate", "2026-12-01");
        login();
    }
    QString headOf(const QString& table, const QString& column, const QString& recId)
    {
        return text(QString("SELECT %1 FROM %2 WHERE D365_ID=:R").arg(column, table), {{"R", recId}});
    }
    double lineOf(const QString& sql, const QString& recId) { return number(sql, {{"R", recId}}); }
};

// ---------------------------------------------------------------------------------------
// Purchase receipts and returns

TEST_F(D365DocumentsTest, PurchaseOrdersBecomeReceiptsOrReturnsOnce)
{
    fake.records("GetPurchaseOrders",
                 QJsonArray{purchase("R1", {line("P21", 5), line("P12", "2,5")}),
                            purchase("R2", {line("P21", 5)}, "true"),
                            purchase("R3", {line("P21", 1)}, "True"),  // only the exact text is a return
                            with(with(purchase("R4", {line("NEW1", 3)}), "OrderAccount", "NAV"), "InvoiceId", R"(INV "7" 'x')"),
                            with(purchase("R5", {line("NEW1", 4)}), "ISNDepartment", 999),
                            purchase("R1", {line("P21", 5)})});  // the same record again
    ASSERT_EQ(d365->GetPurchaseOrders(), 0);

    EXPECT_EQ(count("O_PAVADZ"), 4);
    EXPECT_EQ(headOf("O_PAVADZ", "ISKLIENT", "R1"), QString::number(supplier));
    EXPECT_EQ(headOf("O_PAVADZ", "ISNODALA", "R1"), "2");
    EXPECT_EQ(headOf("O_PAVADZ", "NR_PAVADZ", "R1"), "INV-R1");
    EXPECT_EQ(value("SELECT DAT_SANEM FROM O_PAVADZ WHERE D365_ID='R1'").toDate(), QDate(2026, 12, 5));
    EXPECT_EQ(value("SELECT DAT_PAVADZ FROM O_PAVADZ WHERE D365_ID='R1'").toDate(), QDate(2026, 12, 4));
    EXPECT_EQ(text("SELECT PIEZIMES FROM O_OPERACIJAS WHERE TAUSTINS='J' AND BAZE='O_PAVADZ' AND NUMURS='INV-R1'"),
              "D365 imports");
    const QString qty = "SELECT SUM(DAUDZUMS) FROM O_PRECE JOIN O_PAVADZ ON O_PAVADZ.ISN=O_PRECE.ISPAVADZ WHERE D365_ID=:R";
    EXPECT_DOUBLE_EQ(lineOf(qty, "R1"), 7.5);
    // received 5 and 1, returned 5
    EXPECT_DOUBLE_EQ(number("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=:P AND ISNODALA=2", {{"P", p21}}), 1);
    // a return: its own table, negative quantities
    EXPECT_EQ(count("O_ATGPAV"), 1);
    EXPECT_EQ(headOf("O_ATGPAV", "NR_PAVADZ", "R2"), "INV-R2");
    EXPECT_EQ(value("SELECT DATUMS FROM O_ATGPAV WHERE D365_ID='R2'").toDate(), QDate(2026, 12, 4));
    EXPECT_DOUBLE_EQ(lineOf("SELECT DAUDZUMS FROM O_ATGPRC JOIN O_ATGPAV ON O_ATGPAV.ISN=O_ATGPRC.ISATGPAV WHERE D365_ID=:R", "R2"), -5);
    // an unknown account is client 1; an unknown product is made once, with its D365 number
    EXPECT_EQ(headOf("O_PAVADZ", "ISKLIENT", "R4"), "1");
    EXPECT_EQ(headOf("O_PAVADZ", "NR_PAVADZ", "R4"), R"(INV "7" 'x')");
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5='NEW1'"), 1);
    EXPECT_EQ(text("SELECT GNOS FROM N_KLPREC WHERE ARTIKULS5='NEW1'"), "NO NAME");
    // an unknown department is the default row, said in the log
    EXPECT_EQ(headOf("O_PAVADZ", "ISNODALA", "R5"), "1");
    EXPECT_TRUE(log.has("ISNDepartment=999 nav atrasta"));
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-07");

    // the overlapping period of the next run imports nothing twice
    ASSERT_EQ(d365->GetPurchaseOrders(), 0);
    EXPECT_EQ(count("O_PAVADZ"), 4);
    EXPECT_EQ(count("O_PRECE"), 5);
    EXPECT_EQ(count("O_ATGPAV"), 1);
}

// Nothing of a record is written before all of it has been read; the mark stays.
TEST_F(D365DocumentsTest, ARecordThatCannotBeReadStopsTheOperationAndStoresNothingOfIt)
{
    QJsonObject badLine = purchase("B", {line("P21", 1), line("P12", 1)});
    badLine["line"] = QJsonArray{line("P21", 1), QJsonObject{{"Product", "P12"}}};
    const std::pair<const char*, QJsonObject> cases[] = {
        {"no RecId", with(purchase("B", {line("P21", 1)}), "RecId", QJsonValue::Undefined)},
        {"no line", with(purchase("B", {}), "line", QJsonValue::Undefined)},
        {"line null", with(purchase("B", {}), "line", QJsonValue::Null)},
        {"a later line without Qty", badLine},
        {"Qty x", purchase("B", {line("P21", 1), line("P12", "x")})},
        {"empty date", with(purchase("B", {line("P21", 1)}), "InvoiceDate", "")},
        {"no such date", with(purchase("B", {line("P21", 1)}), "DeliveryDate", "2026-13-45")},
        {"department x", with(purchase("B", {line("P21", 1)}), "ISNDepartment", "x")},
    };
    int n = 0;
    for (const auto& [name, broken] : cases) {
        const QString before = QString("G%1").arg(++n), after = QString("H%1").arg(n);
        fake.records("GetPurchaseOrders", QJsonArray{purchase(before, {line("P21", 1)}), broken, purchase(after, {line("P21", 1)})});
        EXPECT_THROW(d365->GetPurchaseOrders(), D365Error) << name;
        EXPECT_EQ(count("O_PAVADZ", QString("D365_ID='%1'").arg(before)), 1) << name;
        EXPECT_EQ(count("O_PAVADZ", QString("D365_ID IN ('B', '%1')").arg(after)), 0) << name;
        EXPECT_EQ(count("O_PRECE", "ISPAVADZ NOT IN (SELECT ISN FROM O_PAVADZ)"), 0) << name;
        EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-01") << name;
    }
    // the mended list: the rest comes in, nothing twice
    fake.records("GetPurchaseOrders", QJsonArray{purchase("G1", {line("P21", 1)}), purchase("B", {line("P21", 1)}),
                                                 purchase("H1", {line("P21", 1)})});
    ASSERT_EQ(d365->GetPurchaseOrders(), 0);
    EXPECT_EQ(count("O_PAVADZ"), int(std::size(cases)) + 2);
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-07");
}

// A document the database refuses is stored not at all; the list goes on and the mark
// stays, so the next run brings it whole.
TEST_F(D365DocumentsTest, ARefusedLineLeavesNoHalfDocumentAndTheRerunStoresIt)
{
    refuseInserts("O_PRECE", "NEW.DAUDZUMS = 13", 5);  // every attempt of one run
    fake.records("GetPurchaseOrders", QJsonArray{purchase("D1", {line("P21", 1)}),
                                                 purchase("D2", {line("P21", 2), line("P12", 13)}),
                                                 purchase("D3", {line("P21", 3)})});
    EXPECT_EQ(d365->GetPurchaseOrders(), -1);
    EXPECT_EQ(count("O_PAVADZ"), 2);
    EXPECT_EQ(count("O_PAVADZ", "D365_ID='D2'"), 0);
    EXPECT_EQ(count("O_PRECE"), 2);
    EXPECT_TRUE(log.has("Kļūda pie GetPurchaseOrders: RecId D2 (INV-D2), 2. rinda nav ievietots"));
    EXPECT_EQ(count("O_ERRORINFO"), 1);  // kept though the document went
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-01");
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);

    ASSERT_EQ(d365->GetPurchaseOrders(), 0);
    EXPECT_EQ(count("O_PAVADZ"), 3);
    EXPECT_EQ(count("O_PRECE"), 4);
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-07");
}

// ---------------------------------------------------------------------------------------
// Store sales

TEST_F(D365DocumentsTest, StoreSalesAreStoredWithoutVatAtTheRateOfTheLine)
{
    dati->DEF_PVN = 5;
    fake.records("GetStoreSales", QJsonArray{sale("S1", {line("P21", 2, 2.42), line("P12", 1, "2,24"),
                                                          line("NEW2", 1, 2.1)})});
    ASSERT_EQ(d365->GetStoreSales(), 0);
    EXPECT_EQ(headOf("O_PAVOUT", "ISKLIENT", "S1"), QString::number(customer));
    EXPECT_EQ(headOf("O_PAVOUT", "NR_PAVADZ", "S1"), "Z-S1");
    EXPECT_EQ(value("SELECT DATUMS FROM O_PAVOUT WHERE D365_ID='S1'").toDate(), QDate(2026, 12, 6));
    const QString line = "SELECT %1 FROM O_PRCOUT JOIN N_KLPREC ON N_KLPREC.ISN=O_PRCOUT.ISPRECE WHERE N_KLPREC.ARTIKULS5=:R";
    EXPECT_NEAR(lineOf(line.arg("O_PRCOUT.CENA"), "P21"), 2.0, 1e-12);
    EXPECT_NEAR(lineOf(line.arg("O_PRCOUT.CENA"), "P12"), 2.0, 1e-12);
    // a product the register lacks: the default rate it is created with
    EXPECT_NEAR(lineOf(line.arg("O_PRCOUT.CENA"), "NEW2"), 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(lineOf(line.arg("O_PRCOUT.NODOKLIS"), "NEW2"), 5);
    EXPECT_DOUBLE_EQ(lineOf(line.arg("N_KLPREC.NODOKLIS"), "NEW2"), 5);
    EXPECT_DOUBLE_EQ(number("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=:P AND ISNODALA=2", {{"P", p21}}), -2);
    ASSERT_EQ(d365->GetStoreSales(), 0);
    EXPECT_EQ(count("O_PRCOUT"), 3);
}

TEST_F(D365DocumentsTest, AStoreSaleWhoseHeadIsRefusedGetsNoLinesAndKeepsTheMark)
{
    refuseInserts("O_PAVOUT", "NEW.NR_PAVADZ = 'Z-S2'", 5);
    fake.records("GetStoreSales", QJsonArray{sale("S2", {line("P21", 1, 1), line("P12", 1, 1), line("P21", 1, 1)}),
                                             sale("S3", {line("P21", 1, 1)})});
    EXPECT_EQ(d365->GetStoreSales(), -1);
    EXPECT_EQ(count("O_PAVOUT"), 1);
    EXPECT_EQ(count("O_PRCOUT"), 1);
    EXPECT_EQ(dialogs.messages.size(), 1);  // the head's failure, not one per line
    EXPECT_TRUE(log.has("Kļūda pie GetStoreSales: RecId S2 (Z-S2) galva nav ievietots"));
    EXPECT_EQ(mark("LastStoreSalesDate"), "2026-12-01");
    ASSERT_EQ(d365->GetStoreSales(), 0);
    EXPECT_EQ(count("O_PRCOUT"), 4);
}

// ---------------------------------------------------------------------------------------
// Transfers

TEST_F(D365DocumentsTest, TransfersMoveStockAndCarryTheirCertificates)
{
    fake.records("GetTransfers", QJsonArray{transfer("T1", {line("P21", 4, QJsonValue::Undefined, R"(LV-BIO "01")"),
                                                            line("P12", 1, QJsonValue::Undefined, ""),
                                                            line("P21", 1, QJsonValue::Undefined, "")})});
    ASSERT_EQ(d365->GetTransfers(), 0);
    EXPECT_EQ(headOf("O_PARPAV", "NR_PAVADZ", "T1"), "PAR-T1");
    EXPECT_EQ(headOf("O_PARPAV", "ISNODALANO", "T1"), "2");
    EXPECT_EQ(headOf("O_PARPAV", "ISNODALAUZ", "T1"), "3");
    EXPECT_EQ(value("SELECT DATUMS FROM O_PARPAV WHERE D365_ID='T1'").toDate(), QDate(2026, 12, 3));
    EXPECT_EQ(count("N_SERTIF", "GNOS=''"), 1);  // made once for both lines
    EXPECT_EQ(text("SELECT N_SERTIF.GNOS FROM O_PARPRC JOIN N_SERTIF ON N_SERTIF.ISN=O_PARPRC.ISSERTIF "
                   "WHERE O_PARPRC.DAUDZUMS=4"),
              R"(LV-BIO "01")");
    EXPECT_EQ(value("SELECT DERIGSLIDZ FROM N_SERTIF WHERE GNOS=''").toDate(), QDate(3000, 12, 31));
    EXPECT_DOUBLE_EQ(number("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=:P AND ISNODALA=2", {{"P", p21}}), -5);
    EXPECT_DOUBLE_EQ(number("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=:P AND ISNODALA=3", {{"P", p21}}), 5);
    EXPECT_EQ(mark("LastTransfersDate"), "2026-12-07");
}

// ---------------------------------------------------------------------------------------
// Replies

TEST_F(D365DocumentsTest, ABadReplyKeepsTheMarkOfEachDocumentOperation)
{
    struct Case {
        const char* operation;
        const char* mark;
        int (D365Exchange::*run)();
    };
    const Case operations[] = {{"GetPurchaseOrders", "LastPurchaseOrderDate", &D365Exchange::GetPurchaseOrders},
                               {"GetStoreSales", "LastStoreSalesDate", &D365Exchange::GetStoreSales},
                               {"GetTransfers", "LastTransfersDate", &D365Exchange::GetTransfers}};
    for (const Case& c : operations) {
        fake.reply(c.operation, 500, "Internal error");
        EXPECT_EQ(((*d365).*c.run)(), -1) << c.operation;
        EXPECT_TRUE(log.has(QString("Kļūda iegūstot %1. StatusCode=500 Internal error").arg(c.operation)));
        fake.reply(c.operation, 200, "{\"data\": [");
        EXPECT_EQ(((*d365).*c.run)(), -1) << c.operation;
        fake.reply(c.operation, 200, R"({"status":"ok"})");
        EXPECT_THROW(((*d365).*c.run)(), D365Error) << c.operation;
        EXPECT_EQ(mark(c.mark), "2026-12-01") << c.operation;
    }
}
