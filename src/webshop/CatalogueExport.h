#pragma once

#include "CatalogueLanguages.h"
#include "CategoryTree.h"
#include "WebShopSettings.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <memory>

struct ExchangeContext;
class PictureUploader;
class SqlQuery;
class WebShopConnection;

// SendPrecesOC_3_FD: the goods catalogue of the goods database into the shop database:
// weight classes, manufacturers, categories, products with their descriptions, categories,
// pictures and SEO addresses, then filters and attributes, then options. The shop's keys
// are the goods database's keys. PrecesAllNew 0 empties the catalogue and sends it whole;
// otherwise only what changed since the run mark LastPrecesOC_3 is sent, each item
// replacing its earlier rows. All shop writes of a run are one transaction: the shop shows
// the old catalogue until the new one is complete, and a run that fails changes nothing
// there (pictures already uploaded stay).
class CatalogueExport {
public:
    CatalogueExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                    const WebShopOptions& options);
    ~CatalogueExport();

    void run();

    static constexpr const char* kRunMark = "LastPrecesOC_3";

private:
    bool connectPictures();
    QDateTime readRunMark() const;
    void writeRunMark(const QDateTime& moment);
    void readLanguages();
    void readStock();
    void readGroupArticles();
    // Full mode: the catalogue tables are emptied first.
    void emptyCatalogue();
    void WeightClasses();
    void Manufacturers();
    void Categories();
    void Products();
    void deleteRows(const QString& table, const QString& keyColumn, const QList<int>& keys);

    // The shop product of a good, 0 when it is not sent this run.
    int productOf(int isPrece, const QString& artikuls7, const QString& wwwAri0) const;
    bool skipped(double stock, const QString& wwwAri0) const;
    double groupStock(const QString& article) const { return stockByArticle_.value(article); }

    // "(:NOD0, :NOD1, ...)" with the stock departments bound by name.
    QString departmentList() const;
    void bindDepartments(SqlQuery& q) const;
    // The goods selection's change condition, bound by bindChanged.
    QString goodsChanged() const;
    QString groupsChanged() const;
    void bindChanged(SqlQuery& q) const;
    bool incremental() const { return options_.PrecesAllNew != 0; }
    bool everythingChanged() const;

    ExchangeContext& ctx_;
    WebShopConnection& shopConnection_;
    const ShopSettings& settings_;
    const WebShopOptions& options_;
    QSqlDatabase shop_;
    std::unique_ptr<PictureUploader> pictures_;
    QList<int> departments_;
    QDateTime mark_;
    QDateTime now_;
    CatalogueLanguages languages_;
    CategoryTree tree_;
    QHash<int, double> stockByGood_;
    QHash<QString, double> stockByArticle_;
    struct MainGood {
        int isn = 0;
        QString wwwAri0;
    };
    QHash<QString, MainGood> mainOfArticle_;  // grouping: the product of each group article
    QHash<QString, int> weightClasses_;       // collation key of the unit -> weight_class_id
    bool quantityDecimalColumn_ = true;
};
