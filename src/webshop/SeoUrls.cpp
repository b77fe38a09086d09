#include "SeoUrls.h"

#include "CatalogueText.h"
#include "ShopRowBatch.h"
#include "db/SqlQuery.h"
#include "platform/Log.h"

#include <memory>

namespace {

constexpr int kKeywordLength = 255;

}  // namespace

SeoUrls::SeoUrls(const QSqlDatabase& db) : db_(db)
{
    SqlQuery q(db_, QStringLiteral("SELECT query, keyword FROM seo_url WHERE query LIKE 'product\\_id=%' OR query LIKE 'category\\_id=%'"));
    q.open();
    for (; !q.eof(); q.next()) {
        const QString query = q.asString(QStringLiteral("query"));
        const QString keyword = q.asString(QStringLiteral("keyword"));
        const auto it = stored_.constFind(query);
        if (it == stored_.constEnd())
            stored_.insert(query, keyword);
        else if (!it->isNull() && *it != keyword)
            stored_.insert(query, QString());
    }
}

void SeoUrls::set(const QString& query, const QString& keyword)
{
    const QString k = CatalogueText::columnText(keyword, kKeywordLength);
    if (k.isEmpty())
        return;
    const auto it = stored_.constFind(query);
    if (it == stored_.constEnd())
        inserts_.append({query, k});
    else if (it->isNull() || *it != k)
        updates_.append({query, k});
    else
        return;
    stored_.insert(query, k);
}

void SeoUrls::write(Log* log)
{
    ShopRowBatch rows(QStringLiteral("seo_url"),
                      {QStringLiteral("store_id"), QStringLiteral("language_id"), QStringLiteral("query"), QStringLiteral("keyword")});
    for (const auto& i : std::as_const(inserts_))
        rows.add({0, 1, i.first, i.second});
    inserts_.clear();
    ShopRowBatch::Reporting reporting;
    reporting.log = log;
    if (log) {
        reporting.progress = QStringLiteral("WWW Ievietoju SEO tabulā: ");
        reporting.rowFailed = [log](const QString& error, const QVariantList& row) {
            log->WriteLog(QStringLiteral("WWW Kļūda ievietojot tabulā SEO : ") + error + QStringLiteral(" (")
                          + row.at(2).toString() + QLatin1Char(')'));
        };
    }
    rows.write(db_, reporting);
    writeUpdates(log);
}

void SeoUrls::writeUpdates(Log* log)
{
    const int total = int(updates_.size());
    const int batches = (total + ShopRowBatch::kRowsPerStatement - 1) / ShopRowBatch::kRowsPerStatement;
    std::unique_ptr<SqlQuery> full;
    for (int b = 0; b < batches; ++b) {
        const int from = b * ShopRowBatch::kRowsPerStatement;
        const int count = std::min(ShopRowBatch::kRowsPerStatement, total - from);
        if (log)
            log->WriteLog(QStringLiteral("WWW Apdeitoju SEO tabulā: %1 no %2; Paka: %3").arg(b + 1).arg(batches).arg(count));
        // Every row of a query takes the new keyword, as one UPDATE per query would do.
        QString cases, list;
        for (int r = 0; r < count; ++r) {
            cases += QStringLiteral(" WHEN :q%1 THEN :k%1").arg(r);
            list += (r ? QStringLiteral(", :w%1") : QStringLiteral(":w%1")).arg(r);
        }
        const QString sql = QStringLiteral("UPDATE seo_url SET keyword = CASE query") + cases
                            + QStringLiteral(" ELSE keyword END WHERE query IN (") + list + QLatin1Char(')');
        std::unique_ptr<SqlQuery> shorter;
        SqlQuery* q;
        if (count == ShopRowBatch::kRowsPerStatement) {
            if (!full)
                full = std::make_unique<SqlQuery>(db_, sql);
            q = full.get();
        } else {
            shorter = std::make_unique<SqlQuery>(db_, sql);
            q = shorter.get();
        }
        for (int r = 0; r < count; ++r) {
            const auto& u = updates_.at(from + r);
            q->bind(QStringLiteral("q%1").arg(r), u.first);
            q->bind(QStringLiteral("k%1").arg(r), u.second);
            q->bind(QStringLiteral("w%1").arg(r), u.first);
        }
        q->exec();
    }
    updates_.clear();
}
