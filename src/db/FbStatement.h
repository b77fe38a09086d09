#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace Firebird {
class IStatement;
class IResultSet;
class IMessageMetadata;
}
class FbDatabase;

// One prepared statement of an attachment. ":NAME" placeholders (one name may stand several
// times) are mapped to positional ones; values are always bound, never pasted into the text.
// Text goes in and out as UTF-8 and the engine transliterates, so a character the column's
// character set lacks is the engine's own error.
class FbStatement {
public:
    using Binds = QList<QPair<QString, QVariant>>;  // names in any case, without ':'

    FbStatement(FbDatabase& db, const QString& sql);
    ~FbStatement();
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;

    // A statement without a result set; returns the affected row count.
    int execute(const Binds& binds);
    // A select (or a procedure with outputs): positions before the first row.
    void open(const Binds& binds);
    // The next row into row; false at the end.
    bool fetch(QVector<QVariant>& row);
    void closeCursor() noexcept;

    const QStringList& columnNames() const { return columns_; }
    bool returnsRows() const;

    // The pool's bookkeeping.
    bool inUse = false;
    quint64 lastUse = 0;
    void invalidate() noexcept;
    bool valid() const { return statement_ != nullptr; }

    // The text with ":NAME" turned into "?", and the names in order (for tests, too).
    static QString positional(const QString& sql, QStringList* names);

private:
    struct Input;
    QByteArray buildInput(const Binds& binds, Firebird::IMessageMetadata** meta);
    void describeOutput();
    QVariant readField(int index, const unsigned char* buffer) const;

    FbDatabase& db_;
    Firebird::IStatement* statement_ = nullptr;
    Firebird::IResultSet* cursor_ = nullptr;
    Firebird::IMessageMetadata* inMeta_ = nullptr;
    Firebird::IMessageMetadata* outMeta_ = nullptr;  // coerced: text as UTF-8
    QStringList names_;
    QStringList columns_;
    unsigned type_ = 0;
    bool singleRowPending_ = false;  // a procedure's output row, returned by the first fetch
    QByteArray outBuffer_;
    struct Column {
        unsigned type;
        int subType;
        int scale;
        unsigned length;
        unsigned charset;
        unsigned chars;  // CHAR width in characters, for its padding
        unsigned offset;
        unsigned nullOffset;
    };
    QVector<Column> out_;
};
