#include "TelemaXmlText.h"

#include "platform/Errors.h"
#include "platform/XmlElementReader.h"

namespace TelemaXmlText {

namespace {

bool endsName(const QString& text, int at)
{
    if (at >= text.size())
        return false;
    const QChar c = text.at(at);
    return c == QLatin1Char('>') || c == QLatin1Char('/') || c.isSpace();
}

// The end tag "</name>" (blanks allowed before the ">") from a position: its start, and its
// length through endLength.
int endTag(const QString& text, const QString& name, int from, int* endLength)
{
    const QString close = QStringLiteral("</") + name;
    for (int at = text.indexOf(close, from); at >= 0; at = text.indexOf(close, at + 1)) {
        int p = at + close.size();
        while (p < text.size() && text.at(p).isSpace())
            ++p;
        if (p < text.size() && text.at(p) == QLatin1Char('>')) {
            *endLength = p + 1 - at;
            return at;
        }
    }
    return -1;
}

struct Span {
    bool found = false;   // a start tag was there
    bool closed = false;  // ... with its end tag, or written empty
    int begin = 0;        // the value
    int end = 0;
    int next = 0;         // just past the element
};

Span element(const QString& text, const QString& name, int from)
{
    Span s;
    const int at = startTag(text, name, from);
    if (at < 0)
        return s;
    s.found = true;
    const int gt = text.indexOf(QLatin1Char('>'), at);
    if (gt < 0)
        return s;
    if (text.at(gt - 1) == QLatin1Char('/')) {
        s.closed = true;
        s.begin = s.end = gt + 1;
        s.next = gt + 1;
        return s;
    }
    int length = 0;
    const int close = endTag(text, name, gt + 1, &length);
    if (close < 0)
        return s;
    s.closed = true;
    s.begin = gt + 1;
    s.end = close;
    s.next = close + length;
    return s;
}

}  // namespace

int startTag(const QString& text, const QString& name, int from)
{
    const QString open = QLatin1Char('<') + name;
    for (int at = text.indexOf(open, from); at >= 0; at = text.indexOf(open, at + 1))
        if (endsName(text, at + open.size()))
            return at;
    return -1;
}

QString raw(const QString& text, const QString& name)
{
    const Span s = element(text, name, 0);
    return s.closed ? text.mid(s.begin, s.end - s.begin) : QString();
}

QString value(const QString& text, const QString& name)
{
    return XmlElementReader::decode(raw(text, name)).trimmed();
}

QStringList elements(const QString& text, const QString& name)
{
    QStringList out;
    int from = 0;
    for (;;) {
        const Span s = element(text, name, from);
        if (!s.found)
            return out;
        if (!s.closed)
            throw ConvertError(QStringLiteral("<%1> bez beigu taga").arg(name));
        out << text.mid(s.begin, s.end - s.begin);
        from = s.next;
    }
}

}  // namespace TelemaXmlText
