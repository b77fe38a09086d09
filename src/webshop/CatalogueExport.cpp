#include "CatalogueExport.h"

#include "CatalogueAttributes.h"
#include "CatalogueText.h"
#include "PictureUploader.h"
#include "SeoUrls.h"
#include "ShopRowBatch.h"
#include "StockExport.h"
#include "WebShopConnection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QSet>
#include <QSqlError>

using namespace CatalogueText;

namespace {

// The own companies (registration numbers) whose shop sells at PARDCENA11: none.
const QStringList kPriceLevel11Companies = {};

constexpr int kNameLength = 255;

bool progressDue(int i)
{
    return i == 1 || i % 1000 == 0;
}

// A group article as the database compares it: trailing blanks do not count.
QString articleKey(const QString& artikuls7)
{
    qsizetype n = artikuls7.size();
    while (n > 0 && artikuls7.at(n - 1) == QLatin1Char(' '))
        --n;
    return artikuls7.left(n);
}

QString text(const SqlQuery& q, const char* field)
{
    return q.asString(QString::fromLatin1(field));
}

}  // namespace

CatalogueExport::CatalogueExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                                 const WebShopOptions& options)
    : ctx_(context), shopConnection_(shop), settings_(settings), options_(options)
{
}

CatalogueExport::~CatalogueExport() = default;

void CatalogueExport::run()
{
    ctx_.log.WriteLog(QStringLiteral("WWW Sāk SendPrecesOC_3_FD ..."));
    if (!shopConnection_.begin(settings_, ctx_.report))
        return;
    pictures_ = std::make_unique<PictureUploader>(shopConnection_.ftp(), ctx_.log, ctx_.report, settings_.E_SHOP_FTP_DIR,
                                                  ctx_.dati.TempDir, options_.chkVisusAttelus);
    if (!connectPictures())
        return;
    if (!StockExport::parseDepartments(settings_.E_SHOP_ISNODALA, departments_)) {
        const QString line = QStringLiteral("WWW Nepareizs atlikumu nodaļu saraksts E_SHOP_ISNODALA: '%1', preces nav sūtītas")
                                 .arg(settings_.E_SHOP_ISNODALA);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return;
    }
    mark_ = readRunMark();
    try {
        shop_ = shopConnection_.database();
        readLanguages();
        // What changes from here on is the next run's to send.
        now_ = ctx_.clock.now();
        readStock();
        readGroupArticles();
        if (!shop_.transaction())
            throw DbError(shop_.lastError().text());
        if (!incremental())
            emptyCatalogue();
        WeightClasses();
        Manufacturers();
        Categories();
        Products();
        CatalogueAttributes attributes(
            ctx_, shop_, languages_, options_,
            {[this](int isPrece, const QString& artikuls7, const QString& wwwAri0) { return productOf(isPrece, artikuls7, wwwAri0); },
             [this](int isPrece) { return stockByGood_.value(isPrece); }});
        ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju Filtrus un atribūtus..."));
        attributes.FiltersAndAttributes();
        ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju Opcijas..."));
        attributes.Options();
        if (!shop_.commit())
            throw DbError(QStringLiteral("COMMIT: ") + shop_.lastError().text());
    } catch (...) {
        // Nothing of this run stays in the shop; the next run connects afresh.
        shop_.rollback();
        shopConnection_.drop();
        throw;
    }
    ctx_.log.WriteLog(QStringLiteral("WWW Beidz SendPrecesOC_3_FD"));
    writeRunMark(now_);
}

bool CatalogueExport::connectPictures()
{
    FtpClient& ftp = shopConnection_.ftp();
    if (ftp.isConnected() && pictures_->readDirectory())
        return true;
    // A session left from an earlier run may have gone stale: log in afresh.
    ftp.disconnect();
    if (shopConnection_.FtpConnect(settings_) < 0) {
        ctx_.report.fail(shopConnection_.failureLine());
        return false;
    }
    pictures_->readDirectory();  // no directory yet: the first upload makes it
    return true;
}

QDateTime CatalogueExport::readRunMark() const
{
    RegistryKey key(ctx_.registry);
    try {
        if (key.OpenKey(WebShopKeys::RunMarks, false))
            return key.ReadDateTime(QString::fromLatin1(kRunMark));
    } catch (const std::exception&) {
    }
    return DateText::neverRun();
}

void CatalogueExport::writeRunMark(const QDateTime& moment)
{
    RegistryKey key(ctx_.registry);
    key.OpenKey(WebShopKeys::RunMarks, true);
    key.WriteDateTime(QString::fromLatin1(kRunMark), moment);
    key.CloseKey();
}

void CatalogueExport::readLanguages()
{
    QList<int> ids;
    SqlQuery l(shop_, QStringLiteral("SELECT language_id from language ORDER BY language_id"));
    l.open();
    for (; !l.eof(); l.next())
        ids << l.asInt(QStringLiteral("language_id"));
    QList<int> codes;
    SqlQuery c(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT WWW_KODS_GNOS, WWW_KODS_GNOS2, WWW_KODS_GNOS3, WWW_KODS_GNOS4, WWW_KODS_GNOS_RUS FROM N_ISI2"));
    c.open();
    for (const char* column : {"WWW_KODS_GNOS", "WWW_KODS_GNOS2", "WWW_KODS_GNOS3", "WWW_KODS_GNOS4", "WWW_KODS_GNOS_RUS"})
        codes << c.asInt(QString::fromLatin1(column));
    languages_ = CatalogueLanguages(ids, codes);
}

QString CatalogueExport::departmentList() const
{
    QStringList names;
    for (int i = 0; i < departments_.size(); ++i)
        names << QStringLiteral(":NOD%1").arg(i);
    return QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void CatalogueExport::bindDepartments(SqlQuery& q) const
{
    for (int i = 0; i < departments_.size(); ++i)
        q.bind(QStringLiteral("NOD%1").arg(i), departments_.at(i));
}

bool CatalogueExport::everythingChanged() const
{
    return !incremental() || mark_.date() <= DateText::neverRun().date();
}

QString CatalogueExport::goodsChanged() const
{
    if (everythingChanged())
        return {};
    if (options_.chkPrecGrupet7Artikuls)
        return QStringLiteral(" AND N_KLPREC.ARTIKULS7 IN (SELECT CHANGED.ARTIKULS7 FROM N_KLPREC CHANGED WHERE CHANGED.EDITDAT>=:MARKDAY)");
    return QStringLiteral(" AND N_KLPREC.EDITDAT>=:MARKDAY");
}

QString CatalogueExport::groupsChanged() const
{
    if (everythingChanged())
        return {};
    // Edited on a later day, or on the mark's day after its time (an unknown time counts).
    return QStringLiteral(" AND (N_PRGRUP.EDITDAT>=:NEXTDAY OR (N_PRGRUP.EDITDAT>=:MARKDAY AND "
                          "(N_PRGRUP.EDITLAIKS IS NULL OR N_PRGRUP.EDITLAIKS>:MARKTIME)))");
}

void CatalogueExport::bindChanged(SqlQuery& q) const
{
    if (everythingChanged())
        return;
    q.bind(QStringLiteral("MARKDAY"), mark_.date());
    q.bind(QStringLiteral("NEXTDAY"), mark_.date().addDays(1));
    q.bind(QStringLiteral("MARKTIME"), DateText::time(mark_.time()));
}

void CatalogueExport::readStock()
{
    SqlQuery s(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT O_TEKATLIK.ISPRECE, SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS FROM O_TEKATLIK "
                                                     "WHERE O_TEKATLIK.ISNODALA IN ")
                                          + departmentList() + QStringLiteral(" GROUP BY O_TEKATLIK.ISPRECE"));
    bindDepartments(s);
    s.open();
    for (; !s.eof(); s.next())
        stockByGood_.insert(s.asInt(QStringLiteral("ISPRECE")), s.asDouble(QStringLiteral("ATLIKUMS")));
    if (!options_.chkPrecGrupet7Artikuls)
        return;
    // A group's stock: that of its goods that are sent, as the stock export counts it.
    SqlQuery g(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT N_KLPREC.ARTIKULS7, SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS FROM O_TEKATLIK, N_KLPREC, N_PRGRUP "
                              "WHERE O_TEKATLIK.ISPRECE = N_KLPREC.ISN AND N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
                   + sendableGoods() + QStringLiteral(" AND N_KLPREC.ARTIKULS7 IS NOT NULL AND O_TEKATLIK.ISNODALA IN ")
                   + departmentList() + QStringLiteral(" GROUP BY N_KLPREC.ARTIKULS7"));
    bindDepartments(g);
    g.open();
    for (; !g.eof(); g.next())
        stockByArticle_[articleKey(text(g, "ARTIKULS7"))] += g.asDouble(QStringLiteral("ATLIKUMS"));
}

void CatalogueExport::readGroupArticles()
{
    if (!options_.chkPrecGrupet7Artikuls)
        return;
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT N_KLPREC.ISN, N_KLPREC.ARTIKULS7, N_KLPREC.WWW_ARI0 FROM N_KLPREC, N_PRGRUP "
                                                     "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
                                          + sendableGoods() + QStringLiteral(" AND N_KLPREC.ARTIKULS7 IS NOT NULL ORDER BY N_KLPREC.ISN"));
    q.open();
    for (; !q.eof(); q.next()) {
        const QString key = articleKey(text(q, "ARTIKULS7"));
        if (!key.isEmpty() && !mainOfArticle_.contains(key))
            mainOfArticle_.insert(key, {q.asInt(QStringLiteral("ISN")), text(q, "WWW_ARI0")});
    }
}

bool CatalogueExport::skipped(double stock, const QString& wwwAri0) const
{
    return !options_.chkAtlik1UnVairak && wwwAri0.trimmed() != QLatin1String("T") && !(stock > 0);
}

int CatalogueExport::productOf(int isPrece, const QString& artikuls7, const QString& wwwAri0) const
{
    if (!options_.chkPrecGrupet7Artikuls)
        return skipped(stockByGood_.value(isPrece), wwwAri0) ? 0 : isPrece;
    const QString key = articleKey(artikuls7);
    const MainGood main = mainOfArticle_.value(key);
    if (key.isEmpty() || main.isn == 0 || skipped(groupStock(key), main.wwwAri0))
        return 0;
    return main.isn;
}

void CatalogueExport::emptyCatalogue()
{
    const char* const tables[] = {"manufacturer_to_store", "manufacturer", "category", "category_to_store", "category_description",
                                  "category_path", "product", "product_description", "product_to_category", "product_to_store",
                                  "product_image", "product_attribute", "filter", "filter_description", "category_filter",
                                  "product_filter", "product_option", "product_option_value", "option_value",
                                  "option_value_description"};
    for (const char* table : tables)
        execSql(shop_, QStringLiteral("DELETE FROM ") + QString::fromLatin1(table));
}

void CatalogueExport::deleteRows(const QString& table, const QString& keyColumn, const QList<int>& keys)
{
    for (qsizetype from = 0; from < keys.size(); from += ShopRowBatch::kRowsPerStatement) {
        const qsizetype count = std::min<qsizetype>(ShopRowBatch::kRowsPerStatement, keys.size() - from);
        QStringList names;
        for (qsizetype i = 0; i < count; ++i)
            names << QStringLiteral(":k%1").arg(i);
        SqlQuery d(shop_, QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)").arg(table, keyColumn, names.join(QStringLiteral(", "))));
        for (qsizetype i = 0; i < count; ++i)
            d.bind(QStringLiteral("k%1").arg(i), keys.at(from + i));
        d.exec();
    }
}

void CatalogueExport::WeightClasses()
{
    int last = 0;
    {
        SqlQuery q(shop_, QStringLiteral("SELECT weight_class_id, unit FROM weight_class_description ORDER BY weight_class_id"));
        q.open();
        for (; !q.eof(); q.next()) {
            const int id = q.asInt(QStringLiteral("weight_class_id"));
            const QString key = collationKey(text(q, "unit"));
            if (!weightClasses_.contains(key))
                weightClasses_.insert(key, id);
            last = std::max(last, id);
        }
        // An empty shop has none: the first class is 1.
        SqlQuery m(shop_, QStringLiteral("SELECT MAX(weight_class_id) FROM weight_class"));
        m.open();
        last = std::max(last, m.value(0).toInt());
    }
    // A class without a description in some language could not be found again.
    if (languages_.count() == 0)
        return;
    ShopRowBatch descriptions(QStringLiteral("weight_class_description"), {QStringLiteral("weight_class_id"), QStringLiteral("language_id"),
                                                                           QStringLiteral("title"), QStringLiteral("unit")});
    ShopRowBatch classes(QStringLiteral("weight_class"), {QStringLiteral("weight_class_id"), QStringLiteral("value")});
    SqlQuery u(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT DISTINCT N_KLPREC.MERVIENIBA FROM N_KLPREC, N_PRGRUP "
                                                     "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
                                          + sendableGoods());
    u.open();
    for (; !u.eof(); u.next()) {
        const QString unit = text(u, "MERVIENIBA").trimmed();
        if (unit.isEmpty())
            continue;
        const QString shortUnit = unit.left(4).trimmed();
        const QString key = collationKey(shortUnit);
        if (weightClasses_.contains(key))
            continue;
        const int id = ++last;
        weightClasses_.insert(key, id);
        for (int language : languages_.ids())
            descriptions.add({id, language, columnText(unit, 32), shortUnit});
        classes.add({id, 1});
    }
    ShopRowBatch::Reporting reporting;
    reporting.rowFailed = [this](const QString& error, const QVariantList& row) {
        const QString line = QStringLiteral("WWW Kļūda ievietojot tabulā weight_class : %1 (%2)").arg(error, row.at(0).toString());
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
    };
    descriptions.write(shop_, reporting);
    classes.write(shop_, reporting);
}

void CatalogueExport::Manufacturers()
{
    ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju ražotājus"));
    QSet<int> existing;
    {
        SqlQuery q(shop_, QStringLiteral("SELECT manufacturer_id FROM manufacturer"));
        q.open();
        for (; !q.eof(); q.next())
            existing.insert(q.asInt(QStringLiteral("manufacturer_id")));
    }
    ShopRowBatch makers(QStringLiteral("manufacturer"),
                        {QStringLiteral("manufacturer_id"), QStringLiteral("name"), QStringLiteral("image"), QStringLiteral("sort_order")});
    ShopRowBatch stores(QStringLiteral("manufacturer_to_store"), {QStringLiteral("manufacturer_id"), QStringLiteral("store_id")});
    SqlQuery m(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT DISTINCT N_KLPREC.ISPAPILDGRUP3, N_PAPILDGRUP3.GNOS RAZOTAJS FROM N_KLPREC, N_PRGRUP, N_PAPILDGRUP3 "
                              "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND N_KLPREC.ISPAPILDGRUP3 = N_PAPILDGRUP3.ISN AND ")
                   + sendableGoods() + QStringLiteral(" ORDER BY N_KLPREC.ISPAPILDGRUP3"));
    SqlQuery picture(ctx_.dati.PRECES_DB(),
                     QStringLiteral("SELECT N_PAPILDGRUP3.BILDE RAZOT_BILDE, N_PAPILDGRUP3.ISN FROM N_PAPILDGRUP3 WHERE ISN=:ISN"));
    m.open();
    for (; !m.eof(); m.next()) {
        const int id = m.asInt(QStringLiteral("ISPAPILDGRUP3"));
        if (existing.contains(id))
            continue;
        existing.insert(id);
        picture.bind(QStringLiteral("ISN"), id);
        picture.open();
        const QString image = pictures_->put(QStringLiteral("Razot_%1").arg(id), picture.value(QStringLiteral("RAZOT_BILDE")).toByteArray());
        makers.add({id, columnText(text(m, "RAZOTAJS"), 64), image, 0});
        stores.add({id, 0});
    }
    ShopRowBatch::Reporting reporting;
    reporting.rowFailed = [this](const QString& error, const QVariantList& row) {
        const QString line = QStringLiteral("WWW Kļūda ievietojot tabulā manufacturer : %1 (%2)").arg(error, row.at(0).toString());
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
    };
    makers.write(shop_, reporting);
    stores.write(shop_, reporting);
}

void CatalogueExport::Categories()
{
    ctx_.log.WriteLog(QStringLiteral("WWW Sūtu preču grupas"));
    {
        SqlQuery t(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN, ISPARENT, WEB_NESUTIT FROM N_PRGRUP"));
        t.open();
        for (; !t.eof(); t.next()) {
            const QString hidden = text(t, "WEB_NESUTIT").trimmed();
            tree_.add(t.asInt(QStringLiteral("ISN")), t.asInt(QStringLiteral("ISPARENT")), hidden.isEmpty() || hidden == QLatin1String("F"));
        }
    }
    ShopRowBatch categories(QStringLiteral("category"),
                            {QStringLiteral("category_id"), QStringLiteral("image"), QStringLiteral("parent_id"), QStringLiteral("top"),
                             QStringLiteral("column"), QStringLiteral("sort_order"), QStringLiteral("status"),
                             QStringLiteral("date_added"), QStringLiteral("date_modified"), QStringLiteral("thumbnail_image")});
    ShopRowBatch stores(QStringLiteral("category_to_store"), {QStringLiteral("category_id"), QStringLiteral("store_id")});
    ShopRowBatch descriptions(QStringLiteral("category_description"),
                              {QStringLiteral("category_id"), QStringLiteral("language_id"), QStringLiteral("name"),
                               QStringLiteral("description"), QStringLiteral("meta_title"), QStringLiteral("meta_description"),
                               QStringLiteral("meta_keyword")});
    ShopRowBatch paths(QStringLiteral("category_path"), {QStringLiteral("category_id"), QStringLiteral("path_id"), QStringLiteral("level")});
    SeoUrls seo(shop_);

    SqlQuery g(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT N_PRGRUP.ISN, N_PRGRUP.GNOS GRUPA, N_PRGRUP.GNOS2, N_PRGRUP.GNOS3, N_PRGRUP.GNOS4, N_PRGRUP.GNOS_RUS, "
                              "N_PRGRUP.BILDE GRUPAS_BILDE, N_PRGRUP.BILDESMALL, N_PRGRUP.ISPARENT, N_PRGRUP.GRUPKOD, N_PRGRUP.WWW_SEO, "
                              "N_PRGRUP.WWW_META_TITLE, N_PRGRUP.WWW_META_DESCRIPTION, N_PRGRUP.WWW_META_KEYWORD FROM N_PRGRUP "
                              "WHERE (N_PRGRUP.WEB_NESUTIT = 'F' OR N_PRGRUP.WEB_NESUTIT IS NULL) ")
                   + groupsChanged() + QStringLiteral(" ORDER BY N_PRGRUP.KODS, N_PRGRUP.ISN"));
    bindChanged(g);
    g.open();
    QList<int> changed;
    for (; !g.eof(); g.next()) {
        const int id = g.asInt(QStringLiteral("ISN"));
        changed << id;
        const QString image = pictures_->put(QStringLiteral("GRBILDE_%1").arg(id), g.value(QStringLiteral("GRUPAS_BILDE")).toByteArray());
        const QString small = pictures_->put(QStringLiteral("GRBILDESMALL_%1").arg(id), g.value(QStringLiteral("BILDESMALL")).toByteArray());
        const int parent = tree_.shopParent(id);
        categories.add({id, image, parent, parent == 0 ? 1 : 0, 1, sortOrder(text(g, "GRUPKOD")), 1, now_, now_, small});
        stores.add({id, 0});
        const QString main = text(g, "GRUPA");
        const QStringList names = {main, text(g, "GNOS2"), text(g, "GNOS3"), text(g, "GNOS4"), text(g, "GNOS_RUS")};
        for (int i = 0; i < languages_.count(); ++i) {
            QString name = languages_.name(i, names, main);
            if (options_.PrGrupaTrimKods)
                name = trimGroupCode(name);
            descriptions.add({id, languages_.ids().at(i), columnText(name, kNameLength), QString(), text(g, "WWW_META_TITLE"),
                              text(g, "WWW_META_DESCRIPTION"), text(g, "WWW_META_KEYWORD")});
        }
        const QString seoText = text(g, "WWW_SEO").trimmed().isEmpty()
                                    ? (options_.PrGrupaTrimKods ? trimGroupCode(main) : main)
                                    : text(g, "WWW_SEO");
        seo.set(QStringLiteral("category_id=%1").arg(id), seoKeyword(seoText));
    }

    // A group's path changes with those of its ancestors: the groups below a changed one
    // get theirs again too.
    const QSet<int> changedSet(changed.cbegin(), changed.cend());
    QList<int> pathGroups = incremental() ? tree_.withDescendants(changedSet).values() : changed;
    std::sort(pathGroups.begin(), pathGroups.end());
    if (incremental()) {
        deleteRows(QStringLiteral("category"), QStringLiteral("category_id"), changed);
        deleteRows(QStringLiteral("category_description"), QStringLiteral("category_id"), changed);
        deleteRows(QStringLiteral("category_to_store"), QStringLiteral("category_id"), changed);
        deleteRows(QStringLiteral("category_path"), QStringLiteral("category_id"), pathGroups);
    }
    for (int id : std::as_const(pathGroups)) {
        const QList<int> path = tree_.path(id);
        for (int level = 0; level < path.size(); ++level)
            paths.add({id, path.at(level), level});
    }

    auto shown = [this](const QString& table) {
        ShopRowBatch::Reporting r;
        r.rowFailed = [this, table](const QString& error, const QVariantList&) {
            const QString message = QStringLiteral("Kļūda ievietojot tabulā %1\n ").arg(table) + error;
            ctx_.dialogs.showMessage(message);
            ctx_.report.fail(message);
        };
        return r;
    };
    categories.write(shop_, shown(QStringLiteral("category")));
    stores.write(shop_, shown(QStringLiteral("category")));
    descriptions.write(shop_, shown(QStringLiteral("category_description")));
    paths.write(shop_, shown(QStringLiteral("category")));
    seo.write(nullptr);
}

void CatalogueExport::Products()
{
    const bool grouped = options_.chkPrecGrupet7Artikuls;
    // The price column: the level the order department sells at.
    SqlQuery d(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT CENKODS FROM N_DEPART WHERE ISN=:ISN"));
    d.bind(QStringLiteral("ISN"), settings_.E_SHOP_ISNODALA_IN);
    d.open();
    const int level = priceLevel(d.value(QStringLiteral("CENKODS")));
    const bool level11 = kPriceLevel11Companies.contains(ctx_.dati.ISIREGNR.trimmed());

    // quantity_decimal is the shop's addition to OpenCart: without it products go in without it.
    try {
        SqlQuery probe(shop_, QStringLiteral("SELECT quantity_decimal FROM product WHERE 1=0"));
        probe.open();
    } catch (const DbError& e) {
        quantityDecimalColumn_ = false;
        const QString message = QStringLiteral("Kļūda ievietojot tabulā product laukā quantity_decimal \n ") + e.message();
        ctx_.dialogs.showMessage(message);
        ctx_.report.fail(message);
    }

    const QString where = QStringLiteral(" FROM N_KLPREC, N_PRGRUP WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ") + sendableGoods()
                          + (grouped ? QStringLiteral(" AND N_KLPREC.ARTIKULS7 <> ''") : QString()) + goodsChanged();
    SqlQuery countQuery(ctx_.dati.PRECES_DB(),
                        (grouped ? QStringLiteral("SELECT COUNT(DISTINCT N_KLPREC.ARTIKULS7) N") : QStringLiteral("SELECT COUNT(*) N")) + where);
    bindChanged(countQuery);
    countQuery.open();
    const int count = countQuery.asInt(QStringLiteral("N"));

    QString pictures = QStringLiteral("N_KLPREC.BILDE IS NULL");
    for (int n = 2; n <= 10; ++n)
        pictures += QStringLiteral(" AND N_KLPREC.BILDE%1 IS NULL").arg(n);
    SqlQuery g(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT N_KLPREC.ISN, N_KLPREC.ISPRGRUPA, N_KLPREC.GNOS PRECE, N_KLPREC.INOS PRECE_INOS, N_KLPREC.GNOS2, "
                              "N_KLPREC.GNOS3, N_KLPREC.GNOS4, N_KLPREC.GNOS_RUS, N_KLPREC.PARDCENA%1 PARDCENA, N_KLPREC.PARDCENA11, "
                              "N_KLPREC.ARTIKULS, N_KLPREC.ARTIKULS2, N_KLPREC.ARTIKULS3, N_KLPREC.ARTIKULS4, N_KLPREC.ARTIKULS5, "
                              "N_KLPREC.ARTIKULS6, N_KLPREC.ARTIKULS7, N_KLPREC.ARTIKULI_N, N_KLPREC.WWW_COMENT, N_KLPREC.WWW_COMENT2, "
                              "N_KLPREC.WWW_COMENT3, N_KLPREC.WWW_COMENT4, N_KLPREC.WWW_ARI0, N_KLPREC.WWW_COMENT_RUS, "
                              "N_KLPREC.MERVIENIBA, N_KLPREC.LITRAZA, N_KLPREC.ISPAPILDGRUP3, N_KLPREC.ISPRGRUPAVEL, N_KLPREC.WWW_SEO, "
                              "N_KLPREC.WWW_META_DESCRIPTION, N_KLPREC.WWW_META_KEYWORD, N_KLPREC.WEB_NEW, N_KLPREC.WEB_NEW_DATLIDZ, "
                              "N_KLPREC.GABALPRECE, N_KLPREC.EXPSVARI, N_KLPREC.WWW_MINIMUMS, IIF(%2, 0, 1) PICTURES")
                       .arg(level)
                       .arg(pictures)
                   + where + (grouped ? QStringLiteral(" ORDER BY N_KLPREC.ARTIKULS7, N_KLPREC.ISN") : QStringLiteral(" ORDER BY N_KLPREC.ISN")));
    bindChanged(g);
    QString pictureColumns = QStringLiteral("BILDE");
    for (int n = 2; n <= 10; ++n)
        pictureColumns += QStringLiteral(", BILDE%1").arg(n);
    SqlQuery pictureQuery(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT %1 FROM N_KLPREC WHERE ISN=:ISN").arg(pictureColumns));

    QStringList productColumns = {QStringLiteral("product_id"), QStringLiteral("model"), QStringLiteral("sku"), QStringLiteral("upc"),
                                  QStringLiteral("ean"), QStringLiteral("jan"), QStringLiteral("isbn"), QStringLiteral("mpn"),
                                  QStringLiteral("location"), QStringLiteral("quantity"), QStringLiteral("stock_status_id"),
                                  QStringLiteral("image"), QStringLiteral("manufacturer_id"), QStringLiteral("price"),
                                  QStringLiteral("tax_class_id"), QStringLiteral("date_available"), QStringLiteral("weight"),
                                  QStringLiteral("weight_class_id"), QStringLiteral("minimum"), QStringLiteral("status"),
                                  QStringLiteral("date_added"), QStringLiteral("date_modified")};
    if (quantityDecimalColumn_)
        productColumns << QStringLiteral("quantity_decimal");
    ShopRowBatch products(QStringLiteral("product"), productColumns);
    ShopRowBatch productCategories(QStringLiteral("product_to_category"), {QStringLiteral("product_id"), QStringLiteral("category_id")});
    ShopRowBatch productStores(QStringLiteral("product_to_store"), {QStringLiteral("product_id"), QStringLiteral("store_id")});
    ShopRowBatch descriptions(QStringLiteral("product_description"),
                              {QStringLiteral("product_id"), QStringLiteral("language_id"), QStringLiteral("name"),
                               QStringLiteral("description"), QStringLiteral("meta_title"), QStringLiteral("tag"),
                               QStringLiteral("meta_description"), QStringLiteral("meta_keyword")});
    ShopRowBatch images(QStringLiteral("product_image"), {QStringLiteral("product_id"), QStringLiteral("image"), QStringLiteral("sort_order")});
    SeoUrls seo(shop_);
    int seoRows = 0;
    QList<int> sent;

    g.open();
    QString lastArticle;
    int i = 0;
    for (; !g.eof(); g.next()) {
        // With grouping the group's first good (its smallest key) stands for the product.
        if (grouped) {
            const QString article = articleKey(text(g, "ARTIKULS7"));
            if (i > 0 && article == lastArticle)
                continue;
            lastArticle = article;
        }
        ++i;
        if (progressDue(i))
            ctx_.log.WriteLog(QStringLiteral("WWW Sūtu preces %1/%2").arg(i).arg(count), true);
        const int id = g.asInt(QStringLiteral("ISN"));
        const double stock = grouped ? groupStock(lastArticle) : stockByGood_.value(id);
        if (skipped(stock, text(g, "WWW_ARI0")))
            continue;
        sent << id;

        QString image;
        if (g.asInt(QStringLiteral("PICTURES")) != 0) {
            pictureQuery.bind(QStringLiteral("ISN"), id);
            pictureQuery.open();
            QList<QByteArray> data;
            bool uploads = false;
            for (int n = 0; n < 10; ++n) {
                data << pictureQuery.value(n).toByteArray();
                const QString base = n == 0 ? QStringLiteral("BILDE_%1").arg(id) : QStringLiteral("BILDE_%1_%2").arg(id).arg(n + 1);
                uploads = uploads || (!data.last().isEmpty() && pictures_->needsUpload(PictureUploader::fileName(base, data.last())));
            }
            if (uploads)
                pictures_->dropCachedCopies(id);
            image = pictures_->put(QStringLiteral("BILDE_%1").arg(id), data.at(0));
            for (int n = 2; n <= 10; ++n) {
                const QString column = pictures_->put(QStringLiteral("BILDE_%1_%2").arg(id).arg(n), data.at(n - 1));
                if (!column.isEmpty())
                    images.add({id, column, n});
            }
        }

        const QString model = grouped ? text(g, "ARTIKULS7") : text(g, "ARTIKULS");
        const QString unit = text(g, "MERVIENIBA").trimmed();
        QVariantList row = {id,
                            model,
                            QString(), QString(), QString(), QString(), QString(), QString(), QString(),
                            options_.chkAtlik1UnVairak && stock <= 1 ? 1.0 : stock,
                            6,
                            image,
                            g.asInt(QStringLiteral("ISPAPILDGRUP3")),
                            level11 ? g.asDouble(QStringLiteral("PARDCENA11")) : g.asDouble(QStringLiteral("PARDCENA")),
                            0,
                            now_.date(),
                            g.asDouble(QStringLiteral("LITRAZA")),
                            unit.isEmpty() ? 0 : weightClasses_.value(collationKey(unit.left(4).trimmed())),
                            minimumQuantity(g.value(QStringLiteral("WWW_MINIMUMS"))),
                            1,
                            dateAdded(text(g, "WEB_NEW"), g.asDateTime(QStringLiteral("WEB_NEW_DATLIDZ")).date()),
                            now_};
        if (quantityDecimalColumn_)
            row << (quantityDecimal(text(g, "EXPSVARI"), text(g, "GABALPRECE")) ? 1 : 0);
        products.add(std::move(row));

        const int mainGroup = g.asInt(QStringLiteral("ISPRGRUPA"));
        if (mainGroup > 0)
            productCategories.add({id, mainGroup});
        for (int extra : extraGroups(text(g, "ISPRGRUPAVEL"), mainGroup))
            productCategories.add({id, extra});
        productStores.add({id, 0});

        const QString prece = text(g, "PRECE");
        const QString inos = text(g, "PRECE_INOS");
        const QString mainName = options_.PrInos && !inos.trimmed().isEmpty() ? inos : prece;
        const QStringList names = {prece, text(g, "GNOS2"), text(g, "GNOS3"), text(g, "GNOS4"), text(g, "GNOS_RUS")};
        const QStringList comments = {text(g, "WWW_COMENT"), text(g, "WWW_COMENT2"), text(g, "WWW_COMENT3"), text(g, "WWW_COMENT4"),
                                      text(g, "WWW_COMENT_RUS")};
        const QString tag = tagText({text(g, "ARTIKULS"), text(g, "ARTIKULS2"), text(g, "ARTIKULS3"), text(g, "ARTIKULS4"),
                                     text(g, "ARTIKULS5"), text(g, "ARTIKULS6"), text(g, "ARTIKULS7"), text(g, "ARTIKULI_N")});
        for (int l = 0; l < languages_.count(); ++l) {
            const QString name = columnText(languages_.name(l, names, mainName), kNameLength);
            // The text passes as it stands: the host is Unicode throughout (XML_UTF8 or not).
            descriptions.add({id, languages_.ids().at(l), name, languages_.description(l, comments), name, tag,
                              text(g, "WWW_META_DESCRIPTION"), text(g, "WWW_META_KEYWORD")});
        }
        const QString ownSeo = text(g, "WWW_SEO");
        const QString keyword = seoKeyword(ownSeo.trimmed().isEmpty() ? productSeoText(prece, inos, model) : ownSeo);
        if (!keyword.isEmpty()) {
            seo.set(QStringLiteral("product_id=%1").arg(id), keyword);
            ++seoRows;
        }
    }

    if (incremental()) {
        for (const char* table : {"product", "product_description", "product_to_category", "product_to_store", "product_attribute",
                                  "product_image"})
            deleteRows(QString::fromLatin1(table), QStringLiteral("product_id"), sent);
    }

    auto logged = [this](const QString& table, const QString& progress) {
        ShopRowBatch::Reporting r;
        r.log = &ctx_.log;
        r.progress = progress;
        r.rowFailed = [this, table](const QString& error, const QVariantList& row) {
            const QString line = QStringLiteral("WWW Kļūda ievietojot tabulā %1 : %2 (product_id=%3)").arg(table, error, row.at(0).toString());
            ctx_.log.WriteLog(line);
            ctx_.report.fail(line);
        };
        return r;
    };
    ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju preču datus tabulās..."));
    const int written = products.write(shop_, logged(QStringLiteral("Product"), QStringLiteral("WWW Ievietoju Product tabulā: ")));
    productCategories.write(shop_, logged(QStringLiteral("ProductToCategory"), {}));
    productStores.write(shop_, logged(QStringLiteral("ProductToStore"), {}));

    ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju ProductDescription ..."));
    ShopRowBatch::Reporting describing = logged(QStringLiteral("ProductDescription"), QStringLiteral("WWW Ievietoju ProductDescription tabulā: "));
    describing.batchFailed = [this](const QString& error) {
        ctx_.log.WriteLog(QStringLiteral("WWW Kļūda ievietojot tabulā ProductDescription : ") + error);
    };
    descriptions.write(shop_, describing);

    ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju attēlus..."));
    images.write(shop_, logged(QStringLiteral("Image"), QStringLiteral("WWW Ievietoju Image tabulā: ")));

    ctx_.log.WriteLog(QStringLiteral("WWW Ievietoju SEO..."));
    if (seoRows == 0)
        ctx_.log.WriteLog(QStringLiteral("WWW Nav SEO datu"));
    else
        seo.write(&ctx_.log);
    ctx_.report.moved(written);
}
