#pragma once

#include "CustomerPrice.h"
#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of a customer order, one field per parameter of its insert (DAT_PIEGADE fills
// DAT_PIEGADE0 as well).
struct O_PASPAVRecord {
    int ISN = 0;
    int ISKLIENT = 0;
    int ISAGENTS = 0;
    int ISNODALA = 0;
    QDateTime DATUMS = DateText::neverRun();
    QString NR_PAVADZ;
    QString PZ_SERIJA;
    double CITAS_IZM = 0;
    double CITAS_18 = 0;
    double PIECENOJ = 0;
    QDateTime APM_LIDZ = DateText::neverRun();
    int PIEGADPIRCEJS = 0;  // 1 to a supplier, 2 from a buyer, 3 between departments; 0: from the customer
    QDateTime DAT_PIEGADE = DateText::neverRun();
    QDateTime PIEGADE_VEIKALA = DateText::neverRun();
    int ISKLSTRV = 0;
    int ISMASINA = 0;
    int ATKR_FLAG = 0;
    int APMNOTEIKUMI = 0;
    int ISAPMAKSVEIDS = 0;  // 0: the customer's
    QString KOMENTARS;
    QString TRANSP_VEIDS;
    int ISKLIENT_OTRS = 0;
    QString CAV_NR;
    bool WEB_PASUTIJUMS = false;
    QDateTime PLAN_LAIKS = DateText::neverRun();
    int POZ_MARSRUTA = 0;
    int MARSRUTS_NO = 0;
    bool PZ_BLOK = false;
    bool D365_READY = false;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;  // entry code naming the source; empty: the operator name

    // The customer by code when ISKLIENT is 0.
    QString KL_FTPKODS;  // exchange-partner code: delivery place (N_KL_STRV.FTP_KLKODS), else customer
    QString KL_IDKODS;   // identification code: N_KLIENT.IDKODS, else delivery place N_KL_STRV.KODS
    QString PIEZIMES;    // note of the journal entry

    template <class F>
    void params(F&& f) const
    {
        f("ISKLIENT", ISKLIENT); f("ISAGENTS", ISAGENTS); f("ISNODALA", ISNODALA); f("DATUMS", DATUMS);
        f("NR_PAVADZ", NR_PAVADZ); f("PZ_SERIJA", PZ_SERIJA); f("CITAS_IZM", CITAS_IZM); f("CITAS_18", CITAS_18);
        f("PIECENOJ", PIECENOJ); f("APM_LIDZ", APM_LIDZ); f("PIEGADPIRCEJS", PIEGADPIRCEJS);
        f("DAT_PIEGADE", DAT_PIEGADE); f("PIEGADE_VEIKALA", PIEGADE_VEIKALA); f("ISKLSTRV", ISKLSTRV);
        f("ISMASINA", ISMASINA); f("ATKR_FLAG", ATKR_FLAG); f("APMNOTEIKUMI", APMNOTEIKUMI);
        f("ISAPMAKSVEIDS", ISAPMAKSVEIDS); f("KOMENTARS", KOMENTARS); f("TRANSP_VEIDS", TRANSP_VEIDS);
        f("ISKLIENT_OTRS", ISKLIENT_OTRS); f("CAV_NR", CAV_NR); f("WEB_PASUTIJUMS", WEB_PASUTIJUMS);
        f("PLAN_LAIKS", PLAN_LAIKS); f("POZ_MARSRUTA", POZ_MARSRUTA); f("MARSRUTS_NO", MARSRUTS_NO);
        f("PZ_BLOK", PZ_BLOK); f("D365_READY", D365_READY); f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Line of a customer order; the head key goes in the parameter ISPAVADZ (column ISPASPAV).
struct O_PASPRCRecord : TLineGoods {
    int ISN = 0;
    int ISPAVADZ = 0;
    int ISPRECE = 0;
    double CENA = 0;  // 0: the customer's price, and its discount when ATLAIDE is 0 too
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the goods' rate; 0 is a rate of its own
    double ATLAIDE = 0;
    int ISSERTIF = 0;
    double APSTIPRIN_DAUDZ = 0;
    QString PIEZIMES;
    QString PIEZIMES2;
    double ATKR_DAUDZ = 0;
    double VALUTA = 0;
    int PVN_REVERSS = 0;
    bool VARAIZVIETOT = false;
    bool CIETIN_ARTIK = false;

    template <class F>
    void params(F&& f) const
    {
        f("ISPAVADZ", ISPAVADZ); f("ISPRECE", ISPRECE); f("CENA", CENA); f("DAUDZUMS", DAUDZUMS);
        f("NODOKLIS", NODOKLIS); f("ATLAIDE", ATLAIDE); f("ISSERTIF", ISSERTIF);
        f("APSTIPRIN_DAUDZ", APSTIPRIN_DAUDZ); f("PIEZIMES", PIEZIMES); f("PIEZIMES2", PIEZIMES2);
        f("ATKR_DAUDZ", ATKR_DAUDZ); f("VALUTA", VALUTA); f("PVN_REVERSS", PVN_REVERSS);
        f("VARAIZVIETOT", VARAIZVIETOT); f("CIETIN_ARTIK", CIETIN_ARTIK);
    }
};

// Customer orders: O_PASPAV heads and O_PASPRC lines. Nothing is retried here and no stock moves.
class TO_paspavTable : public TDocumentTable {
public:
    explicit TO_paspavTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_PASPAVInsert();
    int O_PASPRCInsert();

    // The price and discount of goods for the head's customer and department on its date.
    TCustomerPrice CustomerPrice(int isPrece);

    O_PASPAVRecord O_PASPAV;
    O_PASPRCRecord O_PASPRC;

private:
    void applyDeliveryPlace(O_PASPAVRecord& h);
};
