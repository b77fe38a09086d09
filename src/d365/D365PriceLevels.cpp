#include "D365PriceLevels.h"

#include "PriceFormula.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <cmath>

namespace {

QString levelColumns(const char* prefix, const char* suffix = "")
{
    QStringList columns;
    for (int i = 1; i <= 16; ++i)
        columns << QStringLiteral("%1%2%3").arg(QLatin1String(prefix)).arg(i).arg(QLatin1String(suffix));
    return columns.join(QStringLiteral(", "));
}

const QStringList kCostColumns{QStringLiteral("APLIMESANA"), QStringLiteral("LOGISTIKA"), QStringLiteral("BONUSS"),
                               QStringLiteral("DRN_PROCENTS"), QStringLiteral("TRANSPORTS"), QStringLiteral("AKCIZNOD")};

}  // namespace

D365PriceLevels::D365PriceLevels(ExchangeContext& context) : ctx_(context), notes_(context.dati)
{
}

double D365PriceLevels::EvaluatePriceFormula(const QString& formula, int isn)
{
    if (formula.trimmed().isEmpty())
        return 0.0;
    const QDate today = ctx_.clock.now().date();
    SqlQuery p(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT NEWIEPCENA, NEWIEPCENA2, NODOKLIS, %1, KATCVAL, KATALVAL, %2, %3, NET_CENA, %4 "
                              "FROM N_KLPREC WHERE ISN=:ISN")
                   .arg(levelColumns("PIECEN"), levelColumns("PARDCENA"), levelColumns("NEWCENA"),
                        kCostColumns.join(QStringLiteral(", "))));
    p.bind(QStringLiteral("ISN"), isn);
    p.open();

    PriceFormula::Values v;
    v.insert(QStringLiteral("JIC"), p.asDouble(QStringLiteral("NEWIEPCENA")));
    v.insert(QStringLiteral("JIC_2"), p.asDouble(QStringLiteral("NEWIEPCENA2")));
    v.insert(QStringLiteral("PVN"), p.asDouble(QStringLiteral("NODOKLIS")));
    v.insert(QStringLiteral("NET"), p.asDouble(QStringLiteral("NET_CENA")));
    for (const QString& c : kCostColumns)
        v.insert(c, p.asDouble(c));
    for (int i = 1; i <= 16; ++i) {
        v.insert(QStringLiteral("PCENA%1").arg(i), p.asDouble(QStringLiteral("PARDCENA%1").arg(i)));
        v.insert(QStringLiteral("NEWCENA%1").arg(i), p.asDouble(QStringLiteral("NEWCENA%1").arg(i)));
        v.insert(QStringLiteral("PIEC_%1").arg(i), p.asDouble(QStringLiteral("PIECEN%1").arg(i)));
    }
    // The look-ups only when the formula asks for them.
    if (formula.contains(QLatin1String("<JIC>"))) {
        // a purchase special in force today: started, and not ended
        SqlQuery special(ctx_.dati.PRECES_DB(), QStringLiteral(
            "SELECT O_SPECCENAS.ISN, O_SPECCENAS.CENA_1 FROM O_SPECCENAS WHERE O_SPECCENAS.ISPRECE = :ISPRECE "
            "AND O_SPECCENAS.FLAG = 4 AND O_SPECCENAS.DAT_NO<=:DAT_NO "
            "AND (O_SPECCENAS.DAT_LIDZ IS NULL OR O_SPECCENAS.DAT_LIDZ>=:DAT_NO) "
            "ORDER BY O_SPECCENAS.DAT_NO DESCENDING"));
        special.bind(QStringLiteral("ISPRECE"), isn).bind(QStringLiteral("DAT_NO"), QDateTime(today, QTime(0, 0)));
        special.open();
        if (!special.isEmpty())
            v.insert(QStringLiteral("JIC"), special.asDouble(QStringLiteral("CENA_1")));
    }
    if (formula.contains(QLatin1String("<KCV>"))) {
        // KURSS is units per euro; a catalogue price without a rate is taken as it stands
        SqlQuery rate(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT KURSS FROM N_VALUTA WHERE ISN=:ISN"));
        rate.bind(QStringLiteral("ISN"), p.asInt(QStringLiteral("KATCVAL")));
        rate.open();
        const double kurss = rate.asDouble(QStringLiteral("KURSS"));
        const double katalval = p.asDouble(QStringLiteral("KATALVAL"));
        v.insert(QStringLiteral("KCV"), kurss != 0.0 ? katalval / kurss : katalval);
    }
    if (formula.contains(QLatin1String("<PIC>"))) {
        SqlQuery last(ctx_.dati.PRECES_DB(), QStringLiteral(
            "SELECT FIRST 1 O_PRECE.CENA FROM O_PRECE JOIN O_PAVADZ ON O_PAVADZ.ISN = O_PRECE.ISPAVADZ "
            "WHERE O_PRECE.ISPRECE = :ISPRECE ORDER BY O_PAVADZ.DAT_SANEM DESCENDING, O_PRECE.ISN DESCENDING"));
        last.bind(QStringLiteral("ISPRECE"), isn);
        last.open();
        v.insert(QStringLiteral("PIC"), last.asDouble(QStringLiteral("CENA")));
    }

    const std::optional<QString> text = PriceFormula::substitute(formula, v);
    std::optional<double> value;
    if (text) {
        // "<NULL>" alone: a price of 0 is meant
        value = text->trimmed().isEmpty() && formula.contains(QLatin1String("<NULL>")) ? std::optional<double>(0.0)
                                                                                        : PriceFormula::evaluate(*text);
    }
    if (!value) {
        ctx_.dialogs.showMessage(QStringLiteral("Nav korekta izteiksme cenu algoritmam no ") + formula);
        return 0.0;
    }
    return *value;
}

void D365PriceLevels::RecalcPriceLevels(int isn, int from, int to, const QList<int>& skip, bool withNew)
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT %1, %2, %3, %4, %5 FROM N_KLPREC WHERE ISN=:ISN")
                                          .arg(levelColumns("PARDCENA"), levelColumns("NEWCENA"),
                                               levelColumns("CENA", "ALGORITM"), levelColumns("NEWCENA", "ALGORITM"),
                                               levelColumns("CENA", "ALGORAPAL")));
    q.bind(QStringLiteral("ISN"), isn);
    q.open();
    if (q.isEmpty())
        return;
    const auto store = [&](const QString& column, const QString& formula, int mode) {
        if (formula.trimmed().isEmpty())
            return;
        const double value = EvaluatePriceFormula(formula, isn);
        if (value == 0.0 && !formula.contains(QLatin1String("<NULL>")))
            return;
        const double price = PriceFormula::roundPrice(value, mode, kDefaultDecimals);
        if (price == q.asDouble(column) && !q.isNull(column))
            return;
        execSql(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLPREC SET %1=:CENA WHERE ISN=:ISN").arg(column),
                {{QStringLiteral("CENA"), price}, {QStringLiteral("ISN"), isn}});
    };
    for (int i = std::max(from, 1); i <= std::min(to, 16); ++i) {
        if (skip.contains(i))
            continue;
        const int mode = q.asInt(QStringLiteral("CENA%1ALGORAPAL").arg(i));
        store(QStringLiteral("PARDCENA%1").arg(i), q.asString(QStringLiteral("CENA%1ALGORITM").arg(i)), mode);
        if (withNew)
            store(QStringLiteral("NEWCENA%1").arg(i), q.asString(QStringLiteral("NEWCENA%1ALGORITM").arg(i)), mode);
    }
}

double D365PriceLevels::markup(double price, double vat, double netPrice)
{
    return (price / (vat / 100.0 + 1.0)) / netPrice * 100.0 - 100.0;
}

void D365PriceLevels::UpdateMarkup(int isn, int level)
{
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT NET_CENA, NODOKLIS, PARDCENA%1 PARDCENA FROM N_KLPREC WHERE ISN=:ISN").arg(level));
    q.bind(QStringLiteral("ISN"), isn);
    q.open();
    const double net = q.asDouble(QStringLiteral("NET_CENA"));
    if (net == 0.0)
        return;
    execSql(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLPREC SET PIECEN%1=:PIECEN WHERE ISN=:ISN").arg(level),
            {{QStringLiteral("PIECEN"), markup(q.asDouble(QStringLiteral("PARDCENA")), q.asDouble(QStringLiteral("NODOKLIS")), net)},
             {QStringLiteral("ISN"), isn}});
}

int D365PriceLevels::noteHead(int isNodala, const QString& label)
{
    O_PARCPVRecord& h = notes_.O_PARCPV;
    h = O_PARCPVRecord();
    h.ISNODALA = isNodala;
    h.DATUMS = QDateTime(ctx_.clock.now().date(), QTime(0, 0));
    h.PAMATOJUMS = QStringLiteral("NO D365");
    h.AKCIJAS_VEIDS = label;
    return notes_.FindOrInsertO_PARCPV();
}

bool D365PriceLevels::PropagatePriceLevel(int isn, int level, const QString& label, double oldPrice, double newPrice,
                                          const QList<int>& setLevels)
{
    ErrorText.clear();
    RecalcPriceLevels(isn, 1, 16, setLevels);
    UpdateMarkup(isn, level);
    // a change of half a cent or less writes no note
    if (std::fabs(oldPrice - newPrice) <= 0.009)
        return true;

    SqlQuery departments(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN, GNOS FROM N_DEPART WHERE CENKODS=:CENKODS"));
    departments.bind(QStringLiteral("CENKODS"), level);
    departments.open();
    SqlQuery assortment(ctx_.dati.PRECES_DB(), QStringLiteral(
        "SELECT O_SORTIMENTS.ISN FROM O_SORTIMENTS WHERE O_SORTIMENTS.ISNODALA=:ISNODALA AND "
        "O_SORTIMENTS.ISPRGRUPA_PRECE=:ISPRECE AND O_SORTIMENTS.FLAG=2"));
    SqlQuery stock(ctx_.dati.PRECES_DB(), QStringLiteral(
        "SELECT SUM(ATLIKUMS) ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=:ISPRECE AND ISNODALA=:ISNODALA"));
    SqlQuery line(ctx_.dati.PRECES_DB(), QStringLiteral(
        "SELECT O_PARCPR.ISN FROM O_PARCPR WHERE O_PARCPR.ISPARCPV = :ISPARCPV AND O_PARCPR.ISPRECE = :ISPRECE "
        "AND O_PARCPR.CENA_UZ = :CENA_UZ AND O_PARCPR.KADA_CENA = :KADA_CENA"));
    for (; !departments.eof(); departments.next()) {
        const int isNodala = departments.asInt(QStringLiteral("ISN"));
        assortment.bind(QStringLiteral("ISNODALA"), isNodala).bind(QStringLiteral("ISPRECE"), isn);
        assortment.open();
        stock.bind(QStringLiteral("ISNODALA"), isNodala).bind(QStringLiteral("ISPRECE"), isn);
        stock.open();
        const double atlikums = stock.asDouble(QStringLiteral("ATLIKUMS"));
        if (assortment.isEmpty() && atlikums <= 0.0)
            continue;

        const int head = noteHead(isNodala, label);
        if (head <= 0) {
            ErrorText = notes_.ErrorText;
            return false;
        }
        // a rerun after a failure finds the lines it wrote before
        line.bind(QStringLiteral("ISPARCPV"), head)
            .bind(QStringLiteral("ISPRECE"), isn)
            .bind(QStringLiteral("CENA_UZ"), newPrice)
            .bind(QStringLiteral("KADA_CENA"), level);
        line.open();
        if (!line.isEmpty())
            continue;
        O_PARCPRRecord& l = notes_.O_PARCPR;
        l = O_PARCPRRecord();
        l.ISPRECE = isn;
        l.KADA_CENA = level;
        l.CENA_NO = oldPrice;
        l.CENA_UZ = newPrice;
        l.DAUDZUMS = std::max(atlikums, 1.0);
        if (notes_.O_PARCPRInsert() <= 0) {
            ErrorText = notes_.ErrorText;
            return false;
        }
    }
    return true;
}
