#pragma once

#include "platform/XmlElementReader.h"

#include <QByteArray>
#include <QStringList>

// One file from the warehouse, re-laid one element to a line and read by its lines.
class EquinoxFile {
public:
    enum class Kind { Unknown, Completion, Receipt, Shipment, Adjustment };

    explicit EquinoxFile(const QByteArray& bytes);

    // Every element on a line of its own: a start tag with its value and end tag, or a lone
    // tag. A line holding no ">" is joined with the next one first.
    static QStringList resplit(const QStringList& lines);

    // By the first line that is not a declaration or a comment.
    Kind kind() const { return kind_; }
    // The root element is closed on the last line: nothing was cut off.
    bool isWhole() const { return whole_; }
    // The file holds "<state>DONE</state>".
    bool isDone() const { return done_; }
    const XmlElementReader& reader() const { return reader_; }

    static QString kindName(Kind kind);

private:
    XmlElementReader reader_;
    Kind kind_ = Kind::Unknown;
    bool whole_ = false;
    bool done_ = false;
};
