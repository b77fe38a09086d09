#pragma once

#include "db/N_klprecinfo.h"

#include <QList>
#include <QString>

class TMainFormDati;

// One code of a document line and the article column the partner keeps it in:
// 0 or 1 is ARTIKULS, 2 to 7 are ARTIKULS2 .. ARTIKULS7 (a partner's FTP_ARTIKULS2/3).
struct EdiArticleCode {
    QString code;
    int column = 0;
};

// The goods a line names.
struct EdiGoods {
    int ISN = 0;         // 0: the line named no code
    QString ARTIKULS;    // trimmed
    bool created = false;
};

// Goods of an EDI document line by its article codes, created when none match.
//
// The codes come in the caller's order of preference; empty ones are passed over. The first
// code is looked for in every article column and in ARTIKULI_N, with the second code as
// ARTIKULS7; then each further code in its own column. Codes are compared by their first 25
// characters. When nothing matches, the goods are created with the first code as article, so
// the same line finds them the next time. Database errors throw DbError; nothing is committed.
class EdiGoodsLookup {
public:
    explicit EdiGoodsLookup(TMainFormDati& dati);

    // newGoods: name, price, VAT rate, unit, supplier and entry code of a row to create;
    // its article is set here.
    EdiGoods find(const QList<EdiArticleCode>& codes, const TJaunaPrece& newGoods);

    // "ARTIKULS" or "ARTIKULS<n>" for a partner's column setting.
    static QString articleColumn(int column);

private:
    EdiGoods byAnyColumn(const QString& code, const QString& second);
    EdiGoods byColumn(const QString& code, int column);

    TMainFormDati& dati_;
    TN_klprecinfo register_;
};
