#pragma once

#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of a price-change note (PZ_VEIDS 1: a promotion), one field per parameter of its insert.
struct O_PARCPVRecord {
    int ISN = 0;
    int ISNODALA = 0;
    QDateTime DATUMS = DateText::neverRun();
    QString NR_PAVADZ;
    int PZ_VEIDS = 0;
    QString PAMATOJUMS;  // reason, such as "NO D365"; also the note of the journal entry
    QString IEVKODS;     // entry code naming the source; empty: the operator name
    QDateTime IEVDAT = DateText::neverRun();
    QString EDITKODS;
    QDateTime EDITDAT = DateText::neverRun();
    QDateTime AKCIJA_NO = DateText::neverRun();
    QDateTime AKCIJA_LIDZ = DateText::neverRun();
    QString AKCIJAS_VEIDS;  // promotion label
    QDateTime AKCIJA_IEPC_NO = DateText::neverRun();
    QDateTime AKCIJA_IEPC_LIDZ = DateText::neverRun();

    QString PIEZIMES;  // note of the journal entry; empty: PAMATOJUMS

    template <class F>
    void params(F&& f) const
    {
        f("ISNODALA", ISNODALA); f("DATUMS", DATUMS); f("NR_PAVADZ", NR_PAVADZ); f("PZ_VEIDS", PZ_VEIDS);
        f("PAMATOJUMS", PAMATOJUMS); f("IEVKODS", IEVKODS); f("IEVDAT", IEVDAT); f("EDITKODS", EDITKODS);
        f("EDITDAT", EDITDAT); f("AKCIJA_NO", AKCIJA_NO); f("AKCIJA_LIDZ", AKCIJA_LIDZ);
        f("AKCIJAS_VEIDS", AKCIJAS_VEIDS); f("AKCIJA_IEPC_NO", AKCIJA_IEPC_NO);
        f("AKCIJA_IEPC_LIDZ", AKCIJA_IEPC_LIDZ);
    }
};

// Line of a price-change note. KADA_CENA 1..16 is the sales price level that changes to CENA_UZ;
// a NEWIEPCENA other than 0 and NEWIEPCENA_NO is a new purchase price.
struct O_PARCPRRecord : TLineGoods {
    int ISN = 0;
    int ISPARCPV = 0;
    int ISPRECE = 0;
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the system's default rate; 0 is a rate of its own
    double CENA_NO = 0;
    double CENA_UZ = 0;
    double NEWIEPCENA = 0;
    double NEWIEPCENA_NO = 0;
    int KADA_CENA = 0;
    QString IEVKODS;
    QDateTime IEVDAT = DateText::neverRun();
    QString EDITKODS;
    QDateTime EDITDAT = DateText::neverRun();

    template <class F>
    void params(F&& f) const
    {
        f("ISPARCPV", ISPARCPV); f("ISPRECE", ISPRECE); f("DAUDZUMS", DAUDZUMS); f("NODOKLIS", NODOKLIS);
        f("CENA_NO", CENA_NO); f("CENA_UZ", CENA_UZ); f("NEWIEPCENA", NEWIEPCENA);
        f("NEWIEPCENA_NO", NEWIEPCENA_NO); f("KADA_CENA", KADA_CENA); f("IEVKODS", IEVKODS); f("IEVDAT", IEVDAT);
        f("EDITKODS", EDITKODS); f("EDITDAT", EDITDAT);
    }
};

// Price-change notes: O_PARCPV heads and O_PARCPR lines. A line also writes its new price into
// the goods register and the department's special prices. Nothing is retried here.
class TO_parcpvTable : public TDocumentTable {
public:
    explicit TO_parcpvTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_PARCPVInsert();
    int O_PARCPRInsert();

    // The note of the head's date, department, kind and promotion label (and number, when the
    // head has one); its key and number go into the head. 0 when there is none. Throws DbError.
    int FindO_PARCPV();
    // FindO_PARCPV, else O_PARCPVInsert.
    int FindOrInsertO_PARCPV();

    O_PARCPVRecord O_PARCPV;
    O_PARCPRRecord O_PARCPR;
};
