#pragma once

#include "WebShopFixture.h"

#include <QDir>
#include <functional>
#include <memory>

// The catalogue export on a real goods database, shop database and FTPS server: helpers
// for the goods-database rows it reads and the shop rows it writes.
class CatalogueFixture : public WebShopFixture {
protected:
    static inline const QByteArray kJpg = QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\r\n\x00\x1A\r\n\xFF\xD9", 20);
    static inline const QByteArray kPng = QByteArray("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR\r\n\x00", 20);

    bool utf8Goods = false;  // a UTF8 goods database (Cyrillic names)

    void SetUp() override
    {
        WebShopFixture::SetUp();
        if (utf8Goods) {
            goods = std::make_unique<GoodsDb>(GoodsDb::Charset::Utf8);
            shopSettings();
        }
        QDir(ftp->root()).removeRecursively();
        QDir().mkpath(ftp->root());
        languages({1, 2});
        department(2, "Noliktava", 0);
        department(5, "Internets", 0);
        shopSettings({{"WWW_KODS_GNOS", 1}, {"WWW_KODS_GNOS2", 2}});
        options({{"ExpTips", 2}, {"chkPreces", "true"}, {"PrecesAllNew", 0}});
    }

    // A row of the goods database; a QByteArray value goes into a BLOB as it is.
    void row(const QString& table, const QVariantHash& values)
    {
        QStringList columns, names;
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            columns << it.key();
            names << ":" + it.key();
        }
        goods->exec("INSERT INTO " + table + " (" + columns.join(", ") + ") VALUES (" + names.join(", ") + ")", values);
    }
    void category(int isn, const QString& name, int parent = 0, const QVariantHash& more = {})
    {
        QVariantHash v = {{"ISN", isn}, {"GNOS", name}, {"ISPARENT", parent}, {"WEB_NESUTIT", "F"}, {"KODS", QString::number(isn)}};
        v.insert(more);
        row("N_PRGRUP", v);
    }
    // A good in group grp with stock in department 2.
    void item(int isn, int grp, double stockQuantity, const QVariantHash& more = {})
    {
        QVariantHash v = {{"ISN", isn}, {"ISPRGRUPA", grp}, {"GNOS", QString("Prece %1").arg(isn)},
                          {"ARTIKULS", QString::number(100000 + isn)}, {"PARDCENA1", 1.5}, {"WEB_NESUTIT", "F"}};
        v.insert(more);
        row("N_KLPREC", v);
        if (stockQuantity != 0)
            stock(isn, 2, stockQuantity);
    }

    // The lists entry with the catalogue only, as the timer runs it.
    void runCatalogue()
    {
        if (!web)
            connect();
        ASSERT_TRUE(web->SendKlasif());
    }
    // Changes to the goods database after connect(): written in the host's transaction and kept.
    void change(const QString& sql, const QVariantHash& params = {})
    {
        execSql(dati->PRECES_DB(), sql, params);
        dati->CommitRetaining();
    }

    // Runs action once, when the run logs a line containing text.
    void onLine(const QString& text, std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(&log, &ProcessLog::lastLineChanged, [this, text, action, done] {
            if (!*done && log.lines().last().contains(text)) {
                *done = true;
                action();
            }
        });
    }
    void setRunMark(const QString& value)
    {
        RegistryKey key(*registry);
        key.OpenKey("AutoProcess_WWWExp", true);
        key.WriteString("LastPrecesOC_3", value);
    }

    QVariant shopValue(const QString& sql, const QVariantHash& params = {}) { return shop->scalar(sql, params); }
    int rows(const QString& table, const QString& where = {}) { return shop->count(table, where); }

    // Every catalogue table and its row count.
    QMap<QString, int> catalogueCounts()
    {
        QMap<QString, int> counts;
        for (const char* t : {"manufacturer", "manufacturer_to_store", "category", "category_to_store", "category_description",
                              "category_path", "product", "product_description", "product_to_category", "product_to_store",
                              "product_image", "product_attribute", "filter", "filter_description", "category_filter",
                              "product_filter", "`option`", "option_description", "option_value", "option_value_description",
                              "product_option", "product_option_value", "seo_url", "weight_class", "weight_class_description"})
            counts.insert(t, rows(t));
        return counts;
    }
};
