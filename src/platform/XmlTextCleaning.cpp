#include "XmlTextCleaning.h"

namespace XmlTextCleaning {

namespace {

bool isSpecial(QChar c)
{
    switch (c.unicode()) {
    case '!': case '@': case '#': case '$': case '%': case '^': case '*': case ';': case '|':
    case '\\': case '=': case '_': case '{': case '}': case '[': case ']': case 0x2018:
        return true;
    default:
        return false;
    }
}

const char* entity(QChar c)
{
    switch (c.unicode()) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '\'': return "&apos;";
    case '"': return "&quot;";
    default: return nullptr;
    }
}

}  // namespace

QString blankSpecials(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (isSpecial(c))
            c = QLatin1Char(' ');
    return out;
}

QString escapeEntities(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (const char* e = entity(c))
            out += QLatin1String(e);
        else
            out += c;
    }
    return out;
}

// One pass gives what the two steps in their order give: a blanked character is never
// one of the five, and no entity is looked at again once written.
QString clean(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (isSpecial(c))
            out += QLatin1Char(' ');
        else if (const char* e = entity(c))
            out += QLatin1String(e);
        else
            out += c;
    }
    return out;
}

void appendCleanUtf8(QByteArray& out, QStringView text)
{
    // Written straight into the buffer: at most 6 bytes ("&quot;") for one UTF-16 unit.
    const qsizetype start = out.size();
    out.resize(start + text.size() * 6);
    char* p = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char32_t u = c.unicode();
        if (isSpecial(c)) {
            *p++ = ' ';
        } else if (const char* e = entity(c)) {
            while (*e)
                *p++ = *e++;
        } else if (u < 0x80) {
            *p++ = static_cast<char>(u);
        } else if (u < 0x800) {
            *p++ = static_cast<char>(0xC0 | (u >> 6));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const char32_t cp = QChar::surrogateToUcs4(c, text.at(++i));
            *p++ = static_cast<char>(0xF0 | (cp >> 18));
            *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            // a lone surrogate becomes U+FFFD, as QString::toUtf8 writes it
            const char32_t cp = c.isSurrogate() ? 0xFFFD : u;
            *p++ = static_cast<char>(0xE0 | (cp >> 12));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out.resize(p - out.constData());
}

}  // namespace XmlTextCleaning
