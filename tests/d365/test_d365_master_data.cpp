#include "D365Fixture.h"

namespace {

QJsonObject address(const QString& county, const QString& city, const QString& state, const QString& street,
                    const QString& zip, const QString& country = "LV")
{
    return QJsonObject{{"County", county}, {"City", city},       {"State", state},
                       {"Street", street}, {"ZipCode", zip},     {"CountryRegion", country}};
}

QJsonObject vendor(const QString& account, const QString& name)
{
    return QJsonObject{{"AccountNum", account},
                       {"Name", name},
                       {"BankAccountNum", "LV80HABA0551034218765"},
                       {"BankName", "Swedbank AS"},
                       {"SWIFTNo", "HABALV22"},
                       {"IsResident_LV", "true"},
                       {"RegNum", "40103000001"},
                       {"VATNum", "LV40103000001"},
                       {"PrimaryAddress", address("Rīgas nov.", "Rīga", "", "Brīvības iela 1", "LV-1001")},
                       {"DeliveryAddress", address("", "Jelgava", "", "Lielā iela 2", "LV-3001")}};
}

QJsonObject customer(const QString& account, const QString& name)
{
    return QJsonObject{{"AccountNum", account},
                       {"Name", name},
                       {"BankAccountNum", "LV10UNLA0050012345678"},
                       {"BankName", "AS SEB banka"},
                       {"SWIFTNo", "UNLALV2X"},
                       {"RegNum", "40003000002"},
                       {"VATNum", "LV40003000002"},
                       {"NumOfDays", 30},
                       {"Blocked", "false"},
                       {"PrimaryAddress", address("", "Ogre", "", "Rīgas iela 5", "LV-5001")},
                       {"OtherAddress", QJsonArray()}};
}

QJsonObject product(const QString& code, const QString& name)
{
    return QJsonObject{{"Product", code},
                       {"Name", name},
                       {"Certificate", ""},
                       {"CategoryCode", ""},
                       {"PrimaryVendorId", ""},
                       {"VarnisVAT", 21},
                       {"PurchPackage", "false"},
                       {"ItemBarCodeMain", "4750000000017"},
                       {"ItemBarCodeOther", ""},
                       {"OrvProductCode", ""},
                       {"UnitBasicPackage", 1},
                       {"NetWeight", 0.5},
                       {"GrossWeight", 0.53},
                       {"PriceTagUnit", "gab"},
                       {"TransportQty", 12},
                       {"TransportPalletQty", 720},
                       {"DaysBetweenOrders", ""},
                       {"OrigCountryRegion", "LV"},
                       {"AlcoholConcentration", 0},
                       {"SendToScales", "false"},
                       {"BestBefore", 14},
                       {"HighestQty", 100},
                       {"TempStoreMax", 0},
                       {"TempStoreMin", 0},
                       {"LowestQty", 12},
                       {"StandartDeliveryType", "Base"},
                       {"ActualDeliveryType", "Direct"},
                       {"InternalLogistics", "false"},
                       {"NutriSugar", 0},
                       {"ProductLifecycleStateCode", ""},
                       {"SuppItemId", ""},
                       {"MinimumQty", 0},
                       {"ProdContentDescr", ""}};
}

QJsonObject with(QJsonObject o, const QString& key, const QJsonValue& value)
{
    o.insert(key, value);
    return o;
}

QJsonObject schedule(const QString& id, const QString& vendorAccount)
{
    return QJsonObject{{"OrderScheduleId", id},
                       {"Status", "Active"},
                       {"VendAccount", vendorAccount},
                       {"OrderRegularity", "OnceAWeek"},
                       {"OrderDateNum", 0},
                       {"OrderDay", 3},
                       {"OrderTime", "10:00"},
                       {"DeliveryDateNum", 0},
                       {"DeliveryDay", 5},
                       {"DeliveryTypeCode", "EDI"},
                       {"DeliveryType", "BaseDelivery"},
                       {"ChosenWarehouses", QJsonArray{QJsonObject{{"ISNNodala", 3}}, QJsonObject{{"ISNNodala", 7}}}},
                       {"Comment", "Pirms svētkiem zvanīt"},
                       {"DeliveryRegularityInStore", "Daily"}};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Vendors and customers

TEST_F(D365Test, AVendorIsStoredWithEveryMember)
{
    login();
    fake.records("GetK42Vendors", QJsonArray{vendor("V000900", "SIA Jaunais Piegādātājs")});
    ASSERT_EQ(d365->GetK42Vendors(), 0);

    const QVariantHash id{{"ID", "V000900"}};
    ASSERT_EQ(count("N_KLIENT", "IDKODS='V000900'"), 1);
    EXPECT_EQ(text("SELECT GNOS FROM N_KLIENT WHERE IDKODS=:ID", id), "SIA Jaunais Piegādātājs");
    EXPECT_EQ(text("SELECT KONTS FROM N_KLIENT WHERE IDKODS=:ID", id), "LV80HABA0551034218765");
    EXPECT_EQ(text("SELECT ARZEMPIEG FROM N_KLIENT WHERE IDKODS=:ID", id), "F");
    EXPECT_EQ(text("SELECT VALSTS FROM N_KLIENT WHERE IDKODS=:ID", id), "LV");
    EXPECT_EQ(text("SELECT ADRESE FROM N_KLIENT WHERE IDKODS=:ID", id), "Rīgas nov.,Rīga,Brīvības iela 1,LV-1001");
    EXPECT_EQ(text("SELECT ADRESE2 FROM N_KLIENT WHERE IDKODS=:ID", id), "Jelgava,Lielā iela 2,LV-3001");
    EXPECT_EQ(text("SELECT REGNR FROM N_KLIENT WHERE IDKODS=:ID", id), "40103000001");
    EXPECT_EQ(text("SELECT PVNKODS FROM N_KLIENT WHERE IDKODS=:ID", id), "LV40103000001");
    EXPECT_EQ(text("SELECT PIEGADAT FROM N_KLIENT WHERE IDKODS=:ID", id), "T");
    EXPECT_TRUE(value("SELECT PIRCEJS FROM N_KLIENT WHERE IDKODS=:ID", id).isNull());
    const int bank = value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS=:ID", id).toInt();
    EXPECT_GT(bank, 1);
    EXPECT_EQ(text("SELECT GNOS FROM N_BANKA WHERE ISN=:B", {{"B", bank}}), "Swedbank AS");
    EXPECT_EQ(text("SELECT KODS FROM N_BANKA WHERE ISN=:B", {{"B", bank}}), "HABALV22");
    EXPECT_EQ(log.lines.last(), "GetK42Vendors OK");
}

TEST_F(D365Test, OnlyTheExactTextFalseMarksAForeignSupplier)
{
    login();
    fake.records("GetK42Vendors", QJsonArray{with(vendor("V1", "A"), "IsResident_LV", "false"),
                                             with(vendor("V2", "B"), "IsResident_LV", "False"),
                                             with(vendor("V3", "C"), "IsResident_LV", "true"),
                                             with(vendor("V4", "D"), "IsResident_LV", false)});
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    EXPECT_EQ(text("SELECT ARZEMPIEG FROM N_KLIENT WHERE IDKODS='V1'"), "T");
    EXPECT_EQ(text("SELECT ARZEMPIEG FROM N_KLIENT WHERE IDKODS='V2'"), "F");
    EXPECT_EQ(text("SELECT ARZEMPIEG FROM N_KLIENT WHERE IDKODS='V3'"), "F");
    EXPECT_EQ(text("SELECT ARZEMPIEG FROM N_KLIENT WHERE IDKODS='V4'"), "T");
}

TEST_F(D365Test, BanksAreFoundByNameAndCodeAndCreatedOnce)
{
    login();
    const int banks = count("N_BANKA");
    const QString longName = QString("Banka ") + QString(70, QChar(u'ā'));
    const QString longCode = QString(40, 'X');
    fake.records("GetK42Vendors",
                 QJsonArray{vendor("V1", "A"), vendor("V2", "B"),
                            with(with(vendor("V3", "C"), "BankName", ""), "SWIFTNo", ""),
                            with(with(vendor("V4", "D"), "BankName", ""), "SWIFTNo", ""),
                            with(with(vendor("V5", "E"), "BankName", longName), "SWIFTNo", longCode)});
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    EXPECT_EQ(count("N_BANKA"), banks + 3);
    EXPECT_EQ(value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V1'"), value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V2'"));
    EXPECT_EQ(value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V3'"), value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V4'"));
    const QVariant empty = value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V3'");
    EXPECT_EQ(text("SELECT GNOS FROM N_BANKA WHERE ISN=:B", {{"B", empty}}), "");
    const QVariant cut = value("SELECT ISBANKA FROM N_KLIENT WHERE IDKODS='V5'");
    EXPECT_EQ(text("SELECT GNOS FROM N_BANKA WHERE ISN=:B", {{"B", cut}}), longName.left(60));
    EXPECT_EQ(text("SELECT KODS FROM N_BANKA WHERE ISN=:B", {{"B", cut}}), longCode.left(30));

    // a rerun finds them all
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    EXPECT_EQ(count("N_BANKA"), banks + 3);
}

TEST_F(D365Test, AddressesLeaveOutEmptyPartsAndKeepQuotesAndBackslashes)
{
    login();
    QJsonObject nulls = address("", "C", "", "S", "Z");
    nulls.insert("County", QJsonValue::Null);
    fake.records("GetK42Vendors",
                 QJsonArray{with(vendor("V1", "A"), "PrimaryAddress", address("", "C", "", "S", "Z", "DE")),
                            with(vendor("V2", "B"), "PrimaryAddress",
                                 address("", "Rīga", "", "Iela \"Centrs\" 5\\2", "LV-1001")),
                            with(with(vendor("V3", "C"), "PrimaryAddress", QJsonValue::Null), "DeliveryAddress", nulls),
                            with(vendor("V4", "D"), "DeliveryAddress", address("", "", "", "", ""))});
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    EXPECT_EQ(text("SELECT ADRESE FROM N_KLIENT WHERE IDKODS='V1'"), "C,S,Z");
    EXPECT_EQ(text("SELECT VALSTS FROM N_KLIENT WHERE IDKODS='V1'"), "DE");
    EXPECT_EQ(text("SELECT ADRESE FROM N_KLIENT WHERE IDKODS='V2'"), "Rīga,Iela \"Centrs\" 5\\2,LV-1001");
    EXPECT_EQ(text("SELECT ADRESE FROM N_KLIENT WHERE IDKODS='V3'"), "");
    EXPECT_EQ(text("SELECT VALSTS FROM N_KLIENT WHERE IDKODS='V3'"), "");
    EXPECT_EQ(text("SELECT ADRESE2 FROM N_KLIENT WHERE IDKODS='V3'"), "C,S,Z");
    EXPECT_EQ(text("SELECT ADRESE2 FROM N_KLIENT WHERE IDKODS='V4'"), "");
}

TEST_F(D365Test, ACustomerGetsItsAddressListAndFlags)
{
    login();
    fake.records("GetK42Customers",
                 QJsonArray{with(with(customer("C1", "SIA Pircējs"), "Blocked", "true"), "OtherAddress",
                                 QJsonArray{address("", "Rīga", "", "Brīvības 1", "LV-1001"),
                                            address("Zemgale", "Jelgava", "", "Lielā 2", "")}),
                            with(customer("C2", "SIA Otrais"), "Blocked", "True")});
    ASSERT_EQ(d365->GetK42Customers(), 0);
    EXPECT_EQ(text("SELECT ADRESELIST FROM N_KLIENT WHERE IDKODS='C1'"), "Rīga,Brīvības 1,LV-1001|Zemgale,Jelgava,Lielā 2,");
    EXPECT_EQ(text("SELECT ADRESELIST FROM N_KLIENT WHERE IDKODS='C2'"), "");
    EXPECT_EQ(text("SELECT NELAUT_IZRAKSTIT FROM N_KLIENT WHERE IDKODS='C1'"), "T");
    EXPECT_EQ(text("SELECT NELAUT_IZRAKSTIT FROM N_KLIENT WHERE IDKODS='C2'"), "F");
    EXPECT_EQ(text("SELECT KONSIGN FROM N_KLIENT WHERE IDKODS='C1'"), "30");
    EXPECT_EQ(text("SELECT PIRCEJS FROM N_KLIENT WHERE IDKODS='C1'"), "T");
    EXPECT_EQ(text("SELECT ADRESE FROM N_KLIENT WHERE IDKODS='C1'"), "Ogre,Rīgas iela 5,LV-5001");
    EXPECT_EQ(text("SELECT VALSTS FROM N_KLIENT WHERE IDKODS='C1'"), "LV");
    EXPECT_EQ(text("SELECT REGNR FROM N_KLIENT WHERE IDKODS='C1'"), "40003000002");
    EXPECT_TRUE(value("SELECT PIEGADAT FROM N_KLIENT WHERE IDKODS='C1'").isNull());
    EXPECT_EQ(mark("LastCustomersDate"), "2026-12-07");
}

TEST_F(D365Test, AVendorThatIsAlsoACustomerKeepsBothFlags)
{
    login();
    fake.records("GetK42Vendors", QJsonArray{vendor("K1", "SIA Abi"), vendor("K2", "SIA Abi 2")});
    fake.records("GetK42Customers", QJsonArray{customer("K1", "SIA Abi"), customer("K2", "SIA Abi 2")});
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    ASSERT_EQ(d365->GetK42Customers(), 0);
    // and the other way round
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    for (const char* id : {"K1", "K2"}) {
        const QVariantHash p{{"ID", id}};
        EXPECT_EQ(count("N_KLIENT", QString("IDKODS='%1'").arg(id)), 1) << id;
        EXPECT_EQ(text("SELECT PIEGADAT FROM N_KLIENT WHERE IDKODS=:ID", p), "T") << id;
        EXPECT_EQ(text("SELECT PIRCEJS FROM N_KLIENT WHERE IDKODS=:ID", p), "T") << id;
    }
}

// ---------------------------------------------------------------------------------------
// Categories

TEST_F(D365Test, ACategoryBeforeItsParentIsCorrectedByTheNextImport)
{
    login();
    const int groups = count("N_PRGRUP");
    fake.records("GetCategories",
                 QJsonArray{QJsonObject{{"Code", "20"}, {"Name", "saldumi un ķīmija"}, {"ParentCode", "10"}},
                            QJsonObject{{"Code", "10"}, {"Name", "Pārtika"}, {"ParentCode", ""}}});
    ASSERT_EQ(d365->GetCategories(), 0);
    EXPECT_EQ(count("N_PRGRUP"), groups + 2);
    EXPECT_EQ(value("SELECT ISPARENT FROM N_PRGRUP WHERE GRUPKOD='20'").toInt(), 0);
    EXPECT_EQ(text("SELECT GNOS FROM N_PRGRUP WHERE GRUPKOD='20'"), "SALDUMI UN ĶĪMIJA");
    EXPECT_EQ(text("SELECT SORTIMENTS FROM N_PRGRUP WHERE GRUPKOD='20'"), "T");

    ASSERT_EQ(d365->GetCategories(), 0);
    EXPECT_EQ(count("N_PRGRUP"), groups + 2);
    EXPECT_EQ(value("SELECT ISPARENT FROM N_PRGRUP WHERE GRUPKOD='20'"), value("SELECT ISN FROM N_PRGRUP WHERE GRUPKOD='10'"));
    EXPECT_EQ(value("SELECT ISPARENT FROM N_PRGRUP WHERE GRUPKOD='10'").toInt(), 0);
}

TEST_F(D365Test, AnUpdatedCategoryKeepsItsAssortmentFlag)
{
    seed("INSERT INTO N_PRGRUP (GRUPKOD, GNOS, ISPARENT, SORTIMENTS) VALUES ('30', 'Veca', 0, 'F')");
    login();
    fake.records("GetCategories", QJsonArray{QJsonObject{{"Code", "30"}, {"Name", "Jauna"}, {"ParentCode", ""}}});
    ASSERT_EQ(d365->GetCategories(), 0);
    EXPECT_EQ(count("N_PRGRUP", "GRUPKOD='30'"), 1);
    EXPECT_EQ(text("SELECT GNOS FROM N_PRGRUP WHERE GRUPKOD='30'"), "JAUNA");
    EXPECT_EQ(text("SELECT SORTIMENTS FROM N_PRGRUP WHERE GRUPKOD='30'"), "F");
}

// ---------------------------------------------------------------------------------------
// Products

TEST_F(D365Test, AProductIsStoredWithEveryMember)
{
    seed("INSERT INTO N_PRGRUP (GRUPKOD, GNOS, SORTIMENTS) VALUES ('K01', 'PIENS', 'T')");
    seed("INSERT INTO N_KLIENT (IDKODS, GNOS, PIEGADAT) VALUES ('V000102', 'SIA Zemgales Piens', 'T')");
    login();
    QJsonObject p = product("P100", "Piens 2% 1l");
    p.insert("Certificate", "PVD atzinums 2026/1");
    p.insert("CategoryCode", "K01");
    p.insert("PrimaryVendorId", "V000102");
    p.insert("VarnisVAT", 12);
    p.insert("PurchPackage", "true");
    p.insert("ItemBarCodeOther", "4750000000024;4750000000031");
    p.insert("OrvProductCode", "G100");
    p.insert("DaysBetweenOrders", 7);
    p.insert("AlcoholConcentration", 4.7);
    p.insert("SendToScales", "true");
    p.insert("TempStoreMax", 6);
    p.insert("TempStoreMin", 2);
    p.insert("InternalLogistics", "true");
    p.insert("NutriSugar", "4,8");  // a number sent as text
    p.insert("ProdContentDescr", "Pasterizēts piens");
    fake.records("GetK42Products", QJsonArray{p});
    ASSERT_EQ(d365->GetK42Products(), 0);

    auto col = [&](const char* column) { return value(QString("SELECT %1 FROM N_KLPREC WHERE ARTIKULS5='P100'").arg(column)); };
    ASSERT_EQ(count("N_KLPREC", "ARTIKULS5='P100'"), 1);
    EXPECT_EQ(col("GNOS").toString(), "Piens 2% 1l");
    EXPECT_EQ(col("INOS").toString(), "Piens 2% 1l");
    EXPECT_EQ(text("SELECT GNOS FROM N_SERTIF WHERE ISN=:S", {{"S", col("ISSERTIF1")}}), "PVD atzinums 2026/1");
    EXPECT_EQ(value("SELECT DERIGSLIDZ FROM N_SERTIF WHERE ISN=:S", {{"S", col("ISSERTIF1")}}).toDate(), QDate(3000, 12, 31));
    EXPECT_EQ(col("ISPRGRUPA"), value("SELECT ISN FROM N_PRGRUP WHERE GRUPKOD='K01'"));
    EXPECT_EQ(col("ISPRKLIENT"), value("SELECT ISN FROM N_KLIENT WHERE IDKODS='V000102'"));
    EXPECT_DOUBLE_EQ(col("NODOKLIS").toDouble(), 12.0);
    EXPECT_EQ(col("TARA").toString().trimmed(), "T");
    EXPECT_EQ(col("ARTIKULS").toString(), "4750000000017");
    EXPECT_EQ(col("ARTIKULS2").toString(), "4750000000024");
    EXPECT_EQ(col("ARTIKULS3").toString(), "4750000000031");
    EXPECT_EQ(col("ARTIKULS4").toString(), "");
    EXPECT_EQ(col("ARTIKULI_N").toString(), "");
    EXPECT_EQ(col("ARTIKULS7").toString(), "G100");
    EXPECT_DOUBLE_EQ(col("LITRAZA").toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(col("NETTO").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(col("BRUTOSVARS").toDouble(), 0.53);
    EXPECT_EQ(col("MERVIENIBA").toString(), "gab");
    EXPECT_DOUBLE_EQ(col("SKKASTE").toDouble(), 12.0);
    EXPECT_DOUBLE_EQ(col("SKPALETE").toDouble(), 720.0);
    EXPECT_DOUBLE_EQ(col("PIEGSK").toDouble(), 7.0);
    EXPECT_EQ(col("VALSTS").toString(), "LV");
    EXPECT_DOUBLE_EQ(col("ALKOHOLS").toDouble(), 4.7);
    EXPECT_EQ(col("EXPSVARI").toString().trimmed(), "T");
    EXPECT_EQ(col("EXPSVARI2").toString().trimmed(), "T");
    EXPECT_EQ(col("GABALPRECE").toString().trimmed(), "F");
    EXPECT_EQ(col("DERDIENAS_MAX").toInt(), 14);
    EXPECT_DOUBLE_EQ(col("MAX_PASUT").toDouble(), 100.0);
    EXPECT_EQ(col("GLABTEMP").toString(), "6 - 2");
    EXPECT_DOUBLE_EQ(col("MIN_PASUT").toDouble(), 12.0);
    EXPECT_EQ(col("ST_PIEG_VEIDS").toString(), "Base");
    EXPECT_EQ(col("FAKT_PIEG_VEIDS").toString(), "Direct");
    EXPECT_EQ(col("IEKSLOGISTS_FLAG").toInt(), 1);
    EXPECT_DOUBLE_EQ(col("CUKURS").toDouble(), 4.8);
    EXPECT_EQ(col("NEAKTIVA_PARD").toString().trimmed(), "F");
    EXPECT_EQ(col("NEAKTIVA").toString().trimmed(), "F");
    EXPECT_TRUE(col("ISDEPOZITATARA").isNull());
    EXPECT_DOUBLE_EQ(col("DEPOZITATARADAUDZUMS").toDouble(), 0.0);
    EXPECT_EQ(col("KOMENTARS").toString(), "Pasterizēts piens");
    EXPECT_EQ(mark("LastProductsDate"), "2026-12-07");
}

TEST_F(D365Test, ProductEdgeCases)
{
    seed("INSERT INTO N_KLPREC (ARTIKULS5, GNOS) VALUES ('TARA1', 'Depozīta pudele')");
    login();
    const int certificates = count("N_SERTIF");
    fake.records("GetK42Products",
                 QJsonArray{
                     with(with(product("E1", "Garš kods"), "ItemBarCodeMain", QString(30, '1')), "ItemBarCodeOther",
                          "A;B;" + QString(20, '3') + ";D;E"),
                     with(product("E2", "Semikols"), "ItemBarCodeOther", ";4750000000024;4750000000031"),
                     with(with(product("E3", "Temperatūra"), "TempStoreMax", 8), "TempStoreMin", 0),
                     with(with(product("E4", "Nav depozīta"), "SuppItemId", "NAV-TADAS"), "MinimumQty", 2),
                     with(with(product("E5", "Ar depozītu"), "SuppItemId", "TARA1"), "MinimumQty", 6),
                     with(with(product("E6", "Sertifikāts"), "Certificate", "LV-BIO-01"), "CategoryCode", "NAV"),
                     with(with(product("E7", "Sertifikāts 2"), "Certificate", "LV-BIO-01"), "PrimaryVendorId", "NAV"),
                     with(with(product("E8", "Saldēts"), "TempStoreMax", -18), "TempStoreMin", -25),
                 });
    ASSERT_EQ(d365->GetK42Products(), 0);
    auto col = [&](const char* code, const char* column) {
        return value(QString("SELECT %1 FROM N_KLPREC WHERE ARTIKULS5='%2'").arg(column, code));
    };
    EXPECT_EQ(col("E1", "ARTIKULS").toString(), QString(25, '1'));
    EXPECT_EQ(col("E1", "ARTIKULS2").toString(), "A");
    EXPECT_EQ(col("E1", "ARTIKULS3").toString(), "B");
    EXPECT_EQ(col("E1", "ARTIKULS4").toString(), QString(13, '3'));
    EXPECT_EQ(col("E1", "ARTIKULI_N").toString(), "D;E");
    for (const char* c : {"ARTIKULS2", "ARTIKULS3", "ARTIKULS4", "ARTIKULI_N"}) {
        EXPECT_EQ(col("E2", c).toString(), "") << c;
        EXPECT_FALSE(col("E2", c).isNull()) << c;  // empty texts, not nulls
    }
    EXPECT_EQ(col("E3", "GLABTEMP").toString(), "0");
    EXPECT_EQ(col("E8", "GLABTEMP").toString(), "-18 - -25");
    EXPECT_EQ(col("E4", "ISDEPOZITATARA").toInt(), 0);
    EXPECT_FALSE(col("E4", "ISDEPOZITATARA").isNull());
    EXPECT_DOUBLE_EQ(col("E4", "DEPOZITATARADAUDZUMS").toDouble(), 2.0);
    EXPECT_EQ(col("E5", "ISDEPOZITATARA"), value("SELECT ISN FROM N_KLPREC WHERE ARTIKULS5='TARA1'"));
    EXPECT_DOUBLE_EQ(col("E5", "DEPOZITATARADAUDZUMS").toDouble(), 6.0);
    EXPECT_EQ(col("E6", "ISSERTIF1"), col("E7", "ISSERTIF1"));
    EXPECT_EQ(count("N_SERTIF"), certificates + 1);
    EXPECT_TRUE(col("E1", "ISSERTIF1").isNull());
    EXPECT_EQ(col("E6", "ISPRGRUPA").toInt(), 0);
    EXPECT_TRUE(col("E7", "ISPRKLIENT").isNull());
    EXPECT_TRUE(col("E1", "PIEGSK").isNull());
}

TEST_F(D365Test, LifeCycleStatesBlockSaleAndPurchase)
{
    login();
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"L1", "", "F", "F"},
        {"L2", "BloketsPardosanai", "T", "F"},
        {"L3", "BloketsPirksanai", "F", "T"},
        {"L4", "BloketsViss", "T", "T"},
        {"L5", "Aktivs", "F", "F"},
        {"L6", "bloketsviss", "F", "F"},
    };
    QJsonArray list;
    for (const auto& [code, state, sale, purchase] : cases)
        list.append(with(product(code, code), "ProductLifecycleStateCode", state));
    fake.records("GetK42Products", list);
    ASSERT_EQ(d365->GetK42Products(), 0);
    for (const auto& [code, state, sale, purchase] : cases) {
        const QVariantHash p{{"A", code}};
        EXPECT_EQ(text("SELECT NEAKTIVA_PARD FROM N_KLPREC WHERE ARTIKULS5=:A", p), sale) << state;
        EXPECT_EQ(text("SELECT NEAKTIVA FROM N_KLPREC WHERE ARTIKULS5=:A", p), purchase) << state;
    }
}

TEST(D365BarCodes, OtherCodesSplitAtSemicolons)
{
    using C = D365MasterData::OtherCodes;
    auto split = [](const char* t) {
        const C c = D365MasterData::splitOtherCodes(t);
        return QStringList{c.artikuls2, c.artikuls3, c.artikuls4, c.artikuliN};
    };
    EXPECT_EQ(split("A;B;C;D;E"), (QStringList{"A", "B", "C", "D;E"}));
    EXPECT_EQ(split("A"), (QStringList{"A", "", "", ""}));
    EXPECT_EQ(split(""), (QStringList{"", "", "", ""}));
    EXPECT_EQ(split(";A;B"), (QStringList{"", "", "", ""}));
    EXPECT_EQ(split("A;;C;D"), (QStringList{"A", "", "", ""}));
    EXPECT_EQ(split("A;B;C"), (QStringList{"A", "B", "C", ""}));
    EXPECT_EQ(split("A;B;C;"), (QStringList{"A", "B", "C", ""}));
    EXPECT_EQ(split("A;B;C;D"), (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(split("12345678901234567890;B"), (QStringList{"1234567890123", "B", "", ""}));
}

TEST_F(D365Test, ARecordMissingAMemberStopsTheImportAndARerunMendsIt)
{
    setMark("LastProductsDate", "2026-12-01");
    login();
    QJsonObject broken = product("M2", "Otrais");
    broken.remove("NetWeight");
    fake.records("GetK42Products", QJsonArray{product("M1", "Pirmais"), broken, product("M3", "Trešais")});
    try {
        d365->GetK42Products();
        FAIL() << "a missing member must stop the import";
    } catch (const D365Error& e) {
        EXPECT_EQ(e.message(), "GetK42Products, 2. ieraksts: nav lauka \"NetWeight\"");
    }
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5='M1'"), 1);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5 IN ('M2', 'M3')"), 0);
    EXPECT_EQ(mark("LastProductsDate"), "2026-12-01");
    EXPECT_FALSE(log.has("GetK42Products OK"));

    // a member that is not a number is as bad
    fake.records("GetK42Products", QJsonArray{with(product("M4", "Ceturtais"), "NetWeight", "daudz")});
    EXPECT_THROW(d365->GetK42Products(), D365Error);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5='M4'"), 0);

    // and so is a value the database refuses (GNOS holds 200 characters)
    fake.records("GetK42Products", QJsonArray{product("M5", QString(201, 'x'))});
    try {
        d365->GetK42Products();
        FAIL() << "a name too long for the register must stop the import";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().startsWith("GetK42Products, 1. ieraksts: ")) << e.message().toStdString();
    }
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5='M5'"), 0);

    fake.records("GetK42Products", QJsonArray{product("M1", "Pirmais"), product("M2", "Otrais"), product("M3", "Trešais")});
    ASSERT_EQ(d365->GetK42Products(), 0);
    for (const char* code : {"M1", "M2", "M3"})
        EXPECT_EQ(count("N_KLPREC", QString("ARTIKULS5='%1'").arg(code)), 1) << code;
    EXPECT_EQ(mark("LastProductsDate"), "2026-12-07");
}

// A large first product list takes longer than the read time-out in all; it fails only
// when the service stops sending.
TEST_F(D365Test, AProductListThatKeepsArrivingIsNotCutOffByTheReadTimeOut)
{
    setMark("LastProductsDate", "2026-12-01");
    login();
    d365->connection().transport().setTimeoutMs(600);
    fake.records("GetK42Products", QJsonArray{product("S1", "Lēnais 1"), product("S2", "Lēnais 2")});
    fake.trickle("GetK42Products", 150);  // ten pieces: 1.5 s in all
    ASSERT_EQ(d365->GetK42Products(), 0);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS5 IN ('S1', 'S2')"), 2);
    EXPECT_EQ(mark("LastProductsDate"), "2026-12-07");
}

// Numbers as the service sends them: a fractional shelf life, codes of 16 or more digits.
TEST_F(D365Test, NumericMembersAreReadAsTheNumbersTheyAre)
{
    struct Case {
        const char* member;
        QJsonValue sent;
        const char* column;
        const char* stored;
    };
    const Case cases[] = {
        {"BestBefore", 14.5, "DERDIENAS_MAX", "15"},
        {"BestBefore", "7,25", "DERDIENAS_MAX", "7"},
        {"ItemBarCodeMain", 4750000000017123.0, "ARTIKULS", "4750000000017123"},
        {"ItemBarCodeMain", QJsonValue(qint64(1234567890123456789)), "ARTIKULS", "1234567890123456789"},
        {"OrvProductCode", 12.5, "ARTIKULS7", "12.5"},
    };
    login();
    int n = 0;
    for (const Case& c : cases) {
        const QString code = QString("N%1").arg(++n);
        fake.records("GetK42Products", QJsonArray{with(product(code, "Skaitlis"), c.member, c.sent)});
        ASSERT_EQ(d365->GetK42Products(), 0) << c.member;
        EXPECT_EQ(text(QString("SELECT %1 FROM N_KLPREC WHERE ARTIKULS5=:P").arg(c.column), {{"P", code}}), c.stored)
            << c.member;
    }
}

// ---------------------------------------------------------------------------------------
// Assortments

TEST_F(D365Test, AssortmentsOfCategoriesThenProductsUnderOneMark)
{
    seed("INSERT INTO N_PRGRUP (GRUPKOD, GNOS) VALUES ('C1', 'C1')");
    seed("INSERT INTO N_PRGRUP (GRUPKOD, GNOS) VALUES ('C2', 'C2')");
    seed("INSERT INTO N_KLPREC (ARTIKULS5, GNOS) VALUES ('P1', 'P1')");
    const int c1 = value("SELECT ISN FROM N_PRGRUP WHERE GRUPKOD='C1'").toInt();
    const int c2 = value("SELECT ISN FROM N_PRGRUP WHERE GRUPKOD='C2'").toInt();
    const int p1 = value("SELECT ISN FROM N_KLPREC WHERE ARTIKULS5='P1'").toInt();
    seed("INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) VALUES (3, :K, 1, 'A')", {{"K", c2}});
    seed("INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) VALUES (3, :K, 2, 'A')", {{"K", p1}});
    // the same key as a category row: only the product row goes
    seed("INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) VALUES (3, :K, 1, 'A')", {{"K", p1}});
    setMark("LastSortimentsDate", "2026-11-30");
    login();
    fake.records("GetCatSort",
                 QJsonArray{QJsonObject{{"CategoryId", "C1"}, {"ISNDepartment", 2}, {"AssortmentLevelId", "A"}},
                            QJsonObject{{"CategoryId", "NAV"}, {"AssortmentLevelId", "A"}},
                            QJsonObject{{"CategoryId", "C2"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "-"}}});
    fake.records("GetItemSort",
                 QJsonArray{QJsonObject{{"Product", "P1"}, {"ISNDepartment", 2}, {"AssortmentLevelId", "B"}},
                            QJsonObject{{"Product", "NAV"}, {"ISNDepartment", 2}, {"AssortmentLevelId", "B"}},
                            QJsonObject{{"Product", "P1"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "-"}}});
    log.lines.clear();
    ASSERT_EQ(d365->GetCatSort(), 0);
    EXPECT_EQ(log.lines, (QStringList{"Procesējam GetSortiments...", "GetSortiments OK"}));
    EXPECT_EQ(fake.operations(), (std::vector<std::string>{"GetCatSort", "GetItemSort"}));
    const auto calls = fake.calls();
    EXPECT_TRUE(calls[1].inner.contains(R"("FromDT": "2026-11-30","ToDT": "2026-12-08")"));

    EXPECT_EQ(count("O_SORTIMENTS"), 3);
    EXPECT_EQ(text("SELECT VEIDS FROM O_SORTIMENTS WHERE ISNODALA=2 AND FLAG=1 AND ISPRGRUPA_PRECE=:K", {{"K", c1}}), "A");
    EXPECT_EQ(text("SELECT VEIDS FROM O_SORTIMENTS WHERE ISNODALA=2 AND FLAG=2 AND ISPRGRUPA_PRECE=:K", {{"K", p1}}), "B");
    EXPECT_EQ(count("O_SORTIMENTS", QString("ISNODALA=3 AND FLAG=1 AND ISPRGRUPA_PRECE=%1").arg(p1)), 1);
    EXPECT_EQ(count("O_SORTIMENTS", QString("ISPRGRUPA_PRECE=%1").arg(c2)), 0);
    EXPECT_EQ(mark("LastSortimentsDate"), "2026-12-07");

    // rerun: the same rows
    ASSERT_EQ(d365->GetCatSort(), 0);
    EXPECT_EQ(count("O_SORTIMENTS"), 3);
}

TEST_F(D365Test, AFailedItemAssortmentKeepsTheCategoriesAndTheMark)
{
    seed("INSERT INTO N_PRGRUP (GRUPKOD, GNOS) VALUES ('C1', 'C1')");
    setMark("LastSortimentsDate", "2026-11-30");
    login();
    fake.records("GetCatSort", QJsonArray{QJsonObject{{"CategoryId", "C1"}, {"ISNDepartment", 2}, {"AssortmentLevelId", "A"}}});
    fake.reply("GetItemSort", 500, "Nav pieejams");
    EXPECT_EQ(d365->GetCatSort(), -1);
    EXPECT_TRUE(log.has("Kļūda iegūstot GetSortiments. StatusCode=500 Nav pieejams"));
    EXPECT_EQ(count("O_SORTIMENTS"), 1);
    EXPECT_EQ(mark("LastSortimentsDate"), "2026-11-30");
    EXPECT_FALSE(log.has("GetSortiments OK"));
}

// ---------------------------------------------------------------------------------------
// Vendor schedules

TEST_F(D365Test, VendorSchedulesAreStoredAndInactiveOnesRemoved)
{
    seed("INSERT INTO N_KLIENT (IDKODS, GNOS, PIEGADAT) VALUES ('V1', 'Piegādātājs', 'T')");
    seed("INSERT INTO N_KLIENT (IDKODS, GNOS, PIRCEJS) VALUES ('C9', 'Veikalu tīkls', 'T')");
    const int v1 = value("SELECT ISN FROM N_KLIENT WHERE IDKODS='V1'").toInt();
    const int c9 = value("SELECT ISN FROM N_KLIENT WHERE IDKODS='C9'").toInt();
    seed("INSERT INTO N_KL_STRV (ISKLIENT, GNOS, KODS) VALUES (:K, 'Filiāle', 'B7')", {{"K", c9}});
    seed("INSERT INTO N_KLPASGRAF (ISKLIENT, D365_ID, TERMINS_FLAG) VALUES (:K, 'OS-OLD', 1)", {{"K", v1}});
    seed("INSERT INTO N_KLPASGRAF (ISKLIENT, D365_ID, TERMINS_FLAG, IEVKODS) VALUES (:K, 'OS1', 1, 'ADMIN')", {{"K", v1}});
    login();
    fake.records("GetVENDGR",
                 QJsonArray{schedule("OS1", " V1 "),
                            with(with(with(with(schedule("OS2", "B7"), "OrderDateNum", 15), "DeliveryDateNum", 17),
                                      "DeliveryType", "DirectDelivery"),
                                 "OrderRegularity", "OnceNextWeek"),
                            with(with(with(schedule("OS3", "NAV"), "DeliveryType", "Pickup"), "ChosenWarehouses", QJsonArray()),
                                 "OrderRegularity", "Weekly"),
                            with(schedule("OS-OLD", "V1"), "Status", "Closed"),
                            QJsonObject{{"OrderScheduleId", "OS-NEVER"}, {"Status", "Inactive"}}});
    ASSERT_EQ(d365->GetVENDGR(), 0);

    EXPECT_EQ(count("N_KLPASGRAF", "D365_ID IN ('OS-OLD', 'OS-NEVER')"), 0);
    EXPECT_EQ(count("N_KLPASGRAF", "D365_ID='OS1'"), 1);
    auto col = [&](const char* id, const char* column) {
        return value(QString("SELECT %1 FROM N_KLPASGRAF WHERE D365_ID='%2'").arg(column, id));
    };
    EXPECT_EQ(col("OS1", "ISKLIENT").toInt(), v1);
    EXPECT_EQ(col("OS1", "TERMINS_FLAG").toInt(), 2);
    EXPECT_EQ(col("OS1", "DIENA_DATUMS").toInt(), 3);
    EXPECT_EQ(col("OS1", "PASUT_LAIKS").toString(), "10:00");
    EXPECT_EQ(col("OS1", "PIEGADE").toInt(), 5);
    EXPECT_EQ(col("OS1", "PASUT_VEIDS").toString(), "EDI");
    EXPECT_EQ(col("OS1", "PIEGAD_VEIDS").toString(), "Bāzes piegāde");
    EXPECT_EQ(col("OS1", "NODALAS").toString(), "|3||7|");
    EXPECT_EQ(col("OS1", "KOMENTARS").toString(), "Pirms svētkiem zvanīt");
    EXPECT_EQ(col("OS1", "PIEG_TERMINS_FLAG").toInt(), 1);
    EXPECT_TRUE(col("OS1", "IEVDAT").isNull());
    EXPECT_TRUE(col("OS1", "IEVKODS").isNull());

    EXPECT_EQ(col("OS2", "ISKLIENT").toInt(), c9);  // found through the branch code
    EXPECT_EQ(col("OS2", "DIENA_DATUMS").toInt(), 15);
    EXPECT_EQ(col("OS2", "PIEGADE").toInt(), 17);
    EXPECT_EQ(col("OS2", "PIEGAD_VEIDS").toString(), "Tiešā piegāde");
    EXPECT_EQ(col("OS2", "TERMINS_FLAG").toInt(), 7);

    EXPECT_EQ(col("OS3", "ISKLIENT").toInt(), 0);
    EXPECT_EQ(col("OS3", "PIEGAD_VEIDS").toString(), "");
    EXPECT_EQ(col("OS3", "NODALAS").toString(), "");
    EXPECT_EQ(col("OS3", "TERMINS_FLAG").toInt(), 0);
    EXPECT_EQ(mark("LastVendorGraphDate"), "2026-12-07");

    ASSERT_EQ(d365->GetVENDGR(), 0);
    EXPECT_EQ(count("N_KLPASGRAF"), 3);
}

TEST(D365Regularity, CodesOfTheRegularityTexts)
{
    const char* texts[] = {"OnceAMonth", "Daily", "OnceAWeek", "EvenWeek", "OddWeek",
                           "FirstFullWeekOfTheMonth", "LastFullWeekOfTheMonth", "OnceNextWeek"};
    for (int code = 0; code < 8; ++code)
        EXPECT_EQ(D365MasterData::regularityCode(texts[code]), code) << texts[code];
    EXPECT_EQ(D365MasterData::regularityCode("daily"), 0);
    EXPECT_EQ(D365MasterData::regularityCode(""), 0);
}
