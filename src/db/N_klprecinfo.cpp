#include "N_klprecinfo.h"

#include "Mainformdatiform.h"
#include "SqlQuery.h"
#include "platform/Clock.h"

namespace {

const char* const kGoodsSelect =
    "SELECT ISN, GNOS, LITRAZA, NEWCENDAT, PARDCENA1, PARDCENA2, PARDCENA3, PARDCENA4, PARDCENA5, "
    "PARDCENA6, PARDCENA7, PARDCENA8, PARDCENA9, PARDCENA10, PARDCENA11, PARDCENA12, PARDCENA13, "
    "PARDCENA14, PARDCENA15, PARDCENA16, NEWCENA1, NEWCENA2, NEWCENA3, NEWCENA4, NEWCENA5, NEWCENA6, "
    "NEWCENA7, NEWCENA8, NEWCENA9, NEWCENA10, NEWCENA11, NEWCENA12, NEWCENA13, NEWCENA14, NEWCENA15, "
    "NEWCENA16, NODOKLIS, PAKALPOJ, ISSERTIF1, ARTIKULS, ISPRGRUPA, PIECEN1, ARTIKULI_N, ARTIKULS6, "
    "ARTIKULS7, ISPRGRUPA, NERIEPCENUUSER, NEWIEPCENA, PVN_REVERSS, SKKASTE, "
    "COALESCE(DEPOZITATARA, 'F') DEPOZITATARA FROM N_KLPREC";

const char* const kByArticle =
    " WHERE ARTIKULS=:ARTIKULS OR ARTIKULS2=:ARTIKULS OR ARTIKULS3=:ARTIKULS OR ARTIKULS4=:ARTIKULS "
    "OR ARTIKULS5=:ARTIKULS OR ARTIKULS6=:ARTIKULS OR ARTIKULS7=:ARTIKULS7 OR ARTIKULI_N CONTAINING :ARTIKULI_N";

// The second article goes in ARTIKULS8 (columns 1 to 6) and ARTIKULS10 (column 7).
const char* const kByTwoArticles =
    " WHERE ARTIKULS=:ARTIKULS OR ARTIKULS2=:ARTIKULS OR ARTIKULS3=:ARTIKULS OR ARTIKULS4=:ARTIKULS "
    "OR ARTIKULS5=:ARTIKULS OR ARTIKULS6=:ARTIKULS OR ARTIKULS7=:ARTIKULS7 "
    "OR ARTIKULS=:ARTIKULS8 OR ARTIKULS2=:ARTIKULS8 OR ARTIKULS3=:ARTIKULS8 OR ARTIKULS4=:ARTIKULS8 "
    "OR ARTIKULS5=:ARTIKULS8 OR ARTIKULS6=:ARTIKULS8 OR ARTIKULS7=:ARTIKULS10 "
    "OR ARTIKULI_N CONTAINING :ARTIKULI_N OR ARTIKULI_N CONTAINING :ARTIKULI_N8";

bool flag(const SqlQuery& q, const char* field)
{
    return q.asString(QLatin1String(field)).trimmed() == QLatin1String("T");
}

QString text(const QString& value)
{
    // An empty text goes in as '' rather than NULL, like the goods program writes it.
    return value.isNull() ? QStringLiteral("") : value;
}

}  // namespace

int TN_klprecinfo::open(SqlQuery& q)
{
    q.open();
    Prece = TPreceInfo();
    if (q.isEmpty())
        return 0;
    Prece.ISN = q.asInt(QStringLiteral("ISN"));
    Prece.GNOS = q.asString(QStringLiteral("GNOS"));
    Prece.LITRAZA = q.asDouble(QStringLiteral("LITRAZA"));
    Prece.NEWCENDAT = q.asDateTime(QStringLiteral("NEWCENDAT"));
    for (int n = 1; n <= 16; ++n) {
        Prece.PARDCENA[n] = q.asDouble(QStringLiteral("PARDCENA%1").arg(n));
        Prece.NEWCENA[n] = q.asDouble(QStringLiteral("NEWCENA%1").arg(n));
    }
    Prece.NODOKLIS = q.asDouble(QStringLiteral("NODOKLIS"));
    Prece.PAKALPOJ = flag(q, "PAKALPOJ");
    Prece.ISSERTIF1 = q.asInt(QStringLiteral("ISSERTIF1"));
    Prece.ARTIKULS = q.asString(QStringLiteral("ARTIKULS"));
    Prece.ISPRGRUPA = q.asInt(QStringLiteral("ISPRGRUPA"));
    Prece.PIECEN1 = q.asDouble(QStringLiteral("PIECEN1"));
    Prece.ARTIKULI_N = q.asString(QStringLiteral("ARTIKULI_N"));
    Prece.ARTIKULS6 = q.asString(QStringLiteral("ARTIKULS6"));
    Prece.ARTIKULS7 = q.asString(QStringLiteral("ARTIKULS7"));
    Prece.NERIEPCENUUSER = flag(q, "NERIEPCENUUSER");
    Prece.NEWIEPCENA = q.asDouble(QStringLiteral("NEWIEPCENA"));
    Prece.PVN_REVERSS = q.asInt(QStringLiteral("PVN_REVERSS"));
    Prece.SKKASTE = q.asDouble(QStringLiteral("SKKASTE"));
    Prece.DEPOZITATARA = flag(q, "DEPOZITATARA");
    return Prece.ISN;
}

int TN_klprecinfo::FindArtikuls(const QString& artikuls, const QString& artikuls7)
{
    // An empty article would match every row with an empty column, or "||" in ARTIKULI_N.
    if (artikuls.trimmed().isEmpty()) {
        Prece = TPreceInfo();
        return 0;
    }
    SqlQuery q(dati_.PRECES_DB(), QLatin1String(kGoodsSelect) + QLatin1String(kByArticle));
    q.bind(QStringLiteral("ARTIKULS"), artikuls)
        .bind(QStringLiteral("ARTIKULS7"), artikuls7.isEmpty() ? artikuls : artikuls7)
        .bind(QStringLiteral("ARTIKULI_N"), QLatin1Char('|') + artikuls + QLatin1Char('|'));
    return open(q);
}

int TN_klprecinfo::FindArtikuli(const QString& first, const QString& second)
{
    if (second.trimmed().isEmpty())
        return FindArtikuls(first);
    if (first.trimmed().isEmpty())
        return FindArtikuls(second);
    SqlQuery q(dati_.PRECES_DB(), QLatin1String(kGoodsSelect) + QLatin1String(kByTwoArticles));
    q.bind(QStringLiteral("ARTIKULS"), first)
        .bind(QStringLiteral("ARTIKULS7"), first)
        .bind(QStringLiteral("ARTIKULS8"), second)
        .bind(QStringLiteral("ARTIKULS10"), second)
        .bind(QStringLiteral("ARTIKULI_N"), QLatin1Char('|') + first + QLatin1Char('|'))
        .bind(QStringLiteral("ARTIKULI_N8"), QLatin1Char('|') + second + QLatin1Char('|'));
    return open(q);
}

int TN_klprecinfo::FindArtikuls5(const QString& artikuls)
{
    if (artikuls.trimmed().isEmpty()) {
        Prece = TPreceInfo();
        return 0;
    }
    SqlQuery q(dati_.PRECES_DB(), QLatin1String(kGoodsSelect) + QStringLiteral(" WHERE ARTIKULS5=:ARTIKULS"));
    q.bind(QStringLiteral("ARTIKULS"), artikuls);
    return open(q);
}

int TN_klprecinfo::FindGnos(const QString& gnos)
{
    if (gnos.trimmed().isEmpty()) {
        Prece = TPreceInfo();
        return 0;
    }
    SqlQuery q(dati_.PRECES_DB(), QLatin1String(kGoodsSelect) + QStringLiteral(" WHERE GNOS=:GNOS"));
    q.bind(QStringLiteral("GNOS"), gnos);
    return open(q);
}

int TN_klprecinfo::FindIsn(int isn)
{
    if (isn <= 0) {
        Prece = TPreceInfo();
        return 0;
    }
    SqlQuery q(dati_.PRECES_DB(), QLatin1String(kGoodsSelect) + QStringLiteral(" WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), isn);
    return open(q);
}

int TN_klprecinfo::supplierByRegNr(const QString& regNr)
{
    SqlQuery q(dati_.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_KLIENT WHERE PVNKODS=:REG_NR OR REGNR=:REG_NR"));
    q.bind(QStringLiteral("REG_NR"), regNr);
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}

int TN_klprecinfo::partnerByIdKods(const QString& idKods)
{
    SqlQuery q(dati_.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_KLIENT WHERE IDKODS=:IDKODS"));
    q.bind(QStringLiteral("IDKODS"), idKods);
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}

int TN_klprecinfo::CreatePrece(const TJaunaPrece& p)
{
    int supplier = p.ISPRKLIENT;
    if (supplier <= 0 && !p.REG_NR.trimmed().isEmpty())
        supplier = supplierByRegNr(p.REG_NR.trimmed());
    int partner = p.ISPRLOGISTIKA;
    if (partner <= 0 && !p.IDKODS.trimmed().isEmpty())
        partner = partnerByIdKods(p.IDKODS.trimmed());

    // ARTIKULS5 only when given, so that other importers' rows stay as they were.
    const bool artikuls5 = !p.ARTIKULS5.trimmed().isEmpty();
    SqlQuery q(dati_.PRECES_DB(), QStringLiteral(
        "INSERT INTO N_KLPREC (ARTIKULS, ARTIKULS2, GNOS, ISPRGRUPA, NODOKLIS, MERVIENIBA, LITRAZA, ISSERTIF1, "
        "ARTIKULI_N, ARTIKULS6, ARTIKULS7, PARDCENA1, SKKASTE, ISPRKLIENT, ISPRLOGISTIKA, PVN_REVERSS, IEVDAT, "
        "IEVKODS%1) VALUES (:ARTIKULS, :ARTIKULS2, :GNOS, :ISPRGRUPA, :NODOKLIS, :MERVIENIBA, :LITRAZA, 1, "
        ":ARTIKULI_N, :ARTIKULS6, :ARTIKULS7, :PARDCENA1, :SKKASTE, :ISPRKLIENT, :ISPRLOGISTIKA, :PVN_REVERSS, "
        ":IEVDAT, :IEVKODS%2)")
                                      .arg(artikuls5 ? QStringLiteral(", ARTIKULS5") : QString(),
                                           artikuls5 ? QStringLiteral(", :ARTIKULS5") : QString()));
    if (artikuls5)
        q.bind(QStringLiteral("ARTIKULS5"), p.ARTIKULS5.trimmed());
    q.bind(QStringLiteral("ARTIKULS"), text(p.ARTIKULS))
        .bind(QStringLiteral("ARTIKULS2"), text(p.ARTIKULS2))
        .bind(QStringLiteral("GNOS"), p.GNOS.trimmed().isEmpty() ? QStringLiteral("NO NAME") : p.GNOS)
        .bind(QStringLiteral("ISPRGRUPA"), p.ISPRGRUPA > 0 ? p.ISPRGRUPA : 1)
        .bind(QStringLiteral("NODOKLIS"), p.NODOKLIS)
        .bind(QStringLiteral("MERVIENIBA"), text(p.MERVIENIBA))
        .bind(QStringLiteral("LITRAZA"), p.LITRAZA)
        .bind(QStringLiteral("ARTIKULI_N"), text(p.ARTIKULI_N))
        .bind(QStringLiteral("ARTIKULS6"), text(p.ARTIKULS6))
        .bind(QStringLiteral("ARTIKULS7"), text(p.ARTIKULS7))
        .bind(QStringLiteral("PARDCENA1"), p.PARDCENA1)
        .bind(QStringLiteral("SKKASTE"), p.SKKASTE)
        .bind(QStringLiteral("ISPRKLIENT"), supplier > 0 ? supplier : 1)
        .bind(QStringLiteral("ISPRLOGISTIKA"), partner > 0 ? partner : 1)
        .bind(QStringLiteral("PVN_REVERSS"), p.PVN_REVERSS)
        .bind(QStringLiteral("IEVDAT"), dati_.clock().now())
        .bind(QStringLiteral("IEVKODS"), p.IEVKODS.isEmpty() ? dati_.OperatorName : p.IEVKODS);
    q.exec();

    SqlQuery key(dati_.PRECES_DB(), QStringLiteral("SELECT GEN_ID(N_KLPRECGEN,0) ISN FROM N_ISI"));
    key.open();
    const int v = key.asInt(QStringLiteral("ISN"));
    // Another attachment may have taken a key meanwhile: make sure v is the row just written.
    SqlQuery mine(dati_.PRECES_DB(), QStringLiteral(
        "SELECT N_KLPREC.ISN FROM N_KLPREC WHERE N_KLPREC.ARTIKULS = :ARTIKULS AND N_KLPREC.ISN BETWEEN :ISN_NO "
        "AND :ISN_LIDZ ORDER BY N_KLPREC.ISN DESCENDING"));
    mine.bind(QStringLiteral("ARTIKULS"), text(p.ARTIKULS))
        .bind(QStringLiteral("ISN_NO"), v - 10)
        .bind(QStringLiteral("ISN_LIDZ"), v + 10);
    mine.open();
    return mine.isEmpty() ? v : mine.asInt(QStringLiteral("ISN"));
}

double TN_klprecinfo::PriceWithoutVat(int level) const
{
    if (level < 1 || level > 16)
        level = 1;
    const double price = Prece.PARDCENA[level];
    return dati_.PARDCENASAR ? price / (Prece.NODOKLIS / 100.0 + 1.0) : price;
}
