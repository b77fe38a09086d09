#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

class Log;

// The shop's SEO addresses (seo_url) of categories and products. What the table holds is
// read once; a query it lacks gets a new row (language 1, store 0), a query whose keyword
// changed has all its rows updated, and an unchanged one is left alone. Both are written
// 500 at a time, every value bound.
class SeoUrls {
public:
    explicit SeoUrls(const QSqlDatabase& db);

    // keyword: the text already made into a keyword; an empty one gives no address.
    void set(const QString& query, const QString& keyword);
    bool isEmpty() const { return inserts_.isEmpty() && updates_.isEmpty(); }

    // Writes and forgets what was set. With log, each batch logs "WWW Ievietoju SEO tabulā: "
    // or "WWW Apdeitoju SEO tabulā: " and its counters.
    void write(Log* log);

private:
    void writeUpdates(Log* log);

    QSqlDatabase db_;
    // query -> keyword of its rows; a null text when its rows differ among themselves
    QHash<QString, QString> stored_;
    QList<QPair<QString, QString>> inserts_;
    QList<QPair<QString, QString>> updates_;
};
