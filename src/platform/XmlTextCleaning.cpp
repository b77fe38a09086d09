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

}  // namespace XmlTextCleaning
