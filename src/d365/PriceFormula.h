#pragma once

#include <QHash>
#include <QString>
#include <optional>

// Price formulas of the goods register ("<NET>*1.3*(1+<PVN>/100)") and price rounding.
namespace PriceFormula {

// The values a formula's placeholders stand for, by placeholder name without the brackets:
// "JIC", "PCENA3", "PIEC_3", ... (PIEC_n stands for every "<PIEC_n_...>").
using Values = QHash<QString, double>;

// The formula with its placeholders replaced by their values and "<NULL>" dropped;
// nullopt when it names a placeholder that has no value.
std::optional<QString> substitute(const QString& formula, const Values& values);

// The arithmetic of a formula without placeholders, split at the first operator so that
// a chain of the same kind groups to the right (10-2-3 is 11, 12/6/2 is 4). Numbers take
// '.' or ','. nullopt when the text cannot be evaluated (a division by zero included).
std::optional<double> evaluate(const QString& expression);

// A number as the evaluator writes a parenthesised result back: plain decimals, never an
// exponent (whose sign would be read as an operator).
QString numberText(double value);

// Rounding to decimals sends exact halves (judged on the decimal text) to the even neighbour.
double roundTo(double value, int decimals);
// A level's rounding mode: 11 to 0 or 5 hundredths, moving up to the next step; 0 the
// default decimals; any other d to d decimals.
double roundPrice(double value, int mode, int defaultDecimals);

}  // namespace PriceFormula
