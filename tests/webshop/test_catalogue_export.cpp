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
