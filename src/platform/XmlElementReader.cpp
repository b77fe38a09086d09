#include "XmlElementReader.h"

#include "DateText.h"
#include "Errors.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace {

bool endsName(QChar c)
{
    return c == QLatin1Char('>') || c == QLatin1Char('/') || c.isSpace();
}

// Calls f(name, isEndTag, nameEnd) for every tag of the line whose name ends with '>',
// '/', white space or the end of the line.
template <class F>
void forEachTag(const QString& line, F&& f)
{
    const qsizetype size = line.size();
    qsizetype open = line.indexOf(QLatin1Char('<'));
    while (open >= 0) {
        qsizetype start = open + 1;
        const bool isEnd = start < size && line.at(start) == QLatin1Char('/');
        if (isEnd)
            ++start;
        qsizetype end = start;
        while (end < size && !endsName(line.at(end)) && line.at(end) != QLatin1Char('<'))
            ++end;
        if (end > start && (end == size || endsName(line.at(end))))
            f(QStringView(line).mid(start, end - start), isEnd, end);
        open = line.indexOf(QLatin1Char('<'), std::max(end, open + 1));
    }
}

}  // namespace

XmlElementReader::XmlElementReader(QStringList lines) : lines_(std::move(lines))
{
}

XmlElementReader XmlElementReader::fromText(const QString& text)
{
    QStringList lines;
    qsizetype from = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines << text.mid(from, i - from);
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        from = i + 1;
    }
    if (from < size)
        lines << text.mid(from);
    return XmlElementReader(std::move(lines));
}

QString XmlElementReader::decodeFileText(const QByteArray& bytes)
{
    if (const auto byBom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*byBom);
        QString text = decoder.decode(bytes);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    {
        QStringDecoder utf8(QStringConverter::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    static const QRegularExpression declared(QStringLiteral("encoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']"));
    const auto m = declared.match(QString::fromLatin1(bytes.left(200)));
    if (m.hasMatch()) {
        QStringDecoder named(m.captured(1).toLatin1().constData());
        if (named.isValid())
            return named.decode(bytes);
    }
    QStringDecoder baltic("windows-1257");
    if (baltic.isValid())
        return baltic.decode(bytes);
    return QString::fromLatin1(bytes);
}

XmlElementReader XmlElementReader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VarnisError(QStringLiteral("Cannot open file %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw VarnisError(QStringLiteral("Cannot read file %1: %2").arg(path, file.errorString()));
    return fromText(decodeFileText(bytes));
}

void XmlElementReader::buildIndex() const
{
    for (int line = 0; line < lineCount(); ++line) {
        forEachTag(lines_.at(line), [&](QStringView name, bool isEnd, qsizetype) {
            QVector<int>& list = isEnd ? index_[name.toString()].ends : index_[name.toString()].starts;
            if (list.isEmpty() || list.last() != line)
                list.append(line);
        });
    }
    indexed_ = true;
}

const XmlElementReader::Occurrences& XmlElementReader::occurrences(const QString& name) const
{
    static const Occurrences none;
    if (!indexed_)
        buildIndex();
    const auto it = index_.constFind(name);
    return it == index_.constEnd() ? none : it.value();
}

int XmlElementReader::findLine(const QString& tag, int n, const XmlBlock& within) const
{
    if (n < 1 || !within.isValid())
        return -1;
    const QVector<int>& starts = occurrences(tag).starts;
    const auto first = std::lower_bound(starts.begin(), starts.end(), within.first);
    if (starts.end() - first < n)
        return -1;
    const int line = *(first + (n - 1));
    return line < within.end ? line : -1;
}

int XmlElementReader::count(const QString& tag, const XmlBlock& within) const
{
    if (!within.isValid())
        return 0;
    const QVector<int>& starts = occurrences(tag).starts;
    const auto first = std::lower_bound(starts.begin(), starts.end(), within.first);
    const auto end = std::lower_bound(first, starts.end(), within.end);
    return static_cast<int>(end - first);
}

XmlBlock XmlElementReader::blockAt(const QString& parent, int startLine) const
{
    if (startLine < 0 || startLine >= lineCount())
        return {};
    const QVector<int>& ends = occurrences(parent).ends;
    const auto end = std::lower_bound(ends.begin(), ends.end(), startLine);
    return {startLine, end == ends.end() ? lineCount() : *end};
}

XmlBlock XmlElementReader::block(const QString& parent, int n) const
{
    return blockAt(parent, findLine(parent, n));
}

QString XmlElementReader::value(const QString& tag, int n, const XmlBlock& within) const
{
    const int line = findLine(tag, n, within);
    return line < 0 ? QString() : valueOnLine(line, tag);
}

QString XmlElementReader::valueOnLine(int line, const QString& tag) const
{
    if (line < 0 || line >= lineCount())
        return {};
    const QString& text = lines_.at(line);
    qsizetype nameEnd = -1;
    forEachTag(text, [&](QStringView name, bool isEnd, qsizetype end) {
        if (nameEnd < 0 && !isEnd && name == tag)
            nameEnd = end;
    });
    if (nameEnd < 0)
        return {};
    const qsizetype close = text.indexOf(QLatin1Char('>'), nameEnd);
    if (close < 0 || text.at(close - 1) == QLatin1Char('/'))
        return QStringLiteral("");
    const qsizetype stop = text.indexOf(QLatin1String("</"), close + 1);
    if (stop < 0)
        return QStringLiteral("");  // not closed on its line: not read
    return decode(text.mid(close + 1, stop - close - 1));
}

QString XmlElementReader::decode(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        const qsizetype semi = c == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), i + 1) : -1;
        if (semi < 0 || semi - i > 12) {
            out += c;
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, semi - i - 1);
        char32_t code = 0;
        if (name == u"lt")
            code = '<';
        else if (name == u"gt")
            code = '>';
        else if (name == u"amp")
            code = '&';
        else if (name == u"quot")
            code = '"';
        else if (name == u"apos")
            code = '\'';
        else if (name.startsWith(u'#')) {
            bool ok = false;
            const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
            const uint value = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            // Only characters a text may hold: no NUL, no surrogate halves, nothing past U+10FFFF.
            if (ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                code = value;
        }
        if (code == 0) {
            out += c;
            ++i;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semi + 1;
    }
    return out;
}

QDate XmlElementReader::toDate(const QString& value)
{
    return DateText::isoToDate(value.trimmed());
}

QDateTime XmlElementReader::toDateTime(const QString& value)
{
    const QString t = value.trimmed();
    const QDate date = DateText::isoToDate(t);
    if (t.size() <= 10)
        return QDateTime(date, QTime(0, 0));
    return QDateTime(date, DateText::parseTime(t.mid(11, 8)));
}

double XmlElementReader::toNumber(const QString& value)
{
    if (value.trimmed().isEmpty())
        return 0.0;
    const double number = DateText::parseNumber(value);
    if (!std::isfinite(number))
        throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(value));
    return number;
}

int XmlElementReader::toInteger(const QString& value)
{
    return DateText::parseInt(value);
}
