#include "PriceFormula.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace PriceFormula {

namespace {

std::optional<double> number(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^-?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    if (!re.match(text).hasMatch())
        return std::nullopt;
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> split(const QString& t)
{
    // the first operator of the weakest kind present; a leading '-' is a sign
    struct Op {
        QChar sign;
        qsizetype from;
    };
    for (const Op op : {Op{QLatin1Char('+'), 0}, Op{QLatin1Char('-'), 1}, Op{QLatin1Char('*'), 0},
                        Op{QLatin1Char('/'), 0}}) {
        const qsizetype at = t.indexOf(op.sign, op.from);
        if (at < 0)
            continue;
        const std::optional<double> left = evaluate(t.left(at));
        const std::optional<double> right = evaluate(t.mid(at + 1));
        if (!left || !right)
            return std::nullopt;
        switch (op.sign.unicode()) {
        case '+': return *left + *right;
        case '-': return *left - *right;
        case '*': return *left * *right;
        default:
            if (*right == 0.0)
                return std::nullopt;
            return *left / *right;
        }
    }
    return number(t);
}

}  // namespace

std::optional<QString> substitute(const QString& formula, const Values& values)
{
    static const QRegularExpression placeholder(QStringLiteral("<([^<>]*)>"));
    static const QRegularExpression markup(QStringLiteral("^PIEC_(\\d+)(_.*)?$"));
    QString out;
    qsizetype done = 0;
    auto it = placeholder.globalMatch(formula);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += formula.mid(done, m.capturedStart() - done);
        done = m.capturedEnd();
        QString name = m.captured(1);
        if (name == QLatin1String("NULL"))
            continue;
        const QRegularExpressionMatch piec = markup.match(name);
        if (piec.hasMatch())
            name = QStringLiteral("PIEC_") + piec.captured(1);
        const auto value = values.constFind(name);
        if (value == values.constEnd())
            return std::nullopt;
        out += numberText(value.value());
    }
    out += formula.mid(done);
    return out;
}

std::optional<double> evaluate(const QString& expression)
{
    QString t = expression;
    t.remove(QLatin1Char(' '));
    // innermost work first: each parenthesised part becomes the number it evaluates to
    for (qsizetype open = t.indexOf(QLatin1Char('(')); open >= 0; open = t.indexOf(QLatin1Char('('))) {
        int depth = 0;
        qsizetype close = -1;
        for (qsizetype i = open; i < t.size() && close < 0; ++i) {
            if (t[i] == QLatin1Char('('))
                ++depth;
            else if (t[i] == QLatin1Char(')') && --depth == 0)
                close = i;
        }
        if (close < 0)
            return std::nullopt;
        const std::optional<double> inner = evaluate(t.mid(open + 1, close - open - 1));
        if (!inner)
            return std::nullopt;
        t = t.left(open) + numberText(*inner) + t.mid(close + 1);
    }
    if (t.isEmpty() || t.contains(QLatin1Char(')')))
        return std::nullopt;
    const std::optional<double> value = split(t);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

QString numberText(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    // fifteen significant digits, as plain decimals
    const int whole = static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    QString t = QString::number(value, 'f', std::clamp(15 - whole, 0, 15));
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
    }
    return t == QLatin1String("-0") ? QStringLiteral("0") : t;
}

double roundTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // 2.675 is 267.49999... in binary; read at fifteen digits it is the half it was written as
    const double scaled = QString::number(value * scale, 'g', 15).toDouble();
    const double below = std::floor(scaled);
    const double fraction = scaled - below;
    double whole;
    if (std::fabs(fraction - 0.5) < 1e-9)
        whole = std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
    else
        whole = std::round(scaled);
    return whole / scale;
}

double roundPrice(double value, int mode, int defaultDecimals)
{
    if (mode == 0)
        return roundTo(value, defaultDecimals);
    if (mode != 11)
        return roundTo(value, mode);
    const double cents = roundTo(value, 2);
    QString text = QString::number(cents, 'f', 2);
    const int last = text.back().digitValue();
    if (last == 0)
        return cents;
    if (last <= 5) {
        text.back() = QLatin1Char('5');
        return text.toDouble();
    }
    return roundTo(cents, 1);
}

}  // namespace PriceFormula
