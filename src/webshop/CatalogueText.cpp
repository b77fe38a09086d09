#include "CatalogueText.h"

#include "platform/DateText.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace CatalogueText {

namespace {

// Cyrillic letters by their Latin spelling; the rest of the alphabet is dropped.
const QHash<QChar, QString>& cyrillic()
{
    static const QHash<QChar, QString> map = [] {
        const char* const lower[] = {"a", "b", "v", "g", "d", "e", "zh", "z", "i", "j", "k", "l", "m", "n", "o", "p",
                                     "r", "s", "t", "u", "f", "h", "c", "ch", "sh", "sch", "", "y", "", "e", "ju", "ja"};
        QHash<QChar, QString> m;
        for (int i = 0; i < 32; ++i) {
            const QString latin = QString::fromLatin1(lower[i]);
            m.insert(QChar(0x0430 + i), latin);
            QString upper = latin;
            if (!upper.isEmpty())
                upper[0] = upper[0].toUpper();
            m.insert(QChar(0x0410 + i), upper);
        }
        m.insert(QChar(0x0451), QStringLiteral("e"));  // ё
        m.insert(QChar(0x0401), QStringLiteral("E"));
        m.insert(QChar(0x0456), QStringLiteral("i"));  // і
        m.insert(QChar(0x0406), QStringLiteral("I"));
        return m;
    }();
    return map;
}

// Letters without a decomposition of their own.
QString latinOf(QChar c)
{
    switch (c.unicode()) {
    case 0x00DF: return QStringLiteral("ss");
    case 0x00E6: return QStringLiteral("ae");
    case 0x00C6: return QStringLiteral("AE");
    case 0x00F8: return QStringLiteral("o");
    case 0x00D8: return QStringLiteral("O");
    case 0x0142: return QStringLiteral("l");
    case 0x0141: return QStringLiteral("L");
    default: return {};
    }
}

// Accents off: the letter's decomposition without its combining marks.
QString withoutMarks(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out;
}

bool isAsciiLetterOrDigit(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

}  // namespace

QString seoKeyword(const QString& text)
{
    QString out;
    for (const QChar c : withoutMarks(text)) {
        if (isAsciiLetterOrDigit(c) || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char('-'))
            out += c;
        else if (c.isSpace())
            out += QLatin1Char('-');
        else if (const auto it = cyrillic().constFind(c); it != cyrillic().constEnd())
            out += it.value();
        else
            out += latinOf(c);
    }
    static const QRegularExpression dashes(QStringLiteral("-{2,}"));
    out.replace(dashes, QStringLiteral("-"));
    while (out.startsWith(QLatin1Char('-')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('-')))
        out.chop(1);
    return out;
}

QString productSeoText(const QString& name, const QString& secondName, const QString& article)
{
    QStringList parts;
    if (!name.trimmed().isEmpty())
        parts << name.trimmed();
    if (!secondName.trimmed().isEmpty() && secondName.trimmed() != name.trimmed())
        parts << secondName.trimmed();
    if (!article.trimmed().isEmpty())
        parts << article.trimmed();
    return parts.join(QLatin1Char('-'));
}

QString trimGroupCode(const QString& name)
{
    const qsizetype blank = name.indexOf(QLatin1Char(' '));
    // 0-based 1..8 is the 2nd to 9th character
    if (blank >= 1 && blank <= 8)
        return name.mid(blank + 1);
    return name;
}

QString tagText(const QStringList& articles)
{
    QString tag;
    for (const QString& a : articles)
        if (!a.trimmed().isEmpty())
            tag += QLatin1Char('|') + a;
    return tag;
}

int sortOrder(const QString& grupkod)
{
    bool ok = false;
    const int value = grupkod.trimmed().toInt(&ok);
    return ok ? value : 0;
}

QList<int> extraGroups(const QString& isprgrupavel, int mainGroup)
{
    QList<int> groups;
    QSet<int> seen{mainGroup};
    for (const QString& part : isprgrupavel.split(QLatin1Char('|'))) {
        bool ok = false;
        const int key = part.trimmed().toInt(&ok);
        if (!ok || key <= 0 || seen.contains(key))
            continue;
        seen.insert(key);
        groups << key;
    }
    return groups;
}

int priceLevel(const QVariant& cenkods)
{
    if (cenkods.isNull())
        return 1;
    bool ok = false;
    const int level = cenkods.toString().trimmed().toInt(&ok);
    return ok && level >= 1 && level <= 16 ? level : 1;
}

bool quantityDecimal(const QString& expsvari, const QString& gabalprece)
{
    const QString piece = gabalprece.trimmed().isEmpty() ? QStringLiteral("F") : gabalprece.trimmed();
    return expsvari.trimmed() == QLatin1String("T") && piece != QLatin1String("F");
}

QString dateAdded(const QString& webNew, const QDate& webNewDatLidz)
{
    if (webNew.trimmed() == QLatin1String("T") && webNewDatLidz.isValid())
        return DateText::dateToIso(webNewDatLidz);
    return QStringLiteral("1900-01-01");
}

int minimumQuantity(const QVariant& wwwMinimums)
{
    const double value = wwwMinimums.isNull() ? 0 : wwwMinimums.toDouble();
    if (!(value > 0) || value > 1e9)
        return 1;
    return std::max(1, int(std::ceil(value - 1e-9)));
}

QString pictureExtension(const QByteArray& data)
{
    return data.mid(1, 3) == "PNG" ? QStringLiteral(".PNG") : QStringLiteral(".JPG");
}

namespace {

// The FTP directory split at the shop's "image/" folder: what lies up to and including
// it, and the folder under it (with a trailing "/"). No such folder: head is empty.
void splitAtImage(const QString& ftpDir, QString& head, QString& tail)
{
    QString d = ftpDir.trimmed();
    if (!d.endsWith(QLatin1Char('/')))
        d += QLatin1Char('/');
    const qsizetype at = d.indexOf(QLatin1String("/image/"));
    if (at >= 0) {
        head = d.left(at + 7);
        tail = d.mid(at + 7);
    } else if (d.startsWith(QLatin1String("image/"))) {
        head = QStringLiteral("image/");
        tail = d.mid(6);
    } else {
        head.clear();
        tail = d;
        while (tail.startsWith(QLatin1Char('/')))
            tail.remove(0, 1);
    }
}

}  // namespace

QString imagePrefix(const QString& ftpDir)
{
    QString head, tail;
    splitAtImage(ftpDir, head, tail);
    return tail;
}

QString cacheDir(const QString& ftpDir)
{
    QString head, tail;
    splitAtImage(ftpDir, head, tail);
    if (head.isEmpty())
        return QStringLiteral("/image/cache/catalog/images/");
    return head + QStringLiteral("cache/") + tail;
}

bool isCachedCopyOf(const QString& fileName, int productKey)
{
    const QRegularExpression copy(QStringLiteral("^BILDE_%1(_\\d{1,2})?-.+\\.(jpe?g|png)$").arg(productKey),
                                  QRegularExpression::CaseInsensitiveOption);
    return copy.match(fileName).hasMatch();
}

QString columnText(const QString& text, int length)
{
    return text.left(length);
}

QString collationKey(const QString& text)
{
    QString key = withoutMarks(text).toCaseFolded();
    while (key.endsWith(QLatin1Char(' ')))
        key.chop(1);
    return key;
}

}  // namespace CatalogueText
