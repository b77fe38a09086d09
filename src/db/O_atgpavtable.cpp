#include "O_atgpavtable.h"

#include "Mainformdatiform.h"

namespace {

const TInsertReport kHead{"TO_atgpavTable", "O_ATGPAVInsert", "O_ATGPAV", "O_ATGPAVInsertM1",
                          "Neizdevās izveidot atgriešanas pavadzīmi !!!\n", 5};

const char* const kHeadInsert =
    "INSERT INTO O_ATGPAV (ISNODALA, ISAGENTS, ISKLIENT, ISKLSTRV, ISMASINA, NR_PAVADZ, PZ_SERIJA, DATUMS, DAT_ATKR, "
    "NELEGALIZ, FROM_WHAT, INTRA_DARV, BANK_NR, PVN_REVERSS, KOMENTARS, D365_ID, IEVDAT, IEVKODS) VALUES (:ISNODALA, "
    ":ISAGENTS, :ISKLIENT, :ISKLSTRV, :ISMASINA, :NR_PAVADZ, :PZ_SERIJA, :DATUMS, :DAT_ATKR, :NELEGALIZ, :FROM_WHAT, "
    ":INTRA_DARV, :BANK_NR, :PVN_REVERSS, :KOMENTARS, :D365_ID, :IEVDAT, :IEVKODS)";

const TLineKind kLine{
    {"TO_atgpavTable", "O_ATGPRCInsert", "O_ATGPRC", "O_ATGPRCInsertM1",
     "Neizdevās ievietot preci izrakstīšanas pavadzīmē !!!\n", 5},
    "O_ATGPRCGEN",
    "ISATGPAV",
    "SELECT NR_PAVADZ NUMURS, DATUMS, ISKLIENT, ISNODALA, NELEGALIZ FROM O_ATGPAV WHERE ISN = :ISN",
    "INSERT INTO O_ATGPRC (ISPRECE, ISSERTIF, CENA, DAUDZUMS, NODOKLIS, PIECENOJ, IEP_CENA, ISATGPAV, IEVDAT, "
    "IEVKODS) VALUES (:ISPRECE, :ISSERTIF, :CENA, :DAUDZUMS, :NODOKLIS, :ATLAIDE, :IEP_CENA, :ISATGPAV, :IEVDAT, "
    ":IEVKODS)",
    "o_pavadz", "NoXLSfaila1Click2", "Nav izveidota pavadzīmes galva !!!",
    false};

}  // namespace

int TO_atgpavTable::O_ATGPAVInsert()
{
    O_ATGPAVRecord& h = O_ATGPAV;
    return insertHead(
        kHead, "O_ATGPAVGEN", h, QLatin1String(kHeadInsert), h.DATUMS,
        [&] {
            const TCustomerRef customer = resolveCustomer(h, {h.ISKLIENT, h.ISKLSTRV});
            h.ISKLIENT = existingOrDefault("N_KLIENT", customer.ISKLIENT);
            h.ISKLSTRV = customer.ISKLSTRV;
            h.ISNODALA = existingOrDefault("N_DEPART", h.ISNODALA);
            h.ISAGENTS = existingOrDefault("N_AGENTS", h.ISAGENTS);
            h.ISMASINA = existingOrDefault("N_MASINA", h.ISMASINA);
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
        },
        [&] {
            return customerHeadMatch(h.ISKLIENT, h.ISNODALA, h.NR_PAVADZ, "DATUMS", h.DATUMS);
        });
}

int TO_atgpavTable::O_ATGPRCInsert()
{
    O_ATGPRCRecord& l = O_ATGPRC;
    THeadContext head;
    head.numurs = O_ATGPAV.NR_PAVADZ;
    head.datums = O_ATGPAV.DATUMS;
    return insertLine(
        kLine, O_ATGPAV.ISN, &O_ATGPRCRecord::ISATGPAV, l, head, {},
        [&](const THeadContext& c) {
            // A return names one department, and its quantities are negative: the stock of that
            // department moves by the quantity as stored.
            UpdateCurrentStock(dati(), c.isNodala, l.ISPRECE, c.stockDate, l.DAUDZUMS, c.nelegaliz, 1);
        });
}
