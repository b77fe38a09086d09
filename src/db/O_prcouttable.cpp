#include "O_prcouttable.h"

#include "Mainformdatiform.h"

namespace {

const TInsertReport kHead{"TO_prcoutTable", "O_PAVOUTInsert", "O_PAVOUT", "O_PAVOUTInsertM1",
                          "Neizdevās izveidot izrakstīšanas pavadzīmi !!!\n", 5};

const TLineKind kLine{
    {"TO_prcoutTable", "O_PRCOUTInsert", "O_PRCOUT", "O_PRCOUTInsertM1",
     "Neizdevās ievietot preci izrakstīšanas pavadzīmē !!!\n", 5},
    "O_PRCOUTGEN",
    "ISPAVOUT",
    "SELECT NR_PAVADZ NUMURS, DATUMS, ISKLIENT, ISNODALA, NELEGALIZ FROM O_PAVOUT WHERE ISN = :ISN",
    "INSERT INTO O_PRCOUT (ISPAVOUT, ISPRECE, CENA, DAUDZUMS, NODOKLIS, PIECENOJ, IEP_CENA, ISSERTIF, ISPRECAGENTS, "
    "PRECKOMENT, PRECKOMENT2, PVN_REVERSS, DAUDZUMS_NOCEN, CENA_NOCEN, VARAIZVIETOT, FLAG, IEVDAT, IEVKODS) VALUES "
    "(:ISPAVOUT, :ISPRECE, :CENA, :DAUDZUMS, :NODOKLIS, :ATLAIDE, :IEP_CENA, :ISSERTIF, :ISPRECAGENTS, :PRECKOMENT, "
    ":PRECKOMENT2, :PVN_REVERSS, :DAUDZUMS_NOCEN, :CENA_NOCEN, :VARAIZVIETOT, :FLAG, :IEVDAT, :IEVKODS)",
    "o_pavadz", "NoXLSfaila1Click2", "Nav izveidota pavadzīmes galva !!!",
    false};

}  // namespace

QString TO_prcoutTable::O_PAVOUTInsertSql() const
{
    return assembleInsert(QStringLiteral("O_PAVOUT"), O_PAVOUT, {{"FUS_EXPORT", "'F'"}});
}

int TO_prcoutTable::O_PAVOUTInsert()
{
    O_PAVOUTRecord& h = O_PAVOUT;
    return insertHead(
        kHead, "O_PAVOUTGEN", h, O_PAVOUTInsertSql(), h.DATUMS,
        [&] {
            const TCustomerRef customer = resolveCustomer(h, {h.ISKLIENT, h.ISKLSTRV});
            h.ISKLIENT = orDefault(customer.ISKLIENT);
            h.ISKLSTRV = customer.ISKLSTRV;
            if (h.ISNODALA <= 0)
                h.ISNODALA = departmentByCode(h.NODALAS_KODA_LAUKS, h.NODALAS_KODS);
            h.ISNODALA = orDefault(h.ISNODALA);
            h.ISAGENTS = orDefault(h.ISAGENTS);
            h.ISMASINA = orDefault(h.ISMASINA);
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
        },
        [&] {
            return customerHeadMatch(h.ISKLIENT, h.ISNODALA, h.NR_PAVADZ, "DATUMS", h.DATUMS);
        });
}

int TO_prcoutTable::O_PRCOUTInsert()
{
    O_PRCOUTRecord& l = O_PRCOUT;
    THeadContext head;
    head.numurs = O_PAVOUT.NR_PAVADZ;
    head.datums = O_PAVOUT.DATUMS;
    return insertLine(
        kLine, O_PAVOUT.ISN, &O_PRCOUTRecord::ISPAVOUT, l, head,
        [&](THeadContext&) { l.ISPRECAGENTS = orDefault(l.ISPRECAGENTS); },
        [&](const THeadContext& c) {
            UpdateCurrentStock(dati(), c.isNodala, l.ISPRECE, c.stockDate, -l.DAUDZUMS, c.nelegaliz, 1);
        });
}
