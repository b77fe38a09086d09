#include "WebCustomerIndex.h"

#include "WebShopText.h"
#include "db/SqlQuery.h"

#include <QRegularExpression>

namespace {

// The goods database compares texts without their trailing blanks.
bool sameText(const QString& a, const QString& b)
{
    qsizetype na = a.size(), nb = b.size();
    while (na > 0 && a.at(na - 1) == QLatin1Char(' '))
        --na;
    while (nb > 0 && b.at(nb - 1) == QLatin1Char(' '))
        --nb;
    return QStringView(a).left(na) == QStringView(b).left(nb);
}

}  // namespace

void WebCustomerIndex::load(FbDatabase& db)
{
    branches_.clear();
    subscribers_.clear();
    SqlQuery b(db, QStringLiteral("SELECT ISN, ISKLIENT, E_MAIL1, ADRESE, WEB_FIRSTNAME, WEB_LASTNAME, ISNODALA_WWW "
                                  "FROM N_KL_STRV WHERE E_MAIL1 IS NOT NULL ORDER BY ISN"));
    b.open();
    for (; !b.eof(); b.next()) {
        const QString key = WebShopText::emailKey(b.asString(QStringLiteral("E_MAIL1")));
        if (key.isEmpty())
            continue;
        branches_[key].append({b.asInt(QStringLiteral("ISN")), b.asInt(QStringLiteral("ISKLIENT")),
                               b.asInt(QStringLiteral("ISNODALA_WWW")), b.asString(QStringLiteral("ADRESE")),
                               b.asString(QStringLiteral("WEB_FIRSTNAME")), b.asString(QStringLiteral("WEB_LASTNAME"))});
    }
    SqlQuery c(db, QStringLiteral("SELECT ISN, SUBSCRIBE_MAIL FROM N_KLIENT WHERE SUBSCRIBE_MAIL IS NOT NULL ORDER BY ISN"));
    c.open();
    for (; !c.eof(); c.next()) {
        const QString key = WebShopText::emailKey(c.asString(QStringLiteral("SUBSCRIBE_MAIL")));
        if (!key.isEmpty() && !subscribers_.contains(key))
            subscribers_.insert(key, c.asInt(QStringLiteral("ISN")));
    }
}

int WebCustomerIndex::customerOf(const QString& email) const
{
    const QString key = WebShopText::emailKey(email);
    if (key.isEmpty())
        return 0;
    if (const WebBranch* b = firstBranch(email))
        return b->isKlient;
    return subscribers_.value(key);
}

const WebBranch* WebCustomerIndex::branchAt(const QString& email, const QString& adrese) const
{
    const auto it = branches_.constFind(WebShopText::emailKey(email));
    if (it == branches_.constEnd())
        return nullptr;
    for (const WebBranch& b : it.value())
        if (sameText(b.adrese, adrese))
            return &b;
    return nullptr;
}

const WebBranch* WebCustomerIndex::firstBranch(const QString& email) const
{
    const auto it = branches_.constFind(WebShopText::emailKey(email));
    return it == branches_.constEnd() || it.value().isEmpty() ? nullptr : &it.value().first();
}

bool WebCustomerIndex::hasBranch(int isKlient, const QString& email, const QString& firstName, const QString& lastName,
                                 const QString& adrese) const
{
    const auto it = branches_.constFind(WebShopText::emailKey(email));
    if (it == branches_.constEnd())
        return false;
    for (const WebBranch& b : it.value())
        if (b.isKlient == isKlient && sameText(b.firstName, firstName) && sameText(b.lastName, lastName)
            && sameText(b.adrese, adrese))
            return true;
    return false;
}

void WebCustomerIndex::addCustomer(const QString& email, int isKlient)
{
    const QString key = WebShopText::emailKey(email);
    if (!key.isEmpty() && !subscribers_.contains(key))
        subscribers_.insert(key, isKlient);
}

void WebCustomerIndex::addBranch(const QString& email, const WebBranch& branch)
{
    const QString key = WebShopText::emailKey(email);
    if (!key.isEmpty())
        branches_[key].append(branch);
}

QList<int> ZoneDepartments::zones(const QString& list)
{
    QList<int> out;
    static const QRegularExpression separators(QStringLiteral("[|,;\\s]+"));
    for (const QString& item : list.split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const int zone = item.toInt(&ok);
        if (ok && zone > 0)
            out << zone;
    }
    return out;
}

void ZoneDepartments::load(FbDatabase& db)
{
    departments_.clear();
    SqlQuery q(db, QStringLiteral("SELECT ISN, WEB_ZONE_ID FROM N_DEPART WHERE WEB_ZONE_ID IS NOT NULL ORDER BY ISN"));
    q.open();
    for (; !q.eof(); q.next())
        for (int zone : zones(q.asString(QStringLiteral("WEB_ZONE_ID"))))
            if (!departments_.contains(zone))
                departments_.insert(zone, q.asInt(QStringLiteral("ISN")));
}
