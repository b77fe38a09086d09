#pragma once

#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of an outgoing invoice. Its insert is assembled from these fields.
struct O_PAVOUTRecord : TCustomerCodes {
    int ISN = 0;
    int ISKLIENT = 0;
    int ISKLSTRV = 0;
    int ISAGENTS = 0;
    int ISNODALA = 0;
    int ISMASINA = 0;
    QDateTime DATUMS = DateText::neverRun();
    QDateTime DAT_ATKR = DateText::neverRun();
    QString NR_PAVADZ;
    QString PZ_SERIJA;
    QString PASUT_NR;
    QString CAV_NR;
    double CITAS_IZM = 0;
    double CITAS_18 = 0;
    double PIECENOJ = 0;
    QDateTime APM_LIDZ = DateText::neverRun();
    double APMAKS_SUM = 0;
    int ISAPMAKSVEIDS = 0;
    QString APMAKS_DOK;
    QDateTime APMAKS_DAT = DateText::neverRun();
    QString FUSTIPS;
    QString FUSPAMATS;
    bool NELEGALIZ = false;
    bool PVN_REVERSS = false;
    bool INTRA_DARV = false;
    int DARIJUMAVEIDS = 0;
    QString KOMENTARS;
    double VAL_KURSS = 0;
    QString D365_ID;
    bool PZ_BLOK = false;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;  // entry code naming the source; empty: the operator name

    QString NODALAS_KODS;
    QString NODALAS_KODA_LAUKS = QStringLiteral("KODS");
    QString PIEZIMES;  // note of the journal entry

    template <class F>
    void params(F&& f) const
    {
        f("ISKLIENT", ISKLIENT); f("ISKLSTRV", ISKLSTRV); f("ISAGENTS", ISAGENTS); f("ISNODALA", ISNODALA);
        f("ISMASINA", ISMASINA); f("DATUMS", DATUMS); f("DAT_ATKR", DAT_ATKR); f("NR_PAVADZ", NR_PAVADZ);
        f("PZ_SERIJA", PZ_SERIJA); f("PASUT_NR", PASUT_NR); f("CAV_NR", CAV_NR); f("CITAS_IZM", CITAS_IZM);
        f("CITAS_18", CITAS_18); f("PIECENOJ", PIECENOJ); f("APM_LIDZ", APM_LIDZ); f("APMAKS_SUM", APMAKS_SUM);
        f("ISAPMAKSVEIDS", ISAPMAKSVEIDS); f("APMAKS_DOK", APMAKS_DOK); f("APMAKS_DAT", APMAKS_DAT);
        f("FUSTIPS", FUSTIPS); f("FUSPAMATS", FUSPAMATS); f("NELEGALIZ", NELEGALIZ);
        f("PVN_REVERSS", PVN_REVERSS); f("INTRA_DARV", INTRA_DARV); f("DARIJUMAVEIDS", DARIJUMAVEIDS);
        f("KOMENTARS", KOMENTARS); f("VAL_KURSS", VAL_KURSS); f("D365_ID", D365_ID); f("PZ_BLOK", PZ_BLOK);
        f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Line of an outgoing invoice; the column PIECENOJ takes ATLAIDE.
struct O_PRCOUTRecord : TLineGoods {
    int ISN = 0;
    int ISPAVOUT = 0;
    int ISPRECE = 0;
    double CENA = 0;  // without VAT, before the discount
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the goods' rate; 0 is a rate of its own
    double ATLAIDE = 0;
    double IEP_CENA = 0;
    int ISSERTIF = 0;
    int ISPRECAGENTS = 0;
    QString PRECKOMENT;
    QString PRECKOMENT2;
    int PVN_REVERSS = 0;
    double DAUDZUMS_NOCEN = 0;
    double CENA_NOCEN = 0;
    bool VARAIZVIETOT = false;
    int FLAG = 0;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;

    template <class F>
    void params(F&& f) const
    {
        f("ISPAVOUT", ISPAVOUT); f("ISPRECE", ISPRECE); f("CENA", CENA); f("DAUDZUMS", DAUDZUMS);
        f("NODOKLIS", NODOKLIS); f("ATLAIDE", ATLAIDE); f("IEP_CENA", IEP_CENA); f("ISSERTIF", ISSERTIF);
        f("ISPRECAGENTS", ISPRECAGENTS); f("PRECKOMENT", PRECKOMENT); f("PRECKOMENT2", PRECKOMENT2);
        f("PVN_REVERSS", PVN_REVERSS); f("DAUDZUMS_NOCEN", DAUDZUMS_NOCEN); f("CENA_NOCEN", CENA_NOCEN);
        f("VARAIZVIETOT", VARAIZVIETOT); f("FLAG", FLAG); f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Outgoing invoices: O_PAVOUT heads and O_PRCOUT lines; a line takes its quantity out of the
// head's department.
class TO_prcoutTable : public TDocumentTable {
public:
    explicit TO_prcoutTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_PAVOUTInsert();
    int O_PRCOUTInsert();
    // The head statement, assembled from the head's fields.
    QString O_PAVOUTInsertSql() const;

    O_PAVOUTRecord O_PAVOUT;
    O_PRCOUTRecord O_PRCOUT;
};
