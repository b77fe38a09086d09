#include "D365Prices.h"

#include "D365Connection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

namespace {

const char* const kPriceLookup =
    "SELECT ISN, ARTIKULS, GNOS, PARDCENA1, PARDCENA2, PARDCENA3, PARDCENA4, PARDCENA5, PARDCENA6, PARDCENA7, "
    "PARDCENA8, PARDCENA9, PARDCENA10, PARDCENA11, PARDCENA12, PARDCENA13, PARDCENA14, PARDCENA15, PARDCENA16, "
    "NODOKLIS, NET_CENA, NETCENAALGORITM FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS5";

// The labels too, so that clearing labels that are already empty writes nothing.
const char* const kPromoLookup =
    "SELECT ISN, ARTIKULS, GNOS, PARDCENA1, PARDCENA2, PARDCENA3, PARDCENA4, PARDCENA5, PARDCENA6, PARDCENA7, "
    "PARDCENA8, PARDCENA9, PARDCENA10, PARDCENA11, PARDCENA12, PARDCENA13, PARDCENA14, PARDCENA15, PARDCENA16, "
    "NODOKLIS, NET_CENA, NETCENAALGORITM, FIELD3, FIELD4, FIELD5, FIELD6 FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS5";

const char* const kPurchLookup =
    "SELECT ISN, ARTIKULS, GNOS, NEWIEPCENA, NEWIEPCENA2, PARDCENA3, PARDCENA4, PARDCENA6, PARDCENA7, NODOKLIS, "
    "NETCENAALGORITM FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS5";

const QString kRecalcNote = QStringLiteral(
    "Mainot 1. jauno iep.cenu pārrēķināt 1. un 5. pārdošanas cenu, NET cenu un piecenojumus 3.,4.,6.,7 cenām");

QString pardcena(int level)
{
    return QStringLiteral("PARDCENA%1").arg(level);
}

class NoteFailed : public VarnisError {
    using VarnisError::VarnisError;
};

}  // namespace

D365Prices::D365Prices(ExchangeContext& context, D365Connection& connection)
    : ctx_(context), connection_(connection), levels_(context)
{
}

QList<int> D365Prices::targetLevels(const QString& brandType, const QString& priceLevelType)
{
    if (brandType != QLatin1String("Top"))
        return {6, 10};
    if (priceLevelType == QLatin1String("PriceHighRisk"))
        return {3, 11};
    if (priceLevelType == QLatin1String("PriceMediumRisk"))
        return {4, 12};
    if (priceLevelType == QLatin1String("PriceLowRisk"))
        return {7, 13};
    return {};
}

bool D365Prices::isLive(const QString& promoStatus)
{
    return promoStatus == QLatin1String("Approved") || promoStatus == QLatin1String("Active");
}

QString D365Prices::periodText(const D365Record& r)
{
    return DateText::date(r.date(QStringLiteral("FromDatePromo"))) + QLatin1Char('-')
        + DateText::date(r.date(QStringLiteral("ToDatePromo")));
}

void D365Prices::commit()
{
    ctx_.dati.CommitRetaining();
}

void D365Prices::journal(const QString& code, int isn, const QString& note)
{
    ctx_.dati.proc().InsertOperacijas(code, QString(), QStringLiteral("N_KLPREC"), isn, nullptr, note, isn,
                                      QDateTime(ctx_.clock.now().date(), QTime(0, 0)));
}

void D365Prices::imported(const D365Record& r, const std::function<void(const QString&)>& importRecord)
{
    failedIsn_ = 0;
    failedLevels_.clear();
    failedMarkups_.clear();
    QString product;  // empty in the error line when the record has none
    try {
        product = r.text(QStringLiteral("Product"));
        importRecord(product);
    } catch (const std::exception& e) {
        failed(product, errorText(e), failedIsn_, failedLevels_);
    }
}

void D365Prices::failed(const QString& product, const QString& error, int isn, const QMap<int, double>& oldLevels)
{
    // Note heads and lines commit on their own, and with them the new price: without this,
    // a rerun would find the price stored and never write the missing note.
    ctx_.dati.Rollback();
    if (isn > 0 && !oldLevels.isEmpty()) {
        for (auto it = oldLevels.constBegin(); it != oldLevels.constEnd(); ++it)
            execSql(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLPREC SET %1=:CENA WHERE ISN=:ISN").arg(pardcena(it.key())),
                    {{QStringLiteral("CENA"), it.value()}, {QStringLiteral("ISN"), isn}});
        levels_.RecalcPriceLevels(isn, 1, 16, oldLevels.keys());
        for (int level : failedMarkups_)
            levels_.UpdateMarkup(isn, level);
    }
    commit();
    ctx_.log.WriteLog(QStringLiteral("Kļūda mainot datus N_KLPREC 5. artikuls : ") + product + QStringLiteral(" Error : ")
                      + error.simplified());
}

int D365Prices::GetPrices()
{
    SqlQuery lookup(ctx_.dati.PRECES_DB(), QString::fromLatin1(kPriceLookup));
    return connection_.runFetch(QStringLiteral("GetPrices"), QStringLiteral("GetPrices"), QString(), [&](const D365Record& r) {
        imported(r, [&](const QString& product) {
            lookup.bind(QStringLiteral("ARTIKULS5"), product);
            lookup.open();
            const int isn = lookup.asInt(QStringLiteral("ISN"));
            if (isn <= 0) {
                ctx_.log.WriteLog(QStringLiteral("Prece nav atrasta preču sarakstā. 5. artikuls : ") + product);
                return;
            }
            const QList<int> set = targetLevels(r.text(QStringLiteral("BrandType")), r.text(QStringLiteral("PriceLevelType")));
            if (set.isEmpty())
                return;
            const double price = r.number(QStringLiteral("SalesPrice"));
            const int n = set.first();
            const double old = lookup.asDouble(pardcena(n));
            if (!(price > 0.0) || price == old)
                return;

            failedIsn_ = isn;
            for (int level : set)
                failedLevels_.insert(level, lookup.asDouble(pardcena(level)));
            failedMarkups_ = {n};
            execSql(ctx_.dati.PRECES_DB(),
                    QStringLiteral("UPDATE N_KLPREC SET %1=:CENA, %2=:CENA WHERE ISN=:ISN").arg(pardcena(n), pardcena(set.last())),
                    {{QStringLiteral("CENA"), price}, {QStringLiteral("ISN"), isn}});
            if (!levels_.PropagatePriceLevel(isn, n, QString(), old, price, set))
                throw NoteFailed(levels_.ErrorText);
            journal(QStringLiteral("L"), isn,
                    QStringLiteral("No D365 pārcenošanā ") + lookup.asString(QStringLiteral("ARTIKULS")) + QLatin1Char('|')
                        + lookup.asString(QStringLiteral("GNOS")));
            commit();
            ctx_.report.moved();
        });
    });
}

int D365Prices::GetPurchPrices()
{
    SqlQuery setting(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT RECALC_PIEC_1_2 FROM N_ISI2"));
    setting.open();
    const bool recalc = setting.asString(QStringLiteral("RECALC_PIEC_1_2")).trimmed() == QLatin1String("T");
    SqlQuery lookup(ctx_.dati.PRECES_DB(), QString::fromLatin1(kPurchLookup));
    return connection_.runFetch(
        QStringLiteral("GetPurchPrices"), QStringLiteral("GetPurchPrices"), QString(), [&](const D365Record& r) {
            imported(r, [&](const QString& product) {
                lookup.bind(QStringLiteral("ARTIKULS5"), product);
                lookup.open();
                const int isn = lookup.asInt(QStringLiteral("ISN"));
                if (isn <= 0) {
                    ctx_.log.WriteLog(QStringLiteral("Prece nav atrasta preču sarakstā. 5. artikuls : ") + product);
                    return;
                }
                const bool both = r.text(QStringLiteral("PromoPrice")) == QLatin1String("false");
                const double price = r.number(QStringLiteral("PurchPrice"));
                // the same price again: nothing to write, journal or recompute
                if (lookup.asDouble(QStringLiteral("NEWIEPCENA")) == price
                    && (!both || lookup.asDouble(QStringLiteral("NEWIEPCENA2")) == price))
                    return;

                const QString name = lookup.asString(QStringLiteral("ARTIKULS")) + QLatin1Char('|')
                    + lookup.asString(QStringLiteral("GNOS"));
                execSql(ctx_.dati.PRECES_DB(),
                        both ? QStringLiteral("UPDATE N_KLPREC SET NEWIEPCENA=:CENA, NEWIEPCENA2=:CENA WHERE ISN=:ISN")
                             : QStringLiteral("UPDATE N_KLPREC SET NEWIEPCENA=:CENA WHERE ISN=:ISN"),
                        {{QStringLiteral("CENA"), price}, {QStringLiteral("ISN"), isn}});
                // journalled once the record has been stored whole (below)
                QList<QPair<QString, QString>> entries{
                    {QStringLiteral("D365 MAINA NEWIEPCENA"), QStringLiteral("No D365 GetPurchPrices ") + name}};
                if (recalc) {
                    entries.append({QStringLiteral("D365 MAINA NO NEWIEPCENA"), kRecalcNote});
                    // An empty formula is no net price: NET_CENA keeps its value.
                    const QString formula = lookup.asString(QStringLiteral("NETCENAALGORITM"));
                    const double net = levels_.EvaluatePriceFormula(formula, isn);
                    const bool stored = !formula.trimmed().isEmpty() && (net != 0.0 || formula.contains(QLatin1String("<NULL>")));
                    if (stored) {
                        entries.append({QStringLiteral("D365 MAINA NO NET_CENA"), kRecalcNote});
                        execSql(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLPREC SET NET_CENA=:NET_CENA WHERE ISN=:ISN"),
                                {{QStringLiteral("NET_CENA"), net}, {QStringLiteral("ISN"), isn}});
                    }
                    levels_.RecalcPriceLevels(isn, 1, 1);
                    levels_.RecalcPriceLevels(isn, 5, 5);
                    if (stored && net != 0.0) {
                        const double vat = lookup.asDouble(QStringLiteral("NODOKLIS"));
                        QVariantHash markups{{QStringLiteral("ISN"), isn}};
                        for (int level : {3, 4, 6, 7})
                            markups.insert(QStringLiteral("PIECEN%1").arg(level),
                                           D365PriceLevels::markup(lookup.asDouble(pardcena(level)), vat, net));
                        execSql(ctx_.dati.PRECES_DB(),
                                QStringLiteral("UPDATE N_KLPREC SET PIECEN3=:PIECEN3, PIECEN4=:PIECEN4, PIECEN6=:PIECEN6, "
                                               "PIECEN7=:PIECEN7 WHERE ISN=:ISN"),
                                markups);
                    }
                }
                for (const auto& [code, note] : entries)
                    journal(code, isn, note);
                // One commit for the record: a failure half way leaves the old price, so the
                // rerun does the record again instead of finding the price and doing nothing.
                commit();
                ctx_.report.moved();
            });
        });
}

int D365Prices::GetPromoPeriod()
{
    SqlQuery lookup(ctx_.dati.PRECES_DB(), QString::fromLatin1(kPromoLookup));
    return connection_.runFetch(
        QStringLiteral("GetPromoPeriod"), QStringLiteral("GetPromoPeriod"), QString(), [&](const D365Record& r) {
            imported(r, [&](const QString& product) {
                lookup.bind(QStringLiteral("ARTIKULS5"), product);
                lookup.open();
                const int isn = lookup.asInt(QStringLiteral("ISN"));
                if (isn <= 0) {
                    ctx_.log.WriteLog(QStringLiteral("Prece nav atrasta preču sarakstā. 5. artikuls : ") + product);
                    return;
                }
                const bool top = r.text(QStringLiteral("PromoType")) == QLatin1String("Top");
                const QString designationColumn = top ? QStringLiteral("FIELD3") : QStringLiteral("FIELD5");
                const QString periodColumn = top ? QStringLiteral("FIELD4") : QStringLiteral("FIELD6");
                const QList<int> promoLevels = top ? QList<int>{3, 4, 7} : QList<int>{6};

                QStringList assignments;
                QVariantHash params{{QStringLiteral("ISN"), isn}};
                QList<int> changed;
                QString label;
                double price = 0.0;
                if (isLive(r.text(QStringLiteral("PromoStatus")))) {
                    const QString designation = r.text(QStringLiteral("PromoDesignation"));
                    const QString period = periodText(r);
                    label = period + QLatin1Char(' ') + designation;
                    assignments << designationColumn + QStringLiteral("=:DESIGNATION") << periodColumn + QStringLiteral("=:PERIOD");
                    params.insert(QStringLiteral("DESIGNATION"), designation);
                    params.insert(QStringLiteral("PERIOD"), period);
                    // a promotion without a price above 0 changes no level
                    price = r.has(QStringLiteral("PromoPrice")) ? r.number(QStringLiteral("PromoPrice")) : 0.0;
                    for (int level : promoLevels) {
                        if (price > 0.0 && lookup.asDouble(pardcena(level)) != price) {
                            assignments << pardcena(level) + QStringLiteral("=:CENA");
                            changed << level;
                        }
                    }
                    params.insert(QStringLiteral("CENA"), price);
                    if (changed.isEmpty())
                        return;  // prices already stored: not even the labels are written
                } else {
                    if (lookup.asString(designationColumn).trimmed().isEmpty() && lookup.asString(periodColumn).trimmed().isEmpty())
                        return;  // nothing to clear
                    assignments << designationColumn + QStringLiteral("=''") << periodColumn + QStringLiteral("=''");
                }

                failedIsn_ = isn;
                for (int level : changed)
                    failedLevels_.insert(level, lookup.asDouble(pardcena(level)));
                failedMarkups_ = changed;
                execSql(ctx_.dati.PRECES_DB(),
                        QStringLiteral("UPDATE N_KLPREC SET %1 WHERE ISN=:ISN").arg(assignments.join(QStringLiteral(", "))),
                        params);
                for (int level : changed) {
                    if (!levels_.PropagatePriceLevel(isn, level, label, failedLevels_.value(level), price, changed))
                        throw NoteFailed(levels_.ErrorText);
                }
                journal(QStringLiteral("L"), isn,
                        QStringLiteral("No D365 pārcenošanā ") + lookup.asString(QStringLiteral("ARTIKULS")) + QLatin1Char('|')
                            + lookup.asString(QStringLiteral("GNOS")));
                commit();
                ctx_.report.moved();
            });
        });
}

int D365Prices::GetPromoPeriodA()
{
    SqlQuery top(ctx_.dati.PRECES_DB(),
                 QStringLiteral("UPDATE N_KLPREC SET AKCIJAS_VEIDS_1=:AKCIJAS_VEIDS WHERE ARTIKULS5=:ARTIKULS5"));
    SqlQuery other(ctx_.dati.PRECES_DB(),
                   QStringLiteral("UPDATE N_KLPREC SET AKCIJAS_VEIDS_2=:AKCIJAS_VEIDS WHERE ARTIKULS5=:ARTIKULS5"));
    return connection_.runFetch(
        QStringLiteral("GetPromoPeriodA"), QStringLiteral("GetPromoPeriodA"), QString(), [&](const D365Record& r) {
            imported(r, [&](const QString& product) {
                SqlQuery& update = r.text(QStringLiteral("PromoType")) == QLatin1String("Top") ? top : other;
                const QString label = isLive(r.text(QStringLiteral("PromoStatus")))
                    ? periodText(r) + QLatin1Char(' ') + r.text(QStringLiteral("PromoDesignation"))
                    : QStringLiteral("");
                update.bind(QStringLiteral("AKCIJAS_VEIDS"), label);
                update.bind(QStringLiteral("ARTIKULS5"), product);
                update.exec();
                // a product the register lacks is simply not updated
                if (update.rowsAffected() > 0)
                    commit();
            });
        });
}
