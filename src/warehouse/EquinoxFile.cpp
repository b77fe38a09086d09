#include "EquinoxFile.h"

namespace {

struct Token {
    QString text;
    bool tag = false;
};

bool isStartTag(const QString& t)
{
    return t.size() > 2 && t.at(1) != QLatin1Char('/') && t.at(1) != QLatin1Char('?') && t.at(1) != QLatin1Char('!')
        && !t.endsWith(QLatin1String("/>"));
}

bool isEndTag(const QString& t)
{
    return t.startsWith(QLatin1String("</"));
}

QString tagName(const QString& t)
{
    int from = isEndTag(t) ? 2 : 1;
    int to = from;
    while (to < t.size() && !t.at(to).isSpace() && t.at(to) != QLatin1Char('>') && t.at(to) != QLatin1Char('/'))
        ++to;
    return t.mid(from, to - from);
}

QList<Token> tokens(const QString& line)
{
    QList<Token> out;
    qsizetype pos = 0;
    while (pos < line.size()) {
        const qsizetype open = line.indexOf(QLatin1Char('<'), pos);
        if (open < 0) {
            out.append({line.mid(pos), false});
            break;
        }
        if (open > pos)
            out.append({line.mid(pos, open - pos), false});
        const qsizetype close = line.indexOf(QLatin1Char('>'), open);
        if (close < 0) {
            out.append({line.mid(open), false});
            break;
        }
        out.append({line.mid(open, close - open + 1), true});
        pos = close + 1;
    }
    return out;
}

bool isPreamble(const QString& line)
{
    return line.startsWith(QLatin1String("<?")) || line.startsWith(QLatin1String("<!"));
}

}  // namespace

QStringList EquinoxFile::resplit(const QStringList& lines)
{
    QStringList joined;
    QString pending;
    for (const QString& line : lines) {
        pending += line;
        if (pending.contains(QLatin1Char('>'))) {
            joined << pending;
            pending.clear();
        }
    }
    if (!pending.trimmed().isEmpty())
        joined << pending;

    QStringList out;
    for (const QString& line : joined) {
        const QList<Token> t = tokens(line);
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (!t[i].tag) {
                if (!t[i].text.trimmed().isEmpty())
                    out << t[i].text.trimmed();
                continue;
            }
            const QString& tag = t[i].text;
            if (isStartTag(tag)) {
                const QString name = tagName(tag);
                // <a>value</a> and <a></a> stay together
                if (i + 2 < t.size() && !t[i + 1].tag && t[i + 2].tag && isEndTag(t[i + 2].text)
                    && tagName(t[i + 2].text) == name) {
                    out << tag + t[i + 1].text + t[i + 2].text;
                    i += 2;
                    continue;
                }
                if (i + 1 < t.size() && t[i + 1].tag && isEndTag(t[i + 1].text) && tagName(t[i + 1].text) == name) {
                    out << tag + t[i + 1].text;
                    i += 1;
                    continue;
                }
            }
            out << tag;
        }
    }
    return out;
}

EquinoxFile::EquinoxFile(const QByteArray& bytes)
    : reader_(resplit(XmlElementReader::fromText(XmlElementReader::decodeFileText(bytes)).lines()))
{
    const QStringList& lines = reader_.lines();
    int first = 0;
    while (first < lines.size() && isPreamble(lines.at(first)))
        ++first;
    if (first >= lines.size())
        return;
    const QString& head = lines.at(first);
    if (head.contains(QLatin1String("<inbound_order_state")))
        kind_ = Kind::Completion;
    else if (head.contains(QLatin1String("<inbound_order_result")))
        kind_ = Kind::Receipt;
    else if (head.contains(QLatin1String("<shipment_result")))
        kind_ = Kind::Shipment;
    else if (head.contains(QLatin1String("<inventory_adjustment_result")))
        kind_ = Kind::Adjustment;

    const QString root = tagName(head);
    whole_ = !root.isEmpty() && lines.last().contains(QLatin1String("</") + root + QLatin1Char('>'));
    for (const QString& line : lines)
        if (line.contains(QLatin1String("<state>DONE</state>"))) {
            done_ = true;
            break;
        }
}

QString EquinoxFile::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Completion: return QStringLiteral("inbound_order_state");
    case Kind::Receipt: return QStringLiteral("inbound_order_result");
    case Kind::Shipment: return QStringLiteral("shipment_result");
    case Kind::Adjustment: return QStringLiteral("inventory_adjustment_result");
    default: return QStringLiteral("?");
    }
}
