#pragma once

#include "platform/Errors.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// A D365 reply that cannot be imported: a missing list, a missing or unreadable member.
class D365Error : public VarnisError {
    using VarnisError::VarnisError;
};

// One record of a D365 reply, read member by member. A missing member, or one that does
// not read as the asked kind, throws D365Error naming the operation, the record and the
// member; JSON null reads as an empty text, 0, an empty object or an empty array.
class D365Record {
public:
    // where: "GetK42Vendors, 3. ieraksts" (used in the error texts)
    D365Record(const QJsonObject& object, const QString& where) : object_(object), where_(where) {}

    bool has(const QString& key) const { return object_.contains(key); }
    const QJsonObject& json() const { return object_; }
    const QString& where() const { return where_; }

    // Strings as they stand (unescaped), true/false as "true"/"false", numbers as their text.
    QString text(const QString& key) const;
    // Numbers; a string is read as a number ("12,5" and "12.5" alike, empty as 0).
    double number(const QString& key) const;
    // Whole numbers only.
    int integer(const QString& key) const;
    // A text that begins with yyyy-mm-dd; only those ten characters count.
    QDate date(const QString& key) const;
    D365Record object(const QString& key) const;
    QJsonArray array(const QString& key) const;

private:
    QJsonValue member(const QString& key) const;
    [[noreturn]] void fail(const QString& key, const QString& problem) const;

    QJsonObject object_;
    QString where_;
};
