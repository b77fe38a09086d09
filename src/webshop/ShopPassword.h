#pragma once

#include <QDateTime>
#include <QString>

// The shop's salted password scheme:
// hash = SHA-1(salt + SHA-1(salt + SHA-1(password))), lower-case hex.
namespace ShopPassword {

// The first 9 hex characters of SHA-1 of the time ("HH:mm:ss") followed by the date ("dd.MM.yyyy").
QString salt(const QDateTime& now);
// The password is taken trimmed.
QString hash(const QString& password, const QString& salt);
// A password nobody knows, for a customer who has none: the shop's password reset gives one.
QString randomPassword();

}  // namespace ShopPassword
