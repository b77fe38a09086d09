#pragma once

#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of a return note, one field per parameter of its insert.
struct O_ATGPAVRecord : TCustomerCodes {
    int ISN = 0;
    int ISNODALA = 0;
    int ISAGENTS = 0;
    int ISKLIENT = 0;
    int ISKLSTRV = 0;
    int ISMASINA = 0;
    QString NR_PAVADZ;
    QString PZ_SERIJA;
    QDateTime DATUMS = DateText::neverRun();
    QDateTime DAT_ATKR = DateText::neverRun();
    bool NELEGALIZ = false;
    int FROM_WHAT = 0;
    bool INTRA_DARV = false;
    QString BANK_NR;
    bool PVN_REVERSS = false;
    QString KOMENTARS;
    QString D365_ID;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;  // entry code naming the source; empty: the operator name

    QString PIEZIMES;  // note of the journal entry

    template <class F>
    void params(F&& f) const
    {
        f("ISNODALA", ISNODALA); f("ISAGENTS", ISAGENTS); f("ISKLIENT", ISKLIENT); f("ISKLSTRV", ISKLSTRV);
        f("ISMASINA", ISMASINA); f("NR_PAVADZ", NR_PAVADZ); f("PZ_SERIJA", PZ_SERIJA); f("DATUMS", DATUMS);
        f("DAT_ATKR", DAT_ATKR); f("NELEGALIZ", NELEGALIZ); f("FROM_WHAT", FROM_WHAT);
        f("INTRA_DARV", INTRA_DARV); f("BANK_NR", BANK_NR); f("PVN_REVERSS", PVN_REVERSS);
        f("KOMENTARS", KOMENTARS); f("D365_ID", D365_ID); f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Line of a return note; returns are stored with negative quantities. PIECENOJ takes ATLAIDE.
struct O_ATGPRCRecord : TLineGoods {
    int ISN = 0;
    int ISPRECE = 0;
    int ISSERTIF = 0;
    double CENA = 0;
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the goods' rate; 0 is a rate of its own
    double ATLAIDE = 0;
    double IEP_CENA = 0;
    int ISATGPAV = 0;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;

    template <class F>
    void params(F&& f) const
    {
        f("ISPRECE", ISPRECE); f("ISSERTIF", ISSERTIF); f("CENA", CENA); f("DAUDZUMS", DAUDZUMS);
        f("NODOKLIS", NODOKLIS); f("ATLAIDE", ATLAIDE); f("IEP_CENA", IEP_CENA); f("ISATGPAV", ISATGPAV);
        f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Return notes: O_ATGPAV heads and O_ATGPRC lines.
class TO_atgpavTable : public TDocumentTable {
public:
    explicit TO_atgpavTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_ATGPAVInsert();
    int O_ATGPRCInsert();

    O_ATGPAVRecord O_ATGPAV;
    O_ATGPRCRecord O_ATGPRC;
};
