#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The text rules of the catalogue export: shop names, SEO keywords, picture names and the
// small conversions of goods-database values into shop columns.
namespace CatalogueText {

// The goods sent to the shop: both the good's and its group's WEB_NESUTIT 'F' or NULL.
inline const QString& sendableGoods()
{
    static const QString condition = QStringLiteral(
        "(N_PRGRUP.WEB_NESUTIT = 'F' OR N_PRGRUP.WEB_NESUTIT IS NULL) AND (N_KLPREC.WEB_NESUTIT = 'F' OR N_KLPREC.WEB_NESUTIT IS NULL)");
    return condition;
}

// An SEO keyword: Latvian and Cyrillic letters (and other accented ones) become plain Latin
// letters, blanks become "-", and only letters, digits, "-", "_" and "." are kept; runs of
// "-" become one and none stands at either end.
QString seoKeyword(const QString& text);
// The text a product's keyword is made of when it has none of its own: the name, the second
// name when there is one that differs, and the article, joined by "-".
QString productSeoText(const QString& name, const QString& secondName, const QString& article);

// With PrGrupaTrimKods: a group name whose first blank is its 2nd to 9th character loses
// everything up to and including that blank ("01 Piens" -> "Piens").
QString trimGroupCode(const QString& name);

// The product tag: "|" and the article for each article that is not empty, in order.
QString tagText(const QStringList& articles);

// A group code as the shop's sort order; 0 when it is not a whole number.
int sortOrder(const QString& grupkod);

// The further groups of ISPRGRUPAVEL ("|" separated): empty parts, parts that are not a
// key, repeated ones and the main group are left out.
QList<int> extraGroups(const QString& isprgrupavel, int mainGroup);

// The price level of CENKODS: 1 to 16, anything else (none, 0, 17, text) is 1.
int priceLevel(const QVariant& cenkods);

// Sold by weight: EXPSVARI 'T' and GABALPRECE not 'F' (a NULL flag counts as 'F').
bool quantityDecimal(const QString& expsvari, const QString& gabalprece);

// date_added as "yyyy-MM-dd": the WEB_NEW_DATLIDZ of a new good, otherwise (and when the
// date is missing) 1900-01-01.
QString dateAdded(const QString& webNew, const QDate& webNewDatLidz);

// The minimum order quantity: WWW_MINIMUMS rounded up, at least 1.
int minimumQuantity(const QVariant& wwwMinimums);

// ".PNG" when characters 2 to 4 of the picture read "PNG", else ".JPG".
QString pictureExtension(const QByteArray& data);
// What the shop's image columns put before a file name: the part of the FTP directory after
// "/image/", ending in "/" ("/image/catalog/images" -> "catalog/images/").
QString imagePrefix(const QString& ftpDir);
// The shop's folder of resized copies for pictures of the FTP directory:
// "/image/catalog/images" -> "/image/cache/catalog/images/".
QString cacheDir(const QString& ftpDir);
// Whether a file of the cache folder is a resized copy of one of the product's pictures
// (BILDE_<key>[_<n>]-<size>.<ext>); key 101 never matches the copies of 1010.
bool isCachedCopyOf(const QString& fileName, int productKey);

// Text cut to a varchar column's length, as the shop stores it; names kept in memory for
// look-ups are cut alike so that they compare with what the server returns.
QString columnText(const QString& text, int length);
// A look-up key that compares as the shop's collation does: case, accents and trailing
// blanks do not count.
QString collationKey(const QString& text);

}  // namespace CatalogueText
