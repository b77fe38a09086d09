#include "O_parcpvtable.h"

#include "Mainformdatiform.h"

namespace {

const TInsertReport kHead{"TO_parcpvTable", "O_PARCPVInsert", "O_PARCPV", "O_PARCPVInsertM1",
                          "Neizdevās izveidot pārcenošanas aktu !!!\n", 1};

// PAMATOJUMS is written too, so that the reason the importer gives is kept.
const char* const kHeadInsert =
    "INSERT INTO O_PARCPV (ISNODALA, DATUMS, NR_PAVADZ, PZ_VEIDS, PAMATOJUMS, IEVKODS, IEVDAT, EDITKODS, EDITDAT, "
    "AKCIJA_NO, AKCIJA_LIDZ, AKCIJAS_VEIDS, AKCIJA_IEPC_NO, AKCIJA_IEPC_LIDZ) VALUES (:ISNODALA, :DATUMS, :NR_PAVADZ, "
    ":PZ_VEIDS, :PAMATOJUMS, :IEVKODS, :IEVDAT, :EDITKODS, :EDITDAT, :AKCIJA_NO, :AKCIJA_LIDZ, :AKCIJAS_VEIDS, "
    ":AKCIJA_IEPC_NO, :AKCIJA_IEPC_LIDZ)";

const TLineKind kLine{
    {"TO_parcpvTable", "O_PARCPRInsert", "O_PARCPR", "O_PARCPRInsertM1", "Neizdevās ievietot preci pārcenošanas aktā !!!\n", 1},
    "O_PARCPRGEN",
    "ISPARCPV",
    "SELECT NR_PAVADZ NUMURS, DATUMS, ISNODALA FROM O_PARCPV WHERE ISN = :ISN",
    "INSERT INTO O_PARCPR (ISPARCPV, ISPRECE, DAUDZUMS, NODOKLIS, CENA_NO, CENA_UZ, NEWIEPCENA, NEWIEPCENA_NO, "
    "KADA_CENA, IEVKODS, IEVDAT, EDITKODS, EDITDAT) VALUES (:ISPARCPV, :ISPRECE, :DAUDZUMS, :NODOKLIS, :CENA_NO, "
    ":CENA_UZ, :NEWIEPCENA, :NEWIEPCENA_NO, :KADA_CENA, :IEVKODS, :IEVDAT, :EDITKODS, :EDITDAT)",
    "TO_parcpvTable", "O_PARCPRInsertM0", "Nav izveidota pārcenošanas akta galva !!!",
    true};

}  // namespace

int TO_parcpvTable::O_PARCPVInsert()
{
    O_PARCPVRecord& h = O_PARCPV;
    return insertHead(
        kHead, "O_PARCPVGEN", h, QLatin1String(kHeadInsert), h.DATUMS,
        [&] {
            h.ISNODALA = orDefault(h.ISNODALA);
            if (h.PIEZIMES.isEmpty())
                h.PIEZIMES = h.PAMATOJUMS;
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
            h.EDITDAT = h.IEVDAT;
            h.EDITKODS = h.IEVKODS;
        },
        [&] {
            return TKeyMatch{{QStringLiteral("ISNODALA"), h.ISNODALA}, {QStringLiteral("DATUMS"), h.DATUMS},
                             {QStringLiteral("NR_PAVADZ"), DocField::value(h.NR_PAVADZ)},
                             {QStringLiteral("PZ_VEIDS"), h.PZ_VEIDS}};
        });
}

int TO_parcpvTable::FindO_PARCPV()
{
    O_PARCPVRecord& h = O_PARCPV;
    const bool numbered = !h.NR_PAVADZ.trimmed().isEmpty();
    SqlQuery q(db(), numbered
                         ? QStringLiteral("SELECT ISN, NR_PAVADZ FROM O_PARCPV WHERE DATUMS=:DATUMS AND ISNODALA=:ISNODALA AND "
                                          "NR_PAVADZ=:NR_PAVADZ AND PZ_VEIDS = :PZ_VEIDS AND AKCIJAS_VEIDS = :AKCIJAS_VEIDS")
                         : QStringLiteral("SELECT ISN, NR_PAVADZ FROM O_PARCPV WHERE DATUMS=:DATUMS AND ISNODALA=:ISNODALA AND "
                                          "PZ_VEIDS = :PZ_VEIDS AND AKCIJAS_VEIDS = :AKCIJAS_VEIDS"));
    q.bind(QStringLiteral("DATUMS"), h.DATUMS)
        .bind(QStringLiteral("ISNODALA"), orDefault(h.ISNODALA))
        .bind(QStringLiteral("PZ_VEIDS"), h.PZ_VEIDS)
        .bind(QStringLiteral("AKCIJAS_VEIDS"), DocField::value(h.AKCIJAS_VEIDS));
    if (numbered)
        q.bind(QStringLiteral("NR_PAVADZ"), h.NR_PAVADZ);
    q.open();
    if (q.isEmpty())
        return 0;
    h.ISN = q.asInt(QStringLiteral("ISN"));
    h.NR_PAVADZ = q.asString(QStringLiteral("NR_PAVADZ"));
    return h.ISN;
}

int TO_parcpvTable::FindOrInsertO_PARCPV()
{
    try {
        if (FindO_PARCPV() > 0)
            return O_PARCPV.ISN;
    } catch (const DbError&) {
        // The insert below reports what is wrong with the database.
    }
    return O_PARCPVInsert();
}

int TO_parcpvTable::O_PARCPRInsert()
{
    O_PARCPRRecord& l = O_PARCPR;
    THeadContext head;
    head.numurs = O_PARCPV.NR_PAVADZ;
    head.datums = O_PARCPV.DATUMS;
    return insertLine(
        kLine, O_PARCPV.ISN, &O_PARCPRRecord::ISPARCPV, l, head,
        [&](THeadContext&) {
            l.EDITDAT = l.IEVDAT;
            l.EDITKODS = l.IEVKODS;
        },
        [&](const THeadContext& c) {
            if (l.KADA_CENA >= 1 && l.KADA_CENA <= 16) {
                execSql(db(), QStringLiteral("UPDATE N_KLPREC SET PARDCENA%1=:CENA WHERE ISN=:ISN").arg(l.KADA_CENA),
                        {{QStringLiteral("CENA"), l.CENA_UZ}, {QStringLiteral("ISN"), l.ISPRECE}});
                execSql(db(), QStringLiteral(
                            "UPDATE O_SPECCENAS SET CENA_1=:CENA WHERE ISPRECE=:ISPRECE AND ISKLIENT=:ISNODALA AND "
                            "KLIENTNODALAFLAG=2 AND CENAS_NR=:CENAS_NR AND DAT_NO<=:DATUMS AND DAT_LIDZ>=:DATUMS"),
                        {{QStringLiteral("CENA"), l.CENA_UZ},
                         {QStringLiteral("ISPRECE"), l.ISPRECE},
                         {QStringLiteral("ISNODALA"), c.isNodala},
                         {QStringLiteral("CENAS_NR"), l.KADA_CENA},
                         {QStringLiteral("DATUMS"), c.datums}});
            }
            if (l.NEWIEPCENA != 0 && l.NEWIEPCENA != l.NEWIEPCENA_NO)
                execSql(db(), QStringLiteral("UPDATE N_KLPREC SET NEWIEPCENA=:CENA WHERE ISN=:ISN"),
                        {{QStringLiteral("CENA"), l.NEWIEPCENA}, {QStringLiteral("ISN"), l.ISPRECE}});
        });
}
