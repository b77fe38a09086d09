// The product catalogue export: goods, groups, manufacturers and pictures of a real goods
// database into a real shop database (strict server, the shop's session mode) and FTPS server.
#include "CatalogueFixture.h"

#include "db/DbError.h"

class CatalogueExportTest : public CatalogueFixture {
protected:
    // Two groups, a manufacturer with a logo and two goods, one with pictures.
    void smallCatalogue()
    {
        category(2, "Piena produkti", 0, {{"GNOS2", "Dairy"}, {"GRUPKOD", "0601"}, {"BILDE", kPng}, {"WWW_META_TITLE", "Piens"}});
        category(3, "Siers", 2, {{"GRUPKOD", "A1"}, {"WWW_SEO", "Siers ar 'pēdiņām'"}});
        row("N_PAPILDGRUP3", {{"ISN", 7}, {"GNOS", "Tukuma piens"}, {"BILDE", kJpg}});
        item(10, 2, 4, {{"GNOS2", "Milk"}, {"WWW_COMENT", "Svaigs \"piens\"\r\n"}, {"WWW_COMENT2", "Fresh"}, {"ISPAPILDGRUP3", 7},
                        {"MERVIENIBA", "iepakojums"}, {"LITRAZA", 1.5}, {"BILDE", kJpg}, {"BILDE3", kPng},
                        {"ISPRGRUPAVEL", "|3|x||3|2|"}, {"ARTIKULS2", "4750000000017"}, {"ARTIKULI_N", "|A'1|"}});
        item(11, 3, 3, {{"GNOS", "Siers 'Holandes'"}, {"EXPSVARI", "T"}, {"GABALPRECE", "T"}, {"WEB_NEW", "T"},
                          {"WEB_NEW_DATLIDZ", QDate(2030, 6, 30)}, {"WWW_MINIMUMS", 2.2}, {"MERVIENIBA", "kg"}});
    }
};

TEST_F(CatalogueExportTest, FullExportFillsEveryTableOfTheCatalogue)
{
    languages({3});  // named by no WWW_KODS column
    smallCatalogue();
    runCatalogue();

    // products, as OpenCart 3 declares their columns
    const QString product = "SELECT CONCAT_WS('|', model, quantity, image, manufacturer_id, price, weight * 1e0, weight_class_id, minimum, "
                            "DATE(date_added), quantity_decimal, stock_status_id, status) FROM product WHERE product_id=:id";
    const int kg = shopValue("SELECT weight_class_id FROM weight_class_description WHERE unit='kg' AND language_id=1").toInt();
    const int pack = shopValue("SELECT weight_class_id FROM weight_class_description WHERE unit='iepa' AND language_id=1").toInt();
    EXPECT_EQ(shopValue(product, {{"id", 10}}).toString(),
              QString("100010|4|catalog/images/BILDE_10.JPG|7|1.5000|1.5|%1|1|1900-01-01|0|6|1").arg(pack));
    EXPECT_EQ(shopValue(product, {{"id", 11}}).toString(), QString("100011|3||0|1.5000|0|%1|3|2030-06-30|1|6|1").arg(kg));
    EXPECT_EQ(shopValue("SELECT title FROM weight_class_description WHERE weight_class_id=:id AND language_id=3", {{"id", pack}}),
              "iepakojums");
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(weight_class_id, ':', value * 1e0 ORDER BY weight_class_id) FROM weight_class"), "1:1,2:1");
    EXPECT_EQ(rows("product"), 2);  // the default good "Nav noteikts" has no stock

    // descriptions: language 2 from GNOS2, 1 and 3 the main name; the tag of every article
    const QString description = "SELECT CONCAT_WS('|', name, description, meta_title) FROM product_description "
                                "WHERE product_id=:id AND language_id=:l";
    EXPECT_EQ(shopValue(description, {{"id", 10}, {"l", 1}}), "Prece 10|Svaigs \"piens\"\r\n|Prece 10");
    EXPECT_EQ(shopValue(description, {{"id", 10}, {"l", 2}}), "Milk|Fresh|Milk");
    EXPECT_EQ(shopValue(description, {{"id", 10}, {"l", 3}}), "Prece 10|Svaigs \"piens\"\r\n|Prece 10");
    EXPECT_EQ(shopValue(description, {{"id", 11}, {"l", 2}}), "Siers 'Holandes'||Siers 'Holandes'");
    EXPECT_EQ(shopValue("SELECT tag FROM product_description WHERE product_id=10 AND language_id=1"), "|100010|4750000000017||A'1|");
    EXPECT_EQ(rows("product_to_category", "product_id=10"), 2);
    EXPECT_EQ(rows("product_to_store"), 2);

    // pictures: the same bytes on the server, the columns naming them
    for (const auto& p : QList<QPair<QString, QByteArray>>{{"BILDE_10.JPG", kJpg}, {"BILDE_10_3.PNG", kPng},
                                                          {"GRBILDE_2.PNG", kPng}, {"Razot_7.JPG", kJpg}})
        EXPECT_EQ(ftp->read("/image/catalog/images/" + p.first), p.second) << qPrintable(p.first);
    EXPECT_EQ(shopValue("SELECT CONCAT(image, '|', sort_order) FROM product_image WHERE product_id=10"), "catalog/images/BILDE_10_3.PNG|3");
    EXPECT_EQ(shopValue("SELECT CONCAT(name, '|', image) FROM manufacturer WHERE manufacturer_id=7"), "Tukuma piens|catalog/images/Razot_7.JPG");
    EXPECT_EQ(rows("manufacturer_to_store", "manufacturer_id=7"), 1);

    // categories: parent and top, sort order, names per language, path levels, SEO
    const QString cat = "SELECT CONCAT_WS('|', parent_id, top, sort_order, image, `column`, status) FROM category WHERE category_id=:id";
    EXPECT_EQ(shopValue(cat, {{"id", 2}}), "0|1|601|catalog/images/GRBILDE_2.PNG|1|1");
    EXPECT_EQ(shopValue(cat, {{"id", 3}}), "2|0|0||1|1");
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(name ORDER BY language_id) FROM category_description WHERE category_id=2"),
              "Piena produkti,Dairy,Piena produkti");
    EXPECT_EQ(shopValue("SELECT meta_title FROM category_description WHERE category_id=2 AND language_id=2"), "Piens");
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(path_id, ':', level ORDER BY level) FROM category_path WHERE category_id=3"), "2:0,3:1");
    EXPECT_EQ(rows("category_to_store", "category_id IN (2, 3)"), 2);
    const QString seo = "SELECT CONCAT(keyword, '|', language_id, '|', store_id) FROM seo_url WHERE query=:q";
    EXPECT_EQ(shopValue(seo, {{"q", "category_id=2"}}), "Piena-produkti|1|0");
    EXPECT_EQ(shopValue(seo, {{"q", "category_id=3"}}), "Siers-ar-pedinam|1|0");
    EXPECT_EQ(shopValue(seo, {{"q", "product_id=11"}}), "Siers-Holandes-100011|1|0");

    // the lines of the run, in order, and its mark
    QStringList expected = {"WWW Sāk SendPrecesOC_3_FD ...", "WWW Ievietoju ražotājus", "WWW Sūtu preču grupas", "WWW Sūtu preces 1/3",
                            "WWW Ievietoju preču datus tabulās...", "WWW Ievietoju Product tabulā: 1 no 1; Paka: 2",
                            "WWW Ievietoju ProductDescription ...", "WWW Ievietoju ProductDescription tabulā: 1 no 1; Paka: 6",
                            "WWW Ievietoju attēlus...", "WWW Ievietoju Image tabulā: 1 no 1; Paka: 1", "WWW Ievietoju SEO...",
                            "WWW Ievietoju SEO tabulā: 1 no 1; Paka: 2", "WWW Ievietoju Filtrus un atribūtus...",
                            "WWW Sūtu preču filtrus un atribūtus", "WWW Ievietoju Opcijas...", "WWW Sūtu preču opcijas",
                            "WWW Beidz SendPrecesOC_3_FD"};
    QStringList seen;
    for (const QString& line : fileLines())
        if (line.contains("SendPrecesOC_3_FD") || line.contains(" WWW Sūtu") || line.contains(" WWW Ievietoju"))
            seen << line.mid(line.indexOf("WWW")).trimmed();
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(runMark("LastPrecesOC_3"), clock.now());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
}

TEST_F(CatalogueExportTest, GroupsOutsideTheTreeAndLoopsBecomeTopCategories)
{
    category(5, "Bez vecāka", 99);      // unknown parent
    category(6, "Zem slēptās", 7);      // parent not sent
    category(7, "Slēptā", 0, {{"WEB_NESUTIT", "T"}});
    category(8, "Cilpa A", 9);           // ISPARENT loop 8 -> 9 -> 8
    category(9, "Cilpa B", 8);
    runCatalogue();
    const QString cat = "SELECT CONCAT(parent_id, '|', top) FROM category WHERE category_id=:id";
    for (const auto& c : QList<QPair<int, QString>>{{5, "0|1"}, {6, "0|1"}, {8, "0|1"}, {9, "8|0"}})
        EXPECT_EQ(shopValue(cat, {{"id", c.first}}).toString(), c.second) << c.first;
    EXPECT_EQ(rows("category", "category_id=7"), 0);
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(path_id, ':', level ORDER BY level) FROM category_path WHERE category_id=9"), "8:0,9:1");
}

TEST_F(CatalogueExportTest, RerunsFullOrIncrementalAddNoRowAnywhere)
{
    options({{"chkPrecGrupet7Artikuls", "true"}});
    category(2, "Apģērbs");
    for (int isn : {20, 21, 22})
        item(isn, 2, isn - 18, {{"ARTIKULS7", isn < 22 ? "KR'01" : "G22"}, {"BILDE", kJpg}, {"BILDE2", kPng}});
    item(23, 2, 5, {{"ARTIKULS7", " "}});  // a blank group article makes no product
    row("O_ATRIBUTI", {{"ISPRECE", 20}, {"GRUPAS_ID", 1}, {"GNOS", "Krāsa"}, {"VERTIBA", "Zils"}, {"VERTIBA2", "Balts"}});
    row("O_ATRIBUTI", {{"ISPRECE", 21}, {"GRUPAS_ID", 1}, {"GNOS", "Krāsa"}, {"VERTIBA", "Sarkans"}});
    row("O_ATRIBUTI", {{"ISPRECE", 22}, {"GRUPAS_ID", 1}, {"GNOS", "Krāsa"}, {"VERTIBA", "zils "}});
    for (int isn : {20, 21})
        row("O_ATRIBUTI", {{"ISPRECE", isn}, {"GRUPAS_ID", 13}, {"GNOS", "Izmērs"}, {"VERTIBA", isn == 20 ? "S" : "M"},
                           {"ATRIBUTS_OPCIJA", 1}, {"OBLIGATS", 1}});
    // SEO rows the shop had: one to update in both its languages, one already right
    for (int l : {1, 2})
        shop->insert("seo_url", {{"language_id", l}, {"query", "product_id=20"}, {"keyword", "vecais"}});
    shop->insert("seo_url", {{"language_id", 1}, {"query", "category_id=2"}, {"keyword", "Apgerbs"}});
    runCatalogue();

    // one product per group article, the smallest key, the group's stock, all variants' values
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(product_id, ':', model, ':', quantity ORDER BY product_id) FROM product"),
              "20:KR'01:5,22:G22:4");
    EXPECT_EQ(shopValue("SELECT text FROM product_attribute WHERE product_id=20 AND language_id=2"), "Zils, Balts, Sarkans");
    EXPECT_EQ(rows("filter"), 3);  // "zils " is the filter "Zils", as the shop compares names
    EXPECT_EQ(shopValue("SELECT COUNT(*) FROM product_filter f JOIN filter_description d ON d.filter_id=f.filter_id "
                        "AND d.language_id=1 WHERE f.product_id=22 AND d.name='Zils'"), 1);
    EXPECT_EQ(rows("category_filter", "category_id=2"), 3);
    EXPECT_EQ(shopValue("SELECT CONCAT(type, '|', sort_order) FROM `option` WHERE option_id=13"), "select|0");
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(option_value_id, ':', quantity, ':', subtract ORDER BY option_value_id) "
                        "FROM product_option_value WHERE product_id=20"), "20:2:1,21:3:1");
    EXPECT_EQ(shopValue("SELECT name FROM option_value_description WHERE option_value_id=21 AND language_id=2"), "M");
    EXPECT_EQ(shopValue("SELECT required FROM product_option WHERE product_id=20").toInt(), 1);
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(DISTINCT keyword) FROM seo_url WHERE query='product_id=20'"), "Prece-20-KR01");
    EXPECT_EQ(rows("seo_url", "query='product_id=20'"), 2);
    EXPECT_TRUE(logHas("WWW Apdeitoju SEO tabulā: 1 no 1; Paka: 1"));
    EXPECT_EQ(rows("seo_url", "query='category_id=2'"), 1);
    EXPECT_EQ(rows("product_image"), 2);

    const auto counts = catalogueCounts();
    runCatalogue();
    EXPECT_EQ(catalogueCounts(), counts);
    options({{"PrecesAllNew", 1}});
    change("UPDATE N_KLPREC SET EDITDAT=:D, GNOS='Krekls' WHERE ISN=21", {{"D", clock.now()}});
    change("UPDATE O_TEKATLIK SET ATLIKUMS=7 WHERE ISPRECE=21");
    for (int run = 0; run < 2; ++run) {
        clock.advance(60000);
        runCatalogue();
        EXPECT_EQ(catalogueCounts(), counts);
    }
    EXPECT_EQ(shopValue("SELECT quantity FROM product WHERE product_id=20").toInt(), 9);
    EXPECT_EQ(shopValue("SELECT quantity FROM product_option_value WHERE option_value_id=21").toInt(), 7);
    EXPECT_EQ(dialogs.messages, QStringList());
}

TEST_F(CatalogueExportTest, IncrementalSendsWhatChangedSinceTheMark)
{
    options({{"PrecesAllNew", 1}});
    setRunMark("2026-12-05T12:00:00");
    struct Edit {
        int isn;
        QVariant date;
        QVariant time;  // groups only
        bool sent;
    };
    const QDate mark(2026, 12, 5);
    const QList<Edit> goodsEdits = {{30, mark.addDays(-1), {}, false}, {31, mark, {}, true}, {32, mark.addDays(1), {}, true},
                                    {33, QVariant(QMetaType(QMetaType::QDate)), {}, false}};
    const QList<Edit> groupEdits = {{40, mark.addDays(1), "08:00:00", true},  // a later day at an earlier hour
                                    {41, mark, "11:00:00", false},
                                    {42, mark, "13:00:00", true},
                                    {43, mark.addDays(-1), "23:00:00", false},
                                    {44, QVariant(QMetaType(QMetaType::QDate)), QVariant(QMetaType(QMetaType::QString)), false}};
    // An insert without a mark gets the moment stamped; an update can clear it.
    for (const Edit& e : groupEdits) {
        category(e.isn, QString("Grupa %1").arg(e.isn), 0, {{"EDITDAT", e.date}, {"EDITLAIKS", e.time}});
        if (e.date.isNull())
            goods->exec("UPDATE N_PRGRUP SET EDITDAT=NULL, EDITLAIKS=NULL WHERE ISN=:ISN", {{"ISN", e.isn}});
    }
    for (const Edit& e : goodsEdits) {
        item(e.isn, 40, 1, {{"EDITDAT", e.date}});
        if (e.date.isNull())
            goods->exec("UPDATE N_KLPREC SET EDITDAT=NULL WHERE ISN=:ISN", {{"ISN", e.isn}});
    }
    product(30, 9);  // sent before: stays as it was
    runCatalogue();
    for (const Edit& e : goodsEdits)
        EXPECT_EQ(rows("product_description", QString("product_id=%1").arg(e.isn)), e.sent ? 2 : 0) << e.isn;
    for (const Edit& e : groupEdits)
        EXPECT_EQ(rows("category", QString("category_id=%1").arg(e.isn)), e.sent ? 1 : 0) << e.isn;
    EXPECT_EQ(rows("product", "product_id=30 AND quantity=9"), 1);

    // An unreadable mark sends everything.
    setRunMark("vakar");
    runCatalogue();
    EXPECT_EQ(rows("product_description"), 8);
    EXPECT_EQ(rows("category", "category_id BETWEEN 40 AND 44"), 5);
    EXPECT_EQ(runMark("LastPrecesOC_3"), clock.now());
}

TEST_F(CatalogueExportTest, EditedItemsReplaceTheirRowsAndEditsDuringTheRunWait)
{
    category(2, "Piens");
    category(3, "Siers", 2);
    category(4, "Cietais siers", 3);
    item(10, 4, 5);
    item(11, 4, 5);
    runCatalogue();  // full, at 10:00
    auto counts = catalogueCounts();
    counts["category_path"] -= 2;  // 3 and 4 move up a level

    options({{"PrecesAllNew", 1}});
    clock.advance(5 * 60000);
    change("UPDATE N_PRGRUP SET ISPARENT=0, GNOS='Siers jauns', EDITDAT=:D, EDITLAIKS='10:04:00' WHERE ISN=3", {{"D", clock.now()}});
    change("UPDATE N_KLPREC SET GNOS='Prece desmit', EDITDAT=:D WHERE ISN=10", {{"D", clock.now()}});
    change("UPDATE O_TEKATLIK SET ATLIKUMS=0 WHERE ISPRECE=11");
    change("UPDATE N_KLPREC SET GNOS='Bez atlikuma', EDITDAT=:D WHERE ISN=11", {{"D", clock.now()}});
    // A group edited while the run is on is sent by the next run.
    onLine("WWW Ievietoju Filtrus un atribūtus...", [this] {
        clock.advance(60000);
        change("UPDATE N_PRGRUP SET GNOS='Piens jauns', EDITDAT=:D, EDITLAIKS='10:05:30' WHERE ISN=2", {{"D", clock.now()}});
    });
    runCatalogue();
    EXPECT_EQ(runMark("LastPrecesOC_3"), QDateTime(QDate(2026, 12, 7), QTime(10, 5)));
    EXPECT_EQ(catalogueCounts(), counts);
    EXPECT_EQ(shopValue("SELECT CONCAT(parent_id, '|', top) FROM category WHERE category_id=3"), "0|1");
    EXPECT_EQ(shopValue("SELECT name FROM category_description WHERE category_id=3 AND language_id=2"), "Siers jauns");
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(path_id, ':', level ORDER BY level) FROM category_path WHERE category_id=4"), "3:0,4:1");
    EXPECT_EQ(shopValue("SELECT name FROM product_description WHERE product_id=10 AND language_id=1"), "Prece desmit");
    // no stock and not shown without: not sent, its old rows stay
    EXPECT_EQ(shopValue("SELECT name FROM product_description WHERE product_id=11 AND language_id=1"), "Prece 11");

    clock.advance(60000);
    runCatalogue();
    EXPECT_EQ(shopValue("SELECT name FROM category_description WHERE category_id=2 AND language_id=1"), "Piens jauns");
    EXPECT_EQ(catalogueCounts(), counts);
}

TEST_F(CatalogueExportTest, PriceColumnAndStockRules)
{
    category(2, "Grupa");
    item(10, 2, 5, {{"PARDCENA3", 3.3}, {"PARDCENA16", 16.16}});
    item(12, 2, 0);                          // no stock: left out
    item(13, 2, 0, {{"WWW_ARI0", "T"}});     // shown without stock
    item(14, 2, 0.4);
    connect();
    struct Case {
        QVariant cenkods;
        double price;
    };
    for (const Case& c : QList<Case>{{QVariant(QMetaType(QMetaType::Int)), 1.5}, {0, 1.5}, {17, 1.5}, {3, 3.3}, {16, 16.16}}) {
        change("UPDATE N_DEPART SET CENKODS=:C WHERE ISN=5", {{"C", c.cenkods}});
        runCatalogue();
        EXPECT_DOUBLE_EQ(shopValue("SELECT price FROM product WHERE product_id=10").toDouble(), c.price) << c.cenkods.toString().toStdString();
    }
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(product_id, ':', quantity ORDER BY product_id) FROM product"), "10:5,13:0,14:0");
    options({{"chkAtlik1UnVairak", "true"}});
    runCatalogue();
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(product_id, ':', quantity ORDER BY product_id) FROM product"), "1:1,10:5,12:1,13:1,14:1");
}

TEST_F(CatalogueExportTest, PicturesGoUpOnceAndTheirCachedCopiesGo)
{
    category(2, "Grupa");
    item(10, 2, 1, {{"BILDE", kJpg}});
    item(101, 2, 1, {{"BILDE", kPng}, {"BILDE2", kJpg}});
    item(1010, 2, 1, {{"BILDE", kJpg}});
    const QString dir = "/image/catalog/images/", cache = "/image/cache/catalog/images/";
    ftp->write(dir + "BILDE_10.JPG", "vecais");
    ftp->write(dir + "BILDE_1010.JPG", "vecais");
    const QStringList copies = {"BILDE_101-228x228.PNG", "BILDE_101_2-40x40.JPG", "BILDE_1010-228x228.JPG", "GRBILDE_101-1x1.JPG"};
    for (const QString& c : copies)
        ftp->write(cache + c, "kopija");
    runCatalogue();
    EXPECT_EQ(ftp->read(dir + "BILDE_10.JPG"), "vecais");  // there already
    EXPECT_EQ(ftp->read(dir + "BILDE_101.PNG"), kPng);
    EXPECT_EQ(ftp->read(dir + "BILDE_101_2.JPG"), kJpg);
    EXPECT_EQ(shopValue("SELECT image FROM product WHERE product_id=1010"), "catalog/images/BILDE_1010.JPG");
    // 101's copies go with its new pictures; 1010's picture did not change, nor its copy
    for (const QString& c : copies)
        EXPECT_EQ(ftp->exists(cache + c), !c.startsWith("BILDE_101-") && !c.startsWith("BILDE_101_")) << qPrintable(c);

    options({{"chkVisusAttelus", "true"}});
    runCatalogue();
    EXPECT_EQ(ftp->read(dir + "BILDE_10.JPG"), kJpg);
    EXPECT_FALSE(ftp->exists(cache + "BILDE_1010-228x228.JPG"));
    EXPECT_TRUE(ftp->exists(cache + "GRBILDE_101-1x1.JPG"));

    // A user who may not write there, then a temporary directory that takes no file: the
    // products are written all the same.
    ftp->write(dir + ".readonly", "");
    runCatalogue();
    EXPECT_EQ(logCount("WWW Nevarēju uzlikt attēla failu uz FTP (2) BILDE_10.JPG"), 1);
    EXPECT_EQ(logCount("WWW Nevarēju uzlikt attēla failu uz FTP (2) "), 4);
    QFile::remove(ftp->localPath(dir + ".readonly"));
    dati->TempDir = "/proc/nav/mapes";
    runCatalogue();
    EXPECT_EQ(logCount("WWW Nevarēju uzlikt attēla failu uz FTP (1) BILDE_101_2.JPG"), 1);
    EXPECT_EQ(rows("product", "image LIKE 'catalog/images/BILDE_%'"), 3);
    EXPECT_EQ(runMark("LastPrecesOC_3"), clock.now());
    EXPECT_TRUE(logHas("WWW Beidz SendPrecesOC_3_FD"));
}

TEST_F(CatalogueExportTest, BatchesOf500AndABadRowThatIsLostAlone)
{
    category(2, "Grupa");
    // Goods with nothing but a key, a group and "shown without stock": every NOT NULL
    // column of the shop gets a value all the same.
    auto goodsUpTo = [this](int last) {
        goods->exec(QString("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, WWW_ARI0, WEB_NEW, PARDCENA1) "
                            "WITH RECURSIVE N AS (SELECT 1000 ISN FROM RDB$DATABASE UNION ALL SELECT ISN + 1 FROM N WHERE ISN < %1) "
                            "SELECT ISN, 2, 'T', 'T', NULL FROM N WHERE ISN NOT IN (SELECT ISN FROM N_KLPREC)").arg(last));
    };
    goodsUpTo(1499);
    runCatalogue();
    EXPECT_TRUE(logHas("WWW Ievietoju Product tabulā: 1 no 1; Paka: 500"));
    EXPECT_TRUE(logHas("WWW Ievietoju ProductDescription tabulā: 2 no 2; Paka: 500"));
    EXPECT_EQ(rows("product", "model='' AND quantity=0 AND price=0 AND minimum=1 AND DATE(date_added)='1900-01-01'"), 500);

    // the server refuses one row: its batch goes again row by row
    shop->exec("CREATE TRIGGER slikta BEFORE INSERT ON product FOR EACH ROW BEGIN "
               "IF NEW.product_id = 1234 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'slikta rinda'; END IF; END");
    web.reset();
    goods->exec("DELETE FROM N_KLPREC WHERE ISN > 1500");
    goodsUpTo(1500);
    connect();
    runCatalogue();
    for (const char* line : {"WWW Ievietoju Product tabulā: 1 no 2; Paka: 500", "WWW Ievietoju Product tabulā: 2 no 2; Paka: 1",
                             "WWW Kļūda ievietojot tabulā Product : ", "slikta rinda (product_id=1234)"})
        EXPECT_EQ(logCount(line), 1) << line;
    EXPECT_EQ(rows("product"), 500);
    EXPECT_EQ(rows("product", "product_id=1234"), 0);
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
}

TEST_F(CatalogueExportTest, ShopOrPictureServerDownChangesNothing)
{
    category(2, "Grupa");
    item(10, 2, 1);
    product(99, 3);
    connect();
    struct Case {
        const char* what;
        QString line;
    };
    for (const Case& c : QList<Case>{{"MySQL refuses", "Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "},
                                     {"FTP down", "Pievienoties pie FTP neizdevās !!!"}}) {
        SCOPED_TRACE(c.what);
        if (QString(c.what).startsWith("MySQL"))
            changeSettings("E_SHOP_MYSQL_PASWORD='nepareiza'");
        else
            ftp->stop();
        clock.advance(60000);
        const int ends = logCount("WWW Saraksti aizsūtīti");
        EXPECT_TRUE(web->SendKlasif());
        EXPECT_EQ(logCount(c.line), 1);
        EXPECT_EQ(rows("product"), 1);
        EXPECT_FALSE(runMark("LastPrecesOC_3").isValid());
        EXPECT_EQ(runMark("LastKlasif"), clock.now());
        EXPECT_EQ(logCount("WWW Saraksti aizsūtīti"), ends + 1);
        EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
        changeSettings("E_SHOP_MYSQL_PASWORD='" + shop->password() + "'");
        ftp->start();
        report.begin();
    }
}

TEST_F(CatalogueExportTest, ServerStoppedMidRunLeavesTheOldCatalogueAndARerunCompletes)
{
    category(2, "Grupa");
    item(10, 2, 1, {{"BILDE", kJpg}});
    item(11, 2, 1);
    runCatalogue();
    const auto counts = catalogueCounts();
    const QDateTime mark = runMark("LastPrecesOC_3");
    change("UPDATE N_KLPREC SET GNOS='Jauns nosaukums'");
    change("DELETE FROM N_KLPREC WHERE ISN=11");
    clock.advance(60000);
    onLine("WWW Ievietoju ProductDescription ...", [] { mysql->stop(); });
    EXPECT_THROW(web->SendKlasif(), DbError);
    mysql->start();
    EXPECT_EQ(catalogueCounts(), counts);
    EXPECT_EQ(shopValue("SELECT name FROM product_description WHERE product_id=10 AND language_id=1"), "Prece 10");
    EXPECT_EQ(runMark("LastPrecesOC_3"), mark);

    busy.set(false, "WWW SendKlasif");
    runCatalogue();
    EXPECT_EQ(shopValue("SELECT GROUP_CONCAT(name) FROM product_description WHERE language_id=1"), "Jauns nosaukums");
    EXPECT_EQ(runMark("LastPrecesOC_3"), clock.now());
}

TEST_F(CatalogueExportTest, AShopWithoutLanguagesGetsProductsWithoutTexts)
{
    shop->exec("DELETE FROM language");
    category(2, "Grupa");
    item(10, 2, 1, {{"MERVIENIBA", "kg"}});
    row("O_ATRIBUTI", {{"ISPRECE", 10}, {"GRUPAS_ID", 1}, {"GNOS", "Krāsa"}, {"VERTIBA", "Zils"}});
    runCatalogue();
    const auto counts = catalogueCounts();
    runCatalogue();
    EXPECT_EQ(catalogueCounts(), counts);
    EXPECT_EQ(rows("product", "product_id=10 AND weight_class_id=0"), 1);
    for (const char* table : {"product_description", "category_description", "weight_class", "filter", "product_attribute"})
        EXPECT_EQ(rows(table), 0) << table;
}

class CatalogueNamesTest : public CatalogueFixture {
protected:
    CatalogueNamesTest() { utf8Goods = true; }
};

TEST_F(CatalogueNamesTest, NamesFollowTheLanguageMapAndTheOptions)
{
    languages({3});
    shopSettings({{"WWW_KODS_GNOS", 1}, {"WWW_KODS_GNOS2", 0}, {"WWW_KODS_GNOS_RUS", 2}});
    category(2, "01 Piena produkti", 0, {{"GNOS_RUS", "02 Молочные"}});
    item(10, 2, 1, {{"GNOS", "Piens 'Svaigs'"}, {"INOS", "Milch"}, {"GNOS_RUS", "Молоко"}, {"WWW_COMENT_RUS", "Свежее \"молоко\""},
                    {"WWW_SEO", "Молоко свежее"}});
    item(11, 2, 1, {{"GNOS", "Krējums"}, {"INOS", "Sahne"}});  // no Russian name: the main one
    struct Case {
        bool prInos, trim;
        QStringList product10, product11, category;
    };
    for (const Case& c : QList<Case>{{false, false, {"Piens 'Svaigs'", "Молоко", "Piens 'Svaigs'"}, {"Krējums", "Krējums", "Krējums"},
                                      {"01 Piena produkti", "02 Молочные", "01 Piena produkti"}},
                                     {true, true, {"Milch", "Молоко", "Milch"}, {"Sahne", "Sahne", "Sahne"},
                                      {"Piena produkti", "Молочные", "Piena produkti"}}}) {
        options({{"PrInos", c.prInos ? "true" : "false"}, {"PrGrupaTrimKods", c.trim ? "true" : "false"}});
        runCatalogue();
        const QString names = "SELECT GROUP_CONCAT(name ORDER BY language_id SEPARATOR '~') FROM %1 WHERE %2=:id";
        EXPECT_EQ(shopValue(names.arg("product_description", "product_id"), {{"id", 10}}).toString(), c.product10.join('~'));
        EXPECT_EQ(shopValue(names.arg("product_description", "product_id"), {{"id", 11}}).toString(), c.product11.join('~'));
        EXPECT_EQ(shopValue(names.arg("category_description", "category_id"), {{"id", 2}}).toString(), c.category.join('~'));
    }
    EXPECT_EQ(shopValue("SELECT description FROM product_description WHERE product_id=10 AND language_id=2"), "Свежее \"молоко\"");
    EXPECT_EQ(shopValue("SELECT keyword FROM seo_url WHERE query='product_id=10'"), "Moloko-svezhee");
    EXPECT_EQ(shopValue("SELECT keyword FROM seo_url WHERE query='category_id=2'"), "Piena-produkti");
}
