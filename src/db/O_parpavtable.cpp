#include "O_parpavtable.h"

#include "Mainformdatiform.h"

namespace {

const TInsertReport kHead{"TO_parpavTable", "O_PARPAVInsert", "O_PARPAV", "O_PARPAVInsertM1",
                          "Neizdevās izveidot pārvietošanas pavadzīmi !!!\n", 5};

const char* const kHeadInsert =
    "INSERT INTO O_PARPAV (ISNODALANO, ISNODALAUZ, NELEGALIZ, FUS_EXPORT, DATUMS, NR_PAVADZ, PZ_SERIJA, PASUT_NR, "
    "ISMASINA, DARIJUMAVEIDS, REKVIZITIFROM, D365_ID, PZ_BLOK, IEVDAT, IEVKODS) VALUES (:ISNODALANO, :ISNODALAUZ, "
    "'F', 'F', :DATUMS, :NR_PAVADZ, :PZ_SERIJA, :PASUT_NR, :ISMASINA, :DARIJUMAVEIDS, :REKVIZITIFROM, :D365_ID, "
    ":PZ_BLOK, :IEVDAT, :IEVKODS)";

const TLineKind kLine{
    {"TO_parpavTable", "O_PARPRCInsert", "O_PARPRC", "O_PARPRCInsertM1",
     "Neizdevās ievietot preci pārvietošanas pavadzīmē !!!\n", 5},
    "O_PARPRCGEN",
    "ISPARVPAV",
    "SELECT NR_PAVADZ NUMURS, DATUMS, ISNODALANO ISNODALA, ISNODALAUZ, NELEGALIZ FROM O_PARPAV WHERE ISN = :ISN",
    "INSERT INTO O_PARPRC (ISPARVPAV, ISPRECE, PARD_CENA, CENA, DAUDZUMS, NODOKLIS, ISSERTIF, PRECKOMENT, IEVDAT, "
    "IEVKODS) VALUES (:ISPARVPAV, :ISPRECE, :PARD_CENA, :CENA, :DAUDZUMS, :NODOKLIS, :ISSERTIF, :PRECKOMENT, "
    ":IEVDAT, :IEVKODS)",
    "TO_parpavTable", "O_PARPRCInsertM0", "Nav izveidota pārvietošanas pavadzīmes galva !!!",
    false};

}  // namespace

int TO_parpavTable::O_PARPAVInsert()
{
    O_PARPAVRecord& h = O_PARPAV;
    return insertHead(
        kHead, "O_PARPAVGEN", h, QLatin1String(kHeadInsert), h.DATUMS,
        [&] {
            h.ISNODALANO = orDefault(h.ISNODALANO);
            h.ISNODALAUZ = orDefault(h.ISNODALAUZ);
            h.ISMASINA = orDefault(h.ISMASINA);
            SqlQuery settings(db(), QStringLiteral("SELECT PARVREKVIZITIFROM FROM N_ISI2"));
            settings.open();
            h.REKVIZITIFROM = settings.asInt(QStringLiteral("PARVREKVIZITIFROM"));
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
        },
        [&] {
            return TKeyMatch{{QStringLiteral("ISNODALANO"), h.ISNODALANO}, {QStringLiteral("ISNODALAUZ"), h.ISNODALAUZ},
                             {QStringLiteral("NR_PAVADZ"), DocField::value(h.NR_PAVADZ)},
                             {QStringLiteral("DATUMS"), h.DATUMS}};
        });
}

int TO_parpavTable::O_PARPRCInsert()
{
    O_PARPRCRecord& l = O_PARPRC;
    THeadContext head;
    head.numurs = O_PARPAV.NR_PAVADZ;
    head.datums = O_PARPAV.DATUMS;
    return insertLine(
        kLine, O_PARPAV.ISN, &O_PARPRCRecord::ISPARVPAV, l, head, {},
        [&](const THeadContext& c) {
            UpdateCurrentStock(dati(), c.isNodala, l.ISPRECE, c.stockDate, -l.DAUDZUMS, c.nelegaliz, 1);
            UpdateCurrentStock(dati(), c.isNodalaUz, l.ISPRECE, c.stockDate, l.DAUDZUMS, c.nelegaliz, 1);
        });
}

int TO_parpavTable::FindByOrderNumber(const QString& pasutNr, const QDateTime& datums)
{
    const bool dated = datums.isValid();
    SqlQuery q(db(), dated ? QStringLiteral("SELECT O_PARPAV.ISN FROM O_PARPAV WHERE O_PARPAV.PASUT_NR=:PASUT_NR AND "
                                            "O_PARPAV.NR_PAVADZ=:PASUT_NR AND O_PARPAV.DATUMS=:DATUMS")
                           : QStringLiteral("SELECT O_PARPAV.ISN FROM O_PARPAV WHERE O_PARPAV.PASUT_NR=:PASUT_NR AND "
                                            "O_PARPAV.NR_PAVADZ=:PASUT_NR"));
    q.bind(QStringLiteral("PASUT_NR"), DocField::value(pasutNr));
    if (dated)
        q.bind(QStringLiteral("DATUMS"), datums);
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}
