#include "ShopPassword.h"

#include "platform/DateText.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

QByteArray sha1Hex(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex();
}

}  // namespace

namespace ShopPassword {

QString salt(const QDateTime& now)
{
    const QString text = DateText::time(now.time()) + DateText::date(now.date());
    return QString::fromLatin1(sha1Hex(text.toUtf8()).left(9));
}

QString hash(const QString& password, const QString& salt)
{
    const QByteArray s = salt.toUtf8();
    return QString::fromLatin1(sha1Hex(s + sha1Hex(s + sha1Hex(password.trimmed().toUtf8()))));
}

QString randomPassword()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof(words)).toHex());
}

}  // namespace ShopPassword
