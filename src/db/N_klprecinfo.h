#pragma once

#include <QDateTime>
#include <QString>
#include <array>

class SqlQuery;
class TMainFormDati;

// How a document line names its goods when it gives no key.
enum class GoodsLookup {
    Article,   // every article column and ARTIKULI_N
    Article5,  // ARTIKULS5 (the D365 product number), then every article column
    Name,      // GNOS
};

// One row of the goods select.
struct TPreceInfo {
    int ISN = 0;
    QString GNOS;
    double LITRAZA = 0;
    QDateTime NEWCENDAT;
    std::array<double, 17> PARDCENA{};  // [1]..[16]
    std::array<double, 17> NEWCENA{};   // [1]..[16]
    double NODOKLIS = 0;
    bool PAKALPOJ = false;
    int ISSERTIF1 = 0;
    QString ARTIKULS;
    int ISPRGRUPA = 0;
    double PIECEN1 = 0;
    QString ARTIKULI_N;
    QString ARTIKULS6;
    QString ARTIKULS7;
    bool NERIEPCENUUSER = false;
    double NEWIEPCENA = 0;
    int PVN_REVERSS = 0;
    double SKKASTE = 0;
    bool DEPOZITATARA = false;
};

// A goods row to create. The supplier is looked up by REG_NR (VAT code or registration number)
// unless ISPRKLIENT is given; the logistics partner by IDKODS unless ISPRLOGISTIKA is given.
struct TJaunaPrece {
    QString ARTIKULS;
    QString ARTIKULS2;
    QString GNOS;
    int ISPRGRUPA = 0;
    double NODOKLIS = 0;
    QString MERVIENIBA;
    double LITRAZA = 0;
    QString ARTIKULI_N;
    QString ARTIKULS6;
    QString ARTIKULS7;
    QString ARTIKULS5;  // D365 product number: the next product import completes this row
    double PARDCENA1 = 0;
    double SKKASTE = 0;
    int PVN_REVERSS = 0;
    QString REG_NR;
    QString IDKODS;
    int ISPRKLIENT = 0;
    int ISPRLOGISTIKA = 0;
    QString IEVKODS;  // empty: the operator name
};

// Goods look-up and creation in N_KLPREC. Look-ups return the key (0 when nothing matches)
// and keep the row in Prece; the first row returned wins. Database errors throw DbError.
class TN_klprecinfo {
public:
    explicit TN_klprecinfo(TMainFormDati& dati) : dati_(dati) {}

    // Every article column; ARTIKULS7 is compared with artikuls7, or with the article when empty.
    int FindArtikuls(const QString& artikuls, const QString& artikuls7 = QString());
    // Two articles at once (for instance a supplier's code and the bar code).
    int FindArtikuli(const QString& first, const QString& second);
    int FindArtikuls5(const QString& artikuls);
    int FindGnos(const QString& gnos);
    int FindIsn(int isn);

    // Inserts the row and returns its key. Commits nothing: the caller's next commit does.
    int CreatePrece(const TJaunaPrece& prece);

    // The price of a level as the register holds it, and without VAT when the register's
    // prices include it (PARDCENASAR).
    double PriceWithoutVat(int level) const;

    TPreceInfo Prece;

private:
    int open(SqlQuery& q);
    int supplierByRegNr(const QString& regNr);
    int partnerByIdKods(const QString& idKods);

    TMainFormDati& dati_;
};
