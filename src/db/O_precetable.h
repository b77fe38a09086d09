#pragma once

#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of an incoming invoice (receipt), one field per parameter of its insert.
struct O_PAVADZRecord : TCustomerCodes {
    int ISN = 0;
    int ISKLIENT = 0;
    int ISAGENTS = 0;
    int ISNODALA = 0;
    QDateTime DAT_SANEM = DateText::neverRun();
    QDateTime DAT_PAVADZ = DateText::neverRun();
    QString NR_PAVADZ;
    QString PZ_SERIJA;
    double CITAS_IZM = 0;
    double CITAS_18 = 0;
    double PIECENOJ = 0;
    QDateTime APM_LIDZ = DateText::neverRun();
    double APMAKS_SUM = 0;
    int ISAPMAKSVEIDS = 0;
    QString APMAKS_DOK;
    QDateTime APMAKS_DAT = DateText::neverRun();
    bool NELEGALIZ = false;
    QString PASUT_NR;
    QString CAV_NR;
    QString KADASTRA_NR;
    bool PVN_REVERSS = false;
    QString FUSTIPS;
    QString FUSPAMATS;
    QString KOMENTARS;
    QString D365_ID;
    bool PZ_BLOK = false;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;  // entry code naming the source; empty: the operator name

    // Department by code when ISNODALA is 0: the code and its N_DEPART column.
    QString NODALAS_KODS;
    QString NODALAS_KODA_LAUKS = QStringLiteral("KODS");  // KODS, TELEMAA_KODS or EDISOFT_KODS
    QString PIEZIMES;  // note of the journal entry

    template <class F>
    void params(F&& f) const
    {
        f("ISKLIENT", ISKLIENT); f("ISAGENTS", ISAGENTS); f("ISNODALA", ISNODALA); f("DAT_SANEM", DAT_SANEM);
        f("DAT_PAVADZ", DAT_PAVADZ); f("NR_PAVADZ", NR_PAVADZ); f("PZ_SERIJA", PZ_SERIJA);
        f("CITAS_IZM", CITAS_IZM); f("CITAS_18", CITAS_18); f("PIECENOJ", PIECENOJ); f("APM_LIDZ", APM_LIDZ);
        f("APMAKS_SUM", APMAKS_SUM); f("ISAPMAKSVEIDS", ISAPMAKSVEIDS); f("APMAKS_DOK", APMAKS_DOK);
        f("APMAKS_DAT", APMAKS_DAT); f("NELEGALIZ", NELEGALIZ); f("PASUT_NR", PASUT_NR); f("CAV_NR", CAV_NR);
        f("KADASTRA_NR", KADASTRA_NR); f("PVN_REVERSS", PVN_REVERSS); f("FUSTIPS", FUSTIPS);
        f("FUSPAMATS", FUSPAMATS); f("KOMENTARS", KOMENTARS); f("D365_ID", D365_ID); f("PZ_BLOK", PZ_BLOK);
        f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Line of an incoming invoice; ISPAVADZ is the head's key.
struct O_PRECERecord : TLineGoods {
    int ISN = 0;
    int ISPAVADZ = 0;
    int ISPRECE = 0;
    double CENA = 0;
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the goods' rate; 0 is a rate of its own
    double ATLAIDE = 0;
    double PARD_CENA = 0;  // 0: the goods' price at the department's level
    int ISSERTIF = 0;
    double PIEMAKSA = 0;
    double IETUREJUMI = 0;
    double TRANSP_M3 = 0;
    QString PRECKOMENT;
    QString PRECKOMENT2;
    double VALUTA = 0;
    double VAL_KURSS = 0;
    double CENA_PAP2 = 0;
    double CENA_PAP3 = 0;
    int PVN_REVERSS = 0;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;

    template <class F>
    void params(F&& f) const
    {
        f("ISPAVADZ", ISPAVADZ); f("ISPRECE", ISPRECE); f("CENA", CENA); f("DAUDZUMS", DAUDZUMS);
        f("NODOKLIS", NODOKLIS); f("ATLAIDE", ATLAIDE); f("PARD_CENA", PARD_CENA); f("ISSERTIF", ISSERTIF);
        f("PIEMAKSA", PIEMAKSA); f("IETUREJUMI", IETUREJUMI); f("TRANSP_M3", TRANSP_M3);
        f("PRECKOMENT", PRECKOMENT); f("PRECKOMENT2", PRECKOMENT2); f("VALUTA", VALUTA);
        f("VAL_KURSS", VAL_KURSS); f("CENA_PAP2", CENA_PAP2); f("CENA_PAP3", CENA_PAP3);
        f("PVN_REVERSS", PVN_REVERSS); f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Incoming invoices: O_PAVADZ heads and O_PRECE lines. Fill O_PAVADZ, insert it, then fill and
// insert the lines one by one (reset a line with O_PRECE = {}). Each insert returns the new key,
// 0 when it failed (the failure has been reported; ErrorText tells why).
class TO_preceTable : public TDocumentTable {
public:
    explicit TO_preceTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_PAVADZInsert();
    int O_PRECEInsert();

    O_PAVADZRecord O_PAVADZ;
    O_PRECERecord O_PRECE;
};
