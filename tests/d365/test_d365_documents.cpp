#include "D365Fixture.h"

namespace {

QJsonObject line(const QString& product, const QJsonValue& qty, const QString& extra = {}, const QJsonValue& value = {})
{
    QJsonObject l{{"Product", product}, {"Qty", qty}};
    if (!extra.isEmpty())
        l.insert(extra, value);
    return l;
}

// A purchase record; the same shape, other names, serves store sales and transfers.
QJsonObject document(const QString& recId, const QJsonArray& lines, const QVariantHash& changes = {})
{
    QJsonObject o{{"RecId", recId},        {"ReturnOrder", "false"},  {"ISNDepartment", 2},
                  {"OrderAccount", "V100"}, {"InvoiceId", "N-" + recId}, {"DeliveryDate", "2026-12-05T00:00:00"},
                  {"InvoiceDate", "2026-12-04T12:30:00"}, {"JournalId", "N-" + recId}, {"TransDate", "2026-12-03"},
                  {"ISNDepartmentFrom", 2}, {"ISNDepartmentTo", 3}, {"line", lines}};
    for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
        if (it.value().isValid())
            o.insert(it.key(), QJsonValue::fromVariant(it.value()));
        else
            o.remove(it.key());
    }
    return o;
}

}  // namespace

class D365DocumentsTest : public D365Test {
protected:
    int supplier = 0, p21 = 0;

    void SetUp() override
    {
        D365Test::SetUp();
        seed("INSERT INTO N_KLIENT (GNOS, IDKODS, PIEGADAT) VALUES ('SIA Piegādātājs', 'V100', 'T')");
        supplier = value("SELECT ISN FROM N_KLIENT WHERE IDKODS='V100'").toInt();
        ASSERT_EQ(departmentRow("Veikals", 6), 2);
        ASSERT_EQ(departmentRow("Noliktava", 1), 3);
        p21 = goodsRow("P21", {{"NODOKLIS", 21}});
        goodsRow("P12", {{"NODOKLIS", 12}});
        for (const char* m : {"LastPurchaseOrderDate", "LastStoreSalesDate", "LastTransfersDate"})
            setMark(m, "2026-12-01");
        login();
    }
    QString head(const QString& table, const QString& column, const QString& recId)
    {
        return text(QString("SELECT %1 FROM %2 WHERE D365_ID=:R").arg(column, table), {{"R", recId}});
    }
    double stock(int department) { return number(QString("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=%1 AND ISNODALA=%2").arg(p21).arg(department)); }
};

TEST_F(D365DocumentsTest, PurchaseOrdersBecomeReceiptsOrReturnsOnce)
{
    fake.records("GetPurchaseOrders",
                 QJsonArray{document("R1", {line("P21", 5), line("P12", "2,5")}),
                            document("R2", {line("P21", 5)}, {{"ReturnOrder", "true"}}),
                            document("R3", {line("P21", 1)}, {{"ReturnOrder", "True"}}),  // only the exact text
                            document("R4", {line("NEW1", 3)}, {{"OrderAccount", "NAV"}, {"InvoiceId", R"(N "7" 'x')"}}),
                            document("R5", {line("NEW1", 4)}, {{"ISNDepartment", 999}}),
                            document("R1", {line("P21", 5)})});  // the same record again
    ASSERT_EQ(d365->GetPurchaseOrders(), 0);
    EXPECT_EQ(count("O_PAVADZ"), 4);
    EXPECT_EQ(head("O_PAVADZ", "ISKLIENT || '|' || ISNODALA || '|' || NR_PAVADZ || '|' || DAT_SANEM || '|' || DAT_PAVADZ", "R1"),
              QString("%1|2|N-R1|05-DEC-2026|04-DEC-2026").arg(supplier));
    EXPECT_EQ(text("SELECT PIEZIMES FROM O_OPERACIJAS WHERE TAUSTINS='J' AND BAZE='O_PAVADZ' AND NUMURS='N-R1'"), "D365 imports");
    EXPECT_DOUBLE_EQ(number("SELECT SUM(DAUDZUMS) FROM O_PRECE WHERE ISPAVADZ=(SELECT ISN FROM O_PAVADZ WHERE D365_ID='R1')"), 7.5);
    // a return: its own table, negative quantities
    EXPECT_EQ(head("O_ATGPAV", "NR_PAVADZ || '|' || DATUMS", "R2"), "N-R2|04-DEC-2026");
    EXPECT_DOUBLE_EQ(number("SELECT DAUDZUMS FROM O_ATGPRC"), -5);
    EXPECT_DOUBLE_EQ(stock(2), 1);  // received 5 and 1, returned 5
    // an unknown account is client 1; an unknown product is made once, with its number
    EXPECT_EQ(head("O_PAVADZ", "ISKLIENT || '|' || NR_PAVADZ", "R4"), R"(1|N "7" 'x')");
    EXPECT_EQ(text("SELECT GNOS FROM N_KLPREC WHERE ARTIKULS5='NEW1'"), "NO NAME");
    // an unknown department is the default row, said in the log
    EXPECT_EQ(head("O_PAVADZ", "ISNODALA", "R5"), "1");
    EXPECT_TRUE(log.has("ISNDepartment=999 nav atrasta"));
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-07");

    ASSERT_EQ(d365->GetPurchaseOrders(), 0);  // the overlapping period imports nothing twice
    EXPECT_EQ(count("O_PAVADZ") + count("O_PRECE") + count("O_ATGPAV"), 4 + 5 + 1);
}

// Nothing of a record is written before all of it has been read; the mark stays.
TEST_F(D365DocumentsTest, ARecordThatCannotBeReadStopsTheOperationAndStoresNothingOfIt)
{
    const std::pair<const char*, QJsonObject> cases[] = {
        {"no RecId", document("B", {line("P21", 1)}, {{"RecId", QVariant()}})},
        {"no line", document("B", {}, {{"line", QVariant()}})},
        {"line null", document("B", {}, {{"line", QVariant::fromValue(nullptr)}})},
        {"a later line without Qty", document("B", {line("P21", 1), QJsonObject{{"Product", "P12"}}})},
        {"Qty x", document("B", {line("P21", 1), line("P12", "x")})},
        {"empty date", document("B", {line("P21", 1)}, {{"InvoiceDate", ""}})},
        {"no such date", document("B", {line("P21", 1)}, {{"DeliveryDate", "2026-13-45"}})},
        {"department x", document("B", {line("P21", 1)}, {{"ISNDepartment", "x"}})},
    };
    int n = 0;
    for (const auto& [name, broken] : cases) {
        const QString before = QString("G%1").arg(++n), after = QString("H%1").arg(n);
        fake.records("GetPurchaseOrders", QJsonArray{document(before, {line("P21", 1)}), broken, document(after, {line("P21", 1)})});
        EXPECT_THROW(d365->GetPurchaseOrders(), D365Error) << name;
        EXPECT_EQ(count("O_PAVADZ", QString("D365_ID='%1'").arg(before)), 1) << name;
        EXPECT_EQ(count("O_PAVADZ", QString("D365_ID IN ('B', '%1')").arg(after)), 0) << name;
        EXPECT_EQ(count("O_PRECE"), n) << name;
        EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-01") << name;
    }
    fake.records("GetPurchaseOrders", QJsonArray{document("G1", {line("P21", 1)}), document("B", {line("P21", 1)})});
    ASSERT_EQ(d365->GetPurchaseOrders(), 0);
    EXPECT_EQ(count("O_PAVADZ"), n + 1);
    EXPECT_EQ(mark("LastPurchaseOrderDate"), "2026-12-07");
}

// A document the database refuses is stored not at all, the list goes on and the mark stays,
// so the next run brings it whole; a refused head gets no lines (and no message per line).
TEST_F(D365DocumentsTest, ARefusedDocumentIsLeftWholeForTheRerun)
{
    struct Case {
        const char* operation;
        int (D365Exchange::*run)();
        const char* table;
        const char* condition;
        const char* line;
        const char* mark;
        const char* documents;
    };
    const Case cases[] = {
        {"GetPurchaseOrders", &D365Exchange::GetPurchaseOrders, "O_PRECE", "NEW.DAUDZUMS = 13", "RecId D2 (N-D2), 2. rinda",
         "LastPurchaseOrderDate", "O_PAVADZ"},
        {"GetStoreSales", &D365Exchange::GetStoreSales, "O_PAVOUT", "NEW.NR_PAVADZ = 'N-D2'", "RecId D2 (N-D2) galva",
         "LastStoreSalesDate", "O_PAVOUT"},
    };
    for (const Case& c : cases) {
        refuseInserts(c.table, c.condition, 5);  // every attempt of one run
        fake.records(c.operation, QJsonArray{document("D1", {line("P21", 1, "SalesPrice", 1)}),
                                             document("D2", {line("P21", 2, "SalesPrice", 1), line("P12", 13, "SalesPrice", 1)}),
                                             document("D3", {line("P21", 3, "SalesPrice", 1)})});
        dialogs.messages.clear();
        EXPECT_EQ(((*d365).*c.run)(), -1) << c.operation;
        EXPECT_EQ(count(c.documents), 2) << c.operation;
        EXPECT_EQ(count(c.documents, "D365_ID='D2'"), 0) << c.operation;
        EXPECT_TRUE(log.has(QString("Kļūda pie %1: %2 nav ievietots").arg(c.operation, c.line))) << c.operation;
        EXPECT_EQ(dialogs.messages.size(), 1) << c.operation;
        EXPECT_EQ(mark(c.mark), "2026-12-01") << c.operation;
        ASSERT_EQ(((*d365).*c.run)(), 0) << c.operation;
        EXPECT_EQ(count(c.documents), 3) << c.operation;
        EXPECT_EQ(mark(c.mark), "2026-12-07") << c.operation;
        reconnectAfter({QString("DROP TRIGGER TEST_REFUSE_%1").arg(c.table), "DROP GENERATOR TEST_REFUSALS",
                        "DROP EXCEPTION TEST_REFUSED"});
    }
    EXPECT_EQ(count("O_PRECE"), 4);
    EXPECT_EQ(count("O_ERRORINFO"), 2);  // kept though the documents went
}

TEST_F(D365DocumentsTest, StoreSalesAreStoredWithoutVatAtTheRateOfTheLine)
{
    dati->DEF_PVN = 5;
    fake.records("GetStoreSales", QJsonArray{document("S1", {line("P21", 2, "SalesPrice", 2.42), line("P12", 1, "SalesPrice", "2,24"),
                                                             line("NEW2", 1, "SalesPrice", 2.1)},
                                                      {{"OrderAccount", "NAV"}, {"InvoiceDate", "2026-12-06"}})});
    ASSERT_EQ(d365->GetStoreSales(), 0);
    EXPECT_EQ(head("O_PAVOUT", "ISKLIENT || '|' || NR_PAVADZ || '|' || DATUMS", "S1"), "1|N-S1|06-DEC-2026");
    const QString line = "SELECT %1 FROM O_PRCOUT JOIN N_KLPREC ON N_KLPREC.ISN=O_PRCOUT.ISPRECE WHERE ARTIKULS5=:R";
    for (const char* product : {"P21", "P12", "NEW2"})  // a new product: the default rate it is made with
        EXPECT_NEAR(number(line.arg("O_PRCOUT.CENA"), {{"R", product}}), 2.0, 1e-12) << product;
    EXPECT_DOUBLE_EQ(number(line.arg("O_PRCOUT.NODOKLIS * 10 + N_KLPREC.NODOKLIS"), {{"R", "NEW2"}}), 55);
    EXPECT_DOUBLE_EQ(stock(2), -2);
}

TEST_F(D365DocumentsTest, TransfersMoveStockAndCarryTheirCertificates)
{
    fake.records("GetTransfers", QJsonArray{document("T1", {line("P21", 4, "Certificate", R"(LV-BIO "01")"),
                                                            line("P12", 1, "Certificate", ""), line("P21", 1, "Certificate", "")})});
    ASSERT_EQ(d365->GetTransfers(), 0);
    EXPECT_EQ(head("O_PARPAV", "NR_PAVADZ || '|' || ISNODALANO || '|' || ISNODALAUZ || '|' || DATUMS", "T1"), "N-T1|2|3|03-DEC-2026");
    EXPECT_EQ(count("N_SERTIF", "GNOS='' AND DERIGSLIDZ='3000-12-31'"), 1);  // made once for both lines
    EXPECT_EQ(text("SELECT N_SERTIF.GNOS FROM O_PARPRC JOIN N_SERTIF ON N_SERTIF.ISN=O_PARPRC.ISSERTIF WHERE DAUDZUMS=4"),
              R"(LV-BIO "01")");
    EXPECT_DOUBLE_EQ(stock(2), -5);
    EXPECT_DOUBLE_EQ(stock(3), 5);
    EXPECT_EQ(mark("LastTransfersDate"), "2026-12-07");
}

TEST_F(D365DocumentsTest, ABadReplyKeepsTheMarkOfEachDocumentOperation)
{
    const std::tuple<const char*, const char*, int (D365Exchange::*)()> operations[] = {
        {"GetPurchaseOrders", "LastPurchaseOrderDate", &D365Exchange::GetPurchaseOrders},
        {"GetStoreSales", "LastStoreSalesDate", &D365Exchange::GetStoreSales},
        {"GetTransfers", "LastTransfersDate", &D365Exchange::GetTransfers}};
    for (const auto& [operation, markName, run] : operations) {
        fake.reply(operation, 500, "Internal error");
        EXPECT_EQ(((*d365).*run)(), -1) << operation;
        EXPECT_TRUE(log.has(QString("Kļūda iegūstot %1. StatusCode=500 Internal error").arg(operation)));
        fake.reply(operation, 200, "{\"data\": [");
        EXPECT_EQ(((*d365).*run)(), -1) << operation;
        fake.reply(operation, 200, R"({"status":"ok"})");
        EXPECT_THROW(((*d365).*run)(), D365Error) << operation;
        EXPECT_EQ(mark(markName), "2026-12-01") << operation;
    }
}
