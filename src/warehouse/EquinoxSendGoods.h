#pragma once

#include "EquinoxConnection.h"

#include <QDateTime>

class EquinoxXmlFile;
class SqlQuery;
struct ExchangeContext;

// Goods groups, tare and goods to the warehouse: "article_groups.XML", "tare.XML", the goods
// in files of 999 ("articles1.XML", "articles2.XML", ...) and the rest in "articles.XML".
// With TikaiLabotasPreces only what was edited on or after the day of the last export goes;
// that day (LastPrecesFTP) moves only when every file arrived.
class EquinoxSendGoods {
public:
    EquinoxSendGoods(ExchangeContext& context, EquinoxLogin login, bool onlyChanged);

    // False when the settings check stopped it or a file did not arrive.
    bool run();

    // The goods columns an article is written from, one key (:ISN) at a time.
    static const char* articleSql();
    // A number as stored: the text DateText::floatText gives, sooner for the usual values.
    static QString numberText(double value);
    // One article element from a row of articleSql().
    static void writeArticle(EquinoxXmlFile& file, const SqlQuery& row);

private:
    QByteArray groups();
    // The keys of the tare or of the other goods, oldest first.
    QList<int> goodsKeys(bool tare, const QDateTime& since);
    QDateTime lastExport();

    ExchangeContext& context_;
    EquinoxConnection connection_;
    bool onlyChanged_;
};
