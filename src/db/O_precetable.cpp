#include "O_precetable.h"

#include "Mainformdatiform.h"
#include "My_proc.h"

namespace {

const TInsertReport kHead{"TO_preceTable", "O_PAVADZInsert", "O_PAVADZ", "O_PAVADZInsertM1",
                          "Neizdevās izveidot saņemšanas pavadzīmi !!!\n", 5};

const char* const kHeadInsert =
    "INSERT INTO O_PAVADZ (ISKLIENT, ISAGENTS, ISNODALA, DAT_SANEM, DAT_PAVADZ, NR_PAVADZ, PZ_SERIJA, CITAS_IZM, "
    "CITAS_18, PIECENOJ, APM_LIDZ, ATGPRECSUM, APMAKS_SUM, ISAPMAKSVEIDS, APMAKS_DOK, APMAKS_DAT, FUS_EXPORT, "
    "NELEGALIZ, PASUT_NR, CAV_NR, KADASTRA_NR, PVN_REVERSS, FUSTIPS, FUSPAMATS, KOMENTARS, D365_ID, PZ_BLOK, "
    "IEVDAT, IEVKODS) VALUES (:ISKLIENT, :ISAGENTS, :ISNODALA, :DAT_SANEM, :DAT_PAVADZ, :NR_PAVADZ, :PZ_SERIJA, "
    ":CITAS_IZM, :CITAS_18, :PIECENOJ, :APM_LIDZ, 0, :APMAKS_SUM, :ISAPMAKSVEIDS, :APMAKS_DOK, :APMAKS_DAT, 'F', "
    ":NELEGALIZ, :PASUT_NR, :CAV_NR, :KADASTRA_NR, :PVN_REVERSS, :FUSTIPS, :FUSPAMATS, :KOMENTARS, :D365_ID, "
    ":PZ_BLOK, :IEVDAT, :IEVKODS)";

const char* const kLineInsert =
    "INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS, NODOKLIS, ATLAIDE, PARD_CENA, ISSERTIF, PIEMAKSA, "
    "IETUREJUMI, TRANSP_M3, PRECKOMENT, PRECKOMENT2, VALUTA, VAL_KURSS, CENA_PAP2, CENA_PAP3, PVN_REVERSS, IEVDAT, "
    "IEVKODS) VALUES (:ISPAVADZ, :ISPRECE, :CENA, :DAUDZUMS, :NODOKLIS, :ATLAIDE, :PARD_CENA, :ISSERTIF, "
    ":PIEMAKSA, :IETUREJUMI, :TRANSP_M3, :PRECKOMENT, :PRECKOMENT2, :VALUTA, :VAL_KURSS, :CENA_PAP2, :CENA_PAP3, "
    ":PVN_REVERSS, :IEVDAT, :IEVKODS)";

const TLineKind kLine{
    {"TO_preceTable", "O_PRECEInsert", "O_PRECE", "O_PRECEInsertM1", "Neizdevās ievietot preci saņemšanas pavadzīmē !!!\n", 5},
    "O_PRECEGEN",
    "ISPAVADZ",
    "SELECT O_PAVADZ.NR_PAVADZ NUMURS, O_PAVADZ.DAT_PAVADZ DATUMS, O_PAVADZ.DAT_SANEM STOCK_DATE, O_PAVADZ.ISKLIENT, "
    "O_PAVADZ.ISNODALA, O_PAVADZ.NELEGALIZ, N_DEPART.CENKODS FROM O_PAVADZ "
    "LEFT JOIN N_DEPART ON N_DEPART.ISN = O_PAVADZ.ISNODALA WHERE O_PAVADZ.ISN = :ISN",
    kLineInsert,
    "o_pavadz", "NoXLSfaila1Click2", "Nav izveidota pavadzīmes galva !!!",
    false};

}  // namespace

int TO_preceTable::O_PAVADZInsert()
{
    O_PAVADZRecord& h = O_PAVADZ;
    return insertHead(
        kHead, "O_PAVADZGEN", h, QLatin1String(kHeadInsert), h.DAT_PAVADZ,
        [&] {
            h.ISKLIENT = orDefault(resolveCustomer(h, {h.ISKLIENT, 0}).ISKLIENT);
            // The supplier's defaults for receipts, where it has them.
            MyProc& proc = dati().proc();
            const QString fusTips = proc.GetNotUseString(QStringLiteral("N_KLIENT"), QStringLiteral("FUSSANTIPS"), h.ISKLIENT);
            const QString fusPamats = proc.GetNotUseString(QStringLiteral("N_KLIENT"), QStringLiteral("FUSSANPAMATS"), h.ISKLIENT);
            if (!fusTips.trimmed().isEmpty())
                h.FUSTIPS = fusTips;
            if (!fusPamats.trimmed().isEmpty())
                h.FUSPAMATS = fusPamats;
            h.ISAGENTS = orDefault(h.ISAGENTS);
            if (h.ISNODALA <= 0)
                h.ISNODALA = departmentByCode(h.NODALAS_KODA_LAUKS, h.NODALAS_KODS);
            h.ISNODALA = orDefault(h.ISNODALA);
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
        },
        [&] {
            return customerHeadMatch(h.ISKLIENT, h.ISNODALA, h.NR_PAVADZ, "DAT_PAVADZ", h.DAT_PAVADZ);
        });
}

int TO_preceTable::O_PRECEInsert()
{
    O_PRECERecord& l = O_PRECE;
    THeadContext head;
    head.numurs = O_PAVADZ.NR_PAVADZ;
    head.datums = O_PAVADZ.DAT_PAVADZ;
    return insertLine(
        kLine, O_PAVADZ.ISN, &O_PRECERecord::ISPAVADZ, l, head,
        [&](THeadContext& c) {
            if (l.PARD_CENA == 0) {
                const double atLevel = c.cenKods >= 1 && c.cenKods <= 16 ? goods().PARDCENA[c.cenKods] : 0.0;
                l.PARD_CENA = atLevel != 0 ? atLevel : goods().PARDCENA[1];
            }
            if (!(l.CENA_PAP2 != 0 && l.CENA_PAP3 != 0) && dati().FILL2IEPCENA) {
                l.CENA_PAP2 = l.CENA * goods().PARDCENA[7];
                l.CENA_PAP3 = l.CENA_PAP2;
            }
        },
        [&](const THeadContext& c) { UpdateCurrentStock(dati(), c.isNodala, l.ISPRECE, c.stockDate, l.DAUDZUMS, c.nelegaliz, 1); });
}
