#include "O_paspavtable.h"

#include "Mainformdatiform.h"

namespace {

const TInsertReport kHead{"TO_paspavTable", "O_PASPAVInsert", "O_PASPAV", "O_PASPAVInsertM1",
                          "Neizdevās izveidot pasūtījumu !!!\n", 1};

const char* const kHeadInsert =
    "INSERT INTO O_PASPAV (ISKLIENT, ISAGENTS, ISNODALA, DATUMS, NR_PAVADZ, PZ_SERIJA, CITAS_IZM, CITAS_18, PIECENOJ, "
    "APM_LIDZ, NELEGALIZ, PIEGADPIRCEJS, DAT_PIEGADE, DAT_PIEGADE0, PIEGADE_VEIKALA, ISKLSTRV, ISMASINA, ATKR_FLAG, "
    "APMNOTEIKUMI, ISAPMAKSVEIDS, KOMENTARS, TRANSP_VEIDS, ISKLIENT_OTRS, CAV_NR, WEB_PASUTIJUMS, PLAN_LAIKS, "
    "POZ_MARSRUTA, MARSRUTS_NO, PZ_BLOK, D365_READY, IEVDAT, IEVKODS) VALUES (:ISKLIENT, :ISAGENTS, :ISNODALA, "
    ":DATUMS, :NR_PAVADZ, :PZ_SERIJA, :CITAS_IZM, :CITAS_18, :PIECENOJ, :APM_LIDZ, 'F', :PIEGADPIRCEJS, "
    ":DAT_PIEGADE, :DAT_PIEGADE, :PIEGADE_VEIKALA, :ISKLSTRV, :ISMASINA, :ATKR_FLAG, :APMNOTEIKUMI, "
    ":ISAPMAKSVEIDS, :KOMENTARS, :TRANSP_VEIDS, :ISKLIENT_OTRS, :CAV_NR, :WEB_PASUTIJUMS, :PLAN_LAIKS, "
    ":POZ_MARSRUTA, :MARSRUTS_NO, :PZ_BLOK, :D365_READY, :IEVDAT, :IEVKODS)";

const TLineKind kLine{
    {"TO_paspavTable", "O_PASPRCInsert", "O_PASPRC", "O_PASPRCInsertM1", "Neizdevās ievietot preci pasūtījumā !!!\n", 1},
    "O_PASPRCGEN",
    "ISPASPAV",
    "SELECT NR_PAVADZ NUMURS, DATUMS, ISKLIENT, ISNODALA FROM O_PASPAV WHERE ISN = :ISN",
    "INSERT INTO O_PASPRC (ISPASPAV, ISPRECE, CENA, DAUDZUMS, NODOKLIS, ATLAIDE, ISSERTIF, APSTIPRIN_DAUDZ, PIEZIMES, "
    "PIEZIMES2, ATKR_DAUDZ, VALUTA, PVN_REVERSS, VARAIZVIETOT, CIETIN_ARTIK) VALUES (:ISPAVADZ, :ISPRECE, :CENA, "
    ":DAUDZUMS, :NODOKLIS, :ATLAIDE, :ISSERTIF, :APSTIPRIN_DAUDZ, :PIEZIMES, :PIEZIMES2, :ATKR_DAUDZ, :VALUTA, "
    ":PVN_REVERSS, :VARAIZVIETOT, :CIETIN_ARTIK)",
    "TO_paspavTable", "O_PASPRCInsertM0", "Nav izveidota pasūtījuma galva !!!",
    false};

}  // namespace

void TO_paspavTable::applyDeliveryPlace(O_PASPAVRecord& h)
{
    // The place's agent takes its orders, or on an order day the agent of that weekday; the
    // vehicle is the agent's. Keys of 1 and below name nobody.
    const int weekday = h.DATUMS.date().dayOfWeek();
    SqlQuery place(db(), QStringLiteral("SELECT ISAGENTS, ORDER_%1 ORDER_DAY, ORDER_ISAGENTS_%1 ORDER_AGENT FROM N_KL_STRV "
                                        "WHERE ISN=:ISN").arg(weekday >= 1 && weekday <= 7 ? weekday : 1));
    place.bind(QStringLiteral("ISN"), h.ISKLSTRV);
    place.open();
    if (place.isEmpty())
        return;
    int agent = place.asInt(QStringLiteral("ISAGENTS"));
    if (place.asString(QStringLiteral("ORDER_DAY")).trimmed() == QLatin1String("T"))
        agent = place.asInt(QStringLiteral("ORDER_AGENT"));
    if (agent <= 1)
        return;
    h.ISAGENTS = agent;
    SqlQuery vehicle(db(), QStringLiteral("SELECT ISMASINA FROM N_AGENTS WHERE ISN=:ISN"));
    vehicle.bind(QStringLiteral("ISN"), agent);
    vehicle.open();
    if (vehicle.asInt(QStringLiteral("ISMASINA")) > 1)
        h.ISMASINA = vehicle.asInt(QStringLiteral("ISMASINA"));
}

int TO_paspavTable::O_PASPAVInsert()
{
    O_PASPAVRecord& h = O_PASPAV;
    return insertHead(
        kHead, "O_PASPAVGEN", h, QLatin1String(kHeadInsert), h.DATUMS,
        [&] {
            TCustomerCodes codes;
            codes.KL_FTPKODS = h.KL_FTPKODS;
            codes.KL_IDKODS = h.KL_IDKODS;
            const TCustomerRef found = resolveCustomer(codes, {h.ISKLIENT, h.ISKLSTRV});
            h.ISKLIENT = found.ISKLIENT;
            h.ISKLSTRV = found.ISKLSTRV;
            if (h.ISKLSTRV > 0)
                applyDeliveryPlace(h);

            SqlQuery customer(db(), QStringLiteral(
                "SELECT ISN, ISKLAGENTS, ISAPMAKSVEIDS, PIEGADAT, PIRCEJS, ATLAIDE FROM N_KLIENT WHERE ISN=:ISN"));
            customer.bind(QStringLiteral("ISN"), h.ISKLIENT);
            customer.open();
            if (customer.isEmpty())
                h.ISKLIENT = 1;
            if (h.ISAGENTS <= 0)
                h.ISAGENTS = orDefault(customer.asInt(QStringLiteral("ISKLAGENTS")));
            if (h.ISAPMAKSVEIDS <= 0)
                h.ISAPMAKSVEIDS = customer.asInt(QStringLiteral("ISAPMAKSVEIDS"));
            if (h.PIEGADPIRCEJS <= 0) {
                // An order to a supplier only when the customer supplies and does not buy.
                const bool supplier = customer.asString(QStringLiteral("PIEGADAT")).trimmed() == QLatin1String("T");
                const bool buyer = customer.asString(QStringLiteral("PIRCEJS")).trimmed() == QLatin1String("T");
                h.PIEGADPIRCEJS = supplier && !buyer ? 1 : 2;
            }
            h.ISNODALA = orDefault(h.ISNODALA);
            h.ISMASINA = orDefault(h.ISMASINA);
            h.IEVDAT = now();
            h.IEVKODS = entryCode(h.IEVKODS);
        },
        [&] {
            return customerHeadMatch(h.ISKLIENT, h.ISNODALA, h.NR_PAVADZ, "DATUMS", h.DATUMS);
        });
}

int TO_paspavTable::O_PASPRCInsert()
{
    O_PASPRCRecord& l = O_PASPRC;
    THeadContext head;
    head.numurs = O_PASPAV.NR_PAVADZ;
    head.datums = O_PASPAV.DATUMS;
    return insertLine(
        kLine, O_PASPAV.ISN, &O_PASPRCRecord::ISPAVADZ, l, head,
        [&](THeadContext& c) {
            if (l.CENA == 0) {
                const TCustomerPrice price = GetCustomerPrice(dati(), l.ISPRECE, c.isKlient, c.isNodala, c.datums);
                l.CENA = price.CENA;
                if (l.ATLAIDE == 0)
                    l.ATLAIDE = price.ATLAIDE;
            }
        },
        {});
}

TCustomerPrice TO_paspavTable::CustomerPrice(int isPrece)
{
    return GetCustomerPrice(dati(), isPrece, O_PASPAV.ISKLIENT, O_PASPAV.ISNODALA, O_PASPAV.DATUMS);
}
