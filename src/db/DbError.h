#pragma once

#include "platform/Errors.h"

#include <QList>

// A failed statement or connection. The message is the engine's own text; the status codes
// (Firebird GDS codes, empty for other databases) tell a lock conflict, a lost connection
// and a constraint violation apart.
class DbError : public VarnisError {
public:
    // Line breaks of the engine's text become "; ": one error, one log line.
    explicit DbError(const QString& message, QList<long> codes = {})
        : VarnisError(oneLine(message)), codes_(std::move(codes)) {}

    // The primary code, 0 when there is none.
    long gdsCode() const { return codes_.isEmpty() ? 0 : codes_.first(); }
    const QList<long>& codes() const { return codes_; }
    bool has(long code) const { return codes_.contains(code); }

    // Another transaction holds the row (nowait), or updated it after this one began.
    bool isLockConflict() const;
    // The server went away or the attachment was shut down.
    bool isConnectionLost() const;
    // A unique, foreign-key, check or not-null rule refused the row.
    bool isConstraintViolation() const;

private:
    static QString oneLine(const QString& text);

    QList<long> codes_;
};
