#pragma once

#include <QString>

// Texts that the customer import, the customer export and the order import must build alike.
namespace WebShopText {

// A branch's address as stored and found again: the trimmed street, then each non-empty
// trimmed city, postcode and country preceded by ",", cut to 60 characters.
QString addressText(const QString& street, const QString& city, const QString& postcode, const QString& country);
// An e-mail as the shop's log-in compares it: trimmed, case not counting.
QString emailKey(const QString& email);
// The registration number: the value of key "2" of custom_field read as a JSON object;
// empty when the text is no object or has no such key.
QString regNr(const QString& customField);

}  // namespace WebShopText
