// The catalogue export's rules that need no server: names, keywords, picture places,
// the category tree and the language map.
#include "support/QtPrinters.h"

#include "webshop/CatalogueLanguages.h"
#include "webshop/CatalogueText.h"
#include "webshop/CategoryTree.h"

#include <gtest/gtest.h>

using namespace CatalogueText;

TEST(CatalogueText, SeoKeywords)
{
    const QList<QPair<QString, QString>> cases = {
        {"Piens 2,5% 1l", "Piens-25-1l"},
        {"Ābolu sula 'Zaļā'", "Abolu-sula-Zala"},
        {"Молоко свежее", "Moloko-svezhee"},
        {"Щи и борщ", "Schi-i-borsch"},
        {"  a  &  b  ", "a-b"},
        {"file_name.v2", "file_name.v2"},
        {"x\"; DROP TABLE seo_url; --", "x-DROP-TABLE-seo_url"},
        {"Straße", "Strasse"},
        {"%%%", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(seoKeyword(c.first), c.second) << qPrintable(c.first);
    EXPECT_EQ(productSeoText("Piens", "", "100"), "Piens-100");
    EXPECT_EQ(productSeoText("Piens", "Milk", "100"), "Piens-Milk-100");
    EXPECT_EQ(productSeoText("Piens", "Piens", ""), "Piens");
}

TEST(CatalogueText, GroupCodeTrimByThePlaceOfTheFirstBlank)
{
    const QList<QPair<QString, QString>> cases = {
        {" 01 Piens", " 01 Piens"},          // blank at 1
        {"1 Piens", "Piens"},                // at 2
        {"12345678 Piens", "Piens"},         // at 9
        {"123456789 Piens", "123456789 Piens"},  // at 10
        {"Piens", "Piens"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trimGroupCode(c.first), c.second) << qPrintable(c.first);
}

TEST(CatalogueText, ColumnValuesOfGoods)
{
    EXPECT_EQ(tagText({"100", "", "  ", "G'7", "|a|b|"}), "|100|G'7||a|b|");
    for (const auto& c : QList<QPair<QString, int>>{{"0601", 601}, {" 12 ", 12}, {"A1", 0}, {"", 0}, {"99999999999", 0}})
        EXPECT_EQ(sortOrder(c.first), c.second) << qPrintable(c.first);
    EXPECT_EQ(extraGroups("|3|x||3| 4 |2|0|-5|", 2), (QList<int>{3, 4}));
    for (const auto& c : QList<QPair<QVariant, int>>{{QVariant(), 1}, {0, 1}, {17, 1}, {16, 16}, {3, 3}, {"x", 1}})
        EXPECT_EQ(priceLevel(c.first), c.second) << qPrintable(c.first.toString());
    struct Flags {
        QString expsvari, gabalprece;
        bool decimal;
    };
    for (const Flags& f : QList<Flags>{{"T", "T", true}, {"T", "", false}, {"T", "F", false}, {"F", "T", false}, {"", "T", false}})
        EXPECT_EQ(quantityDecimal(f.expsvari, f.gabalprece), f.decimal) << qPrintable(f.expsvari + "/" + f.gabalprece);
    EXPECT_EQ(dateAdded("T", QDate(2030, 6, 30)), "2030-06-30");
    EXPECT_EQ(dateAdded("T", QDate()), "1900-01-01");
    EXPECT_EQ(dateAdded("F", QDate(2030, 6, 30)), "1900-01-01");
    for (const auto& c : QList<QPair<QVariant, int>>{{QVariant(), 1}, {0.0, 1}, {-3.0, 1}, {2.0, 2}, {2.2, 3}})
        EXPECT_EQ(minimumQuantity(c.first), c.second) << qPrintable(c.first.toString());
}

TEST(CatalogueText, PictureNamesAndPlaces)
{
    EXPECT_EQ(pictureExtension(QByteArray("\x89PNG\r\n", 6)), ".PNG");
    EXPECT_EQ(pictureExtension(QByteArray("\xFF\xD8\xFF", 3)), ".JPG");
    EXPECT_EQ(pictureExtension("PNG"), ".JPG");
    struct Place {
        QString dir, prefix, cache;
    };
    for (const Place& p : QList<Place>{{"/image/catalog/images", "catalog/images/", "/image/cache/catalog/images/"},
                                       {"/www/image/catalog/", "catalog/", "/www/image/cache/catalog/"},
                                       {"/image", "", "/image/cache/"},
                                       {"/pictures", "pictures/", "/image/cache/catalog/images/"}}) {
        EXPECT_EQ(imagePrefix(p.dir), p.prefix) << qPrintable(p.dir);
        EXPECT_EQ(cacheDir(p.dir), p.cache) << qPrintable(p.dir);
    }
    struct Copy {
        QString name;
        bool of101;
    };
    for (const Copy& c : QList<Copy>{{"BILDE_101-228x228.JPG", true}, {"BILDE_101_2-100x100.jpg", true},
                                     {"BILDE_101-40x40.PNG", true}, {"BILDE_1010-228x228.JPG", false},
                                     {"BILDE_10-228x228.JPG", false}, {"GRBILDE_101-80x80.JPG", false},
                                     {"BILDE_101.JPG", false}})
        EXPECT_EQ(isCachedCopyOf(c.name, 101), c.of101) << qPrintable(c.name);
}

TEST(CategoryTree, ParentsPathsAndLoops)
{
    CategoryTree t;
    t.add(1, 0, true);
    t.add(2, 1, true);
    t.add(3, 2, true);
    t.add(4, 99, true);  // unknown parent
    t.add(5, 5, true);   // itself
    t.add(6, 7, true);   // parent not sent
    t.add(7, 0, false);
    t.add(8, 9, true);   // loop 8 -> 9 -> 8
    t.add(9, 8, true);
    t.add(10, 8, true);  // under the loop
    struct Case {
        int key, parent;
        QList<int> path;
    };
    for (const Case& c : QList<Case>{{1, 0, {1}}, {3, 2, {1, 2, 3}}, {4, 0, {4}}, {5, 0, {5}}, {6, 0, {6}},
                                     {8, 0, {8}}, {9, 8, {8, 9}}, {10, 8, {8, 10}}}) {
        EXPECT_EQ(t.shopParent(c.key), c.parent) << c.key;
        EXPECT_EQ(t.path(c.key), c.path) << c.key;
    }
    EXPECT_EQ(t.withDescendants({2}), (QSet<int>{2, 3}));
    EXPECT_EQ(t.withDescendants({8}), (QSet<int>{8, 9, 10}));
}

TEST(CatalogueLanguages, EachShopLanguageShowsItsColumn)
{
    // GNOS -> 1, GNOS2 -> 2, GNOS_RUS -> 4 and a second column naming 2; language 3 is named by none
    const CatalogueLanguages l({1, 2, 3, 4}, {1, 2, 0, 2, 4});
    const QStringList names = {"Piens", "Milk", "", "Leche", "Молоко"};
    const QStringList texts = {"Svaigs", "Fresh", "", "Fresca", "Свежее"};
    EXPECT_EQ(l.name(0, names, "Main"), "Main");
    EXPECT_EQ(l.name(1, names, "Main"), "Milk");
    EXPECT_EQ(l.name(2, names, "Main"), "Main");
    EXPECT_EQ(l.name(3, names, "Main"), "Молоко");
    EXPECT_EQ(l.name(3, {"Piens", "", "", "", ""}, "Main"), "Main");  // empty in that language
    EXPECT_EQ(l.description(1, texts), "Fresh");
    EXPECT_EQ(l.description(2, texts), "Svaigs");
    EXPECT_EQ(CatalogueLanguages({}, {1, 2}).count(), 0);
}
