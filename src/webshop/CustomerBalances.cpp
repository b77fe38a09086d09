#include "CustomerBalances.h"

#include "Kopklbilance.h"
#include "WebShopConnection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QRegularExpression>
#include <limits>

CustomerBalances::CustomerBalances(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings)
    : ctx_(context), shop_(shop), settings_(settings)
{
}

int CustomerBalances::shopCustomerId(const QString& idKods)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(idKods).hasMatch())
        return 0;
    bool ok = false;
    const qlonglong id = idKods.toLongLong(&ok);
    return ok && id <= std::numeric_limits<int>::max() ? int(id) : 0;
}

void CustomerBalances::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return;
    ctx_.log.WriteLog(QStringLiteral("Sāk SendKlAtlikumiOC_3FD ..."));
    SqlQuery customers(ctx_.dati.PRECES_DB(),
                       QStringLiteral("SELECT N_KLIENT.ISN, N_KLIENT.IDKODS FROM N_KLIENT WHERE N_KLIENT.E_KLIENTS='T' AND "
                                      "N_KLIENT.IDKODS!='' AND N_KLIENT.IDKODS IS NOT NULL AND N_KLIENT.IDKODS SIMILAR TO '[0-9]+' "
                                      "ORDER BY N_KLIENT.ISN"));
    customers.open();
    const int count = customers.rowCount();
    const QDate today = ctx_.clock.now().date();
    try {
        QSqlDatabase shop = shop_.database();
        // Every "Atlikums" row, whatever its order: the shop adds up all of them.
        SqlQuery find(shop, QStringLiteral("SELECT customer_transaction_id FROM customer_transaction WHERE customer_id=:customer_id "
                                           "AND description='Atlikums' ORDER BY customer_transaction_id"));
        // All but the one kept: the other transactions and any second "Atlikums".
        SqlQuery remove(shop, QStringLiteral("DELETE FROM customer_transaction WHERE customer_id=:customer_id "
                                             "AND customer_transaction_id<>:keep"));
        SqlQuery update(shop, QStringLiteral("UPDATE customer_transaction SET amount=:amount, order_id=0 "
                                             "WHERE customer_transaction_id=:customer_transaction_id"));
        SqlQuery insert(shop, QStringLiteral("INSERT INTO customer_transaction (customer_id, order_id, description, amount, date_added) "
                                             "VALUES (:customer_id, 0, 'Atlikums', :amount, :datums)"));
        int i = 1;
        int sent = 0;
        for (; !customers.eof(); customers.next(), ++i) {
            if (i == 1 || i % 1000 == 0)
                ctx_.log.WriteLog(QStringLiteral("WWW Klientu atlikumi %1/%2").arg(i).arg(count), true);
            const QString idKods = customers.asString(QStringLiteral("IDKODS")).trimmed();
            const int customerId = shopCustomerId(idKods);
            if (customerId == 0) {
                // Guests share the code 0 and have no account to show a balance in.
                if (idKods.count(QLatin1Char('0')) != idKods.size())
                    ctx_.log.WriteLog(QStringLiteral("WWW Klienta kods %1 nav veikala klienta numurs, atlikums nav sūtīts").arg(idKods));
                continue;
            }
            const double amount = roundMoney(-Kopklbilance(ctx_.dati, customers.asInt(QStringLiteral("ISN")), false, false, today, {}));
            find.bind(QStringLiteral("customer_id"), customerId);
            find.open();
            const int keep = find.isEmpty() ? 0 : find.asInt(QStringLiteral("customer_transaction_id"));
            remove.bind(QStringLiteral("customer_id"), customerId).bind(QStringLiteral("keep"), keep);
            remove.exec();
            if (keep != 0) {
                update.bind(QStringLiteral("amount"), amount).bind(QStringLiteral("customer_transaction_id"), keep);
                update.exec();
            } else {
                insert.bind(QStringLiteral("customer_id"), customerId).bind(QStringLiteral("amount"), amount)
                    .bind(QStringLiteral("datums"), today);
                insert.exec();
            }
            ++sent;
        }
        ctx_.report.moved(sent);
    } catch (...) {
        // The server may have gone away: the next run connects and tests afresh.
        shop_.drop();
        throw;
    }
    ctx_.log.WriteLog(QStringLiteral("Beidz SendKlAtlikumiOC_3FD"));
}
