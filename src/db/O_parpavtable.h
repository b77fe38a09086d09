#pragma once

#include "DocumentTable.h"

#include <optional>
#include "platform/DateText.h"

// Head of a transfer note between departments, one field per parameter of its insert.
struct O_PARPAVRecord {
    int ISN = 0;
    int ISNODALANO = 0;  // from
    int ISNODALAUZ = 0;  // to
    QDateTime DATUMS = DateText::neverRun();
    QString NR_PAVADZ;
    QString PZ_SERIJA;
    QString PASUT_NR;
    int ISMASINA = 0;
    int DARIJUMAVEIDS = 0;
    int REKVIZITIFROM = 0;  // taken from the system settings by the insert
    QString D365_ID;
    bool PZ_BLOK = false;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;  // entry code naming the source; empty: the operator name

    QString PIEZIMES;  // note of the journal entry

    template <class F>
    void params(F&& f) const
    {
        f("ISNODALANO", ISNODALANO); f("ISNODALAUZ", ISNODALAUZ); f("DATUMS", DATUMS); f("NR_PAVADZ", NR_PAVADZ);
        f("PZ_SERIJA", PZ_SERIJA); f("PASUT_NR", PASUT_NR); f("ISMASINA", ISMASINA);
        f("DARIJUMAVEIDS", DARIJUMAVEIDS); f("REKVIZITIFROM", REKVIZITIFROM); f("D365_ID", D365_ID);
        f("PZ_BLOK", PZ_BLOK); f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Line of a transfer note.
struct O_PARPRCRecord : TLineGoods {
    int ISN = 0;
    int ISPARVPAV = 0;
    int ISPRECE = 0;
    double PARD_CENA = 0;
    double CENA = 0;
    double DAUDZUMS = 0;
    std::optional<double> NODOKLIS;  // not given: the goods' rate; 0 is a rate of its own
    int ISSERTIF = 0;
    QString PRECKOMENT;
    QDateTime IEVDAT = DateText::neverRun();
    QString IEVKODS;

    template <class F>
    void params(F&& f) const
    {
        f("ISPARVPAV", ISPARVPAV); f("ISPRECE", ISPRECE); f("PARD_CENA", PARD_CENA); f("CENA", CENA);
        f("DAUDZUMS", DAUDZUMS); f("NODOKLIS", NODOKLIS); f("ISSERTIF", ISSERTIF); f("PRECKOMENT", PRECKOMENT);
        f("IEVDAT", IEVDAT); f("IEVKODS", IEVKODS);
    }
};

// Transfer notes: O_PARPAV heads and O_PARPRC lines; a line moves its quantity from the source
// department to the target department.
class TO_parpavTable : public TDocumentTable {
public:
    explicit TO_parpavTable(TMainFormDati& dati) : TDocumentTable(dati) {}

    int O_PARPAVInsert();
    int O_PARPRCInsert();

    // An existing transfer by its order number (which is also its number), on a date when given;
    // 0 when there is none. Sets nothing: the importer takes the key into O_PARPAV.ISN.
    int FindByOrderNumber(const QString& pasutNr, const QDateTime& datums = QDateTime());

    O_PARPAVRecord O_PARPAV;
    O_PARPRCRecord O_PARPRC;
};
