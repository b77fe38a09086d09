#pragma once

// The Firebird client library, wrapped once: only src/db includes this header.

#include "DbError.h"

#include <QByteArray>
#include <QDateTime>

#include <firebird/Interface.h>

namespace fb {

Firebird::IMaster* master();
Firebird::IUtil* util();

// A status vector for one call sequence; check() turns errors into DbError with the engine's
// own message and its GDS codes.
class Status {
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &wrapper_; }
    bool failed() const;
    void check(const char* what = nullptr);
    DbError error(const char* what = nullptr) const;
    void clear() { wrapper_.init(); }

private:
    Firebird::IStatus* raw_;
    Firebird::CheckStatusWrapper wrapper_;
};

ISC_TIMESTAMP encodeTimestamp(const QDateTime& value);
QDateTime decodeTimestamp(const ISC_TIMESTAMP& value);

// Character sets the layer names itself.
constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kCharsetUtf8 = 4;

}  // namespace fb
