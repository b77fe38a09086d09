#pragma once

#include <QDate>
#include <QString>

class TMainFormDati;

// The balance of one partner (N_KLIENT.ISN) on balanceDate, in the goods database's
// shared transaction: the opening balance SAKATLSUM, then the documents dated after the
// opening day SAKATLDAT up to and including the balance day, counted by whole days. A
// buyer's balance is what it owes: invoices issued, less payments and returns. A
// supplier's (PIEGADAT 'T') is what is owed to it: invoices received, less payments and
// returns. A balance day before the opening day gives 0. Rounded to cents.
//
// dateEachDocument: the goods program's per-document date comparison. No caller of this
//   program sets it; it is kept for the routine's callers elsewhere and changes nothing here.
// legalisedOnly: documents marked NELEGALIZ 'T' are left out.
// extraCondition: program text ANDed to every document statement (may be empty); never
//   data, which would go into the statement unchecked.
// foreignCurrency: sums the documents' currency totals and divides payments by their rate
//   (VAL_KURSS; a payment without one counts as it stands). No caller of this program sets it.
double Kopklbilance(TMainFormDati& dati, int isKlient, bool dateEachDocument, bool legalisedOnly, const QDate& balanceDate,
                    const QString& extraCondition, bool foreignCurrency = false);

// Half away from zero to 2 decimals, steady against binary fractions such as 1.005.
double roundMoney(double value);
