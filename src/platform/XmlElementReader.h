#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// Lines of one element: from the line holding its start tag up to, not including, the first
// line from there that holds its end tag (or the end of the text).
struct XmlBlock {
    int first = -1;
    int end = -1;
    bool isValid() const { return first >= 0; }
};

// Element values of the EDI and warehouse files, read line by line: the files put one
// element on a line, and that layout is the format. A value is read from the line holding
// its start tag, from after the tag up to the first "</" on that line; an element written
// over several lines therefore has no value. No XML parser: a parser would read such files
// differently.
//
// A tag counts where its name ends there: "<Line>", "<Line attr=..>" and "<Line/>" hold
// Line, "<Lines>" does not. A line holding a tag several times counts once. Occurrences
// are numbered from 1. Every look-up uses an index of the tags built in one pass, so a long
// file is not rescanned for every value.
class XmlElementReader {
public:
    XmlElementReader() = default;
    explicit XmlElementReader(QStringList lines);
    static XmlElementReader fromText(const QString& text);
    // Throws VarnisError when the file cannot be read. The text is UTF-8, else the encoding
    // its declaration names, else windows-1257.
    static XmlElementReader fromFile(const QString& path);
    static QString decodeFileText(const QByteArray& bytes);

    const QStringList& lines() const { return lines_; }
    int lineCount() const { return static_cast<int>(lines_.size()); }
    // The whole text, as one block.
    XmlBlock all() const { return {0, lineCount()}; }

    // The n-th line holding <tag> within the block; -1 when there is none.
    int findLine(const QString& tag, int n = 1) const { return findLine(tag, n, all()); }
    int findLine(const QString& tag, int n, const XmlBlock& within) const;
    // How many lines hold <tag>.
    int count(const QString& tag) const { return count(tag, all()); }
    int count(const QString& tag, const XmlBlock& within) const;

    // The block of the n-th <parent>; an invalid block when there is none.
    XmlBlock block(const QString& parent, int n = 1) const;
    // The block of <parent> that starts on the given line (which the caller found).
    XmlBlock blockAt(const QString& parent, int startLine) const;

    // The value of the n-th <tag>, decoded. Null when no line holds the tag.
    QString value(const QString& tag, int n = 1) const { return value(tag, n, all()); }
    QString value(const QString& tag, int n, const XmlBlock& within) const;
    // The value of <tag> on one line; null when the line does not hold the tag.
    QString valueOnLine(int line, const QString& tag) const;

    // The five entities and numeric character references; anything else stays as written.
    static QString decode(const QString& text);
    // Values as the files write them; these throw ConvertError.
    static QDate toDate(const QString& value);          // yyyy-mm-dd by character positions
    static QDateTime toDateTime(const QString& value);  // date in 1-10, hh:mm:ss in 12-19
    static double toNumber(const QString& value);       // "," or "."; empty gives 0
    static int toInteger(const QString& value);

private:
    struct Occurrences {
        QVector<int> starts;  // lines holding the start tag, ascending
        QVector<int> ends;    // lines holding the end tag, ascending
    };
    const Occurrences& occurrences(const QString& name) const;
    void buildIndex() const;

    QStringList lines_;
    mutable QHash<QString, Occurrences> index_;
    mutable bool indexed_ = false;
};
