#include "Registry.h"

#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

Registry::Registry(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

Registry::~Registry() = default;

QString Registry::defaultPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("TOLVERN/VARNIS-A.ini"));
}

QString Registry::path() const
{
    return settings_->fileName();
}

bool Registry::keyExists(const QString& key) const
{
    settings_->sync();
    if (settings_->childGroups().contains(key) || created_.contains(key))
        return true;
    // A key that holds no values is still a key: its section stands in the file even though
    // the settings store drops empty groups when it reads.
    QFile file(settings_->fileName());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray header = '[' + key.toUtf8() + ']';
    while (!file.atEnd()) {
        if (file.readLine().trimmed() == header)
            return true;
    }
    return false;
}

void Registry::sync()
{
    settings_->sync();
}

RegistryKey::~RegistryKey()
{
    CloseKey();
}

bool RegistryKey::OpenKey(const QString& key, bool canCreate)
{
    CloseKey();
    if (!canCreate && !registry_.keyExists(key))
        return false;
    if (canCreate)
        registry_.noteCreated(key);
    key_ = key;
    return true;
}

void RegistryKey::CloseKey()
{
    if (dirty_)
        registry_.sync();
    dirty_ = false;
    key_.clear();
}

QString RegistryKey::raw(const QString& name, bool& present) const
{
    if (key_.isEmpty())
        throw RegistryError(QStringLiteral("Registry key is not open"));
    const QVariant v = registry_.settings().value(key_ + QLatin1Char('/') + name);
    present = v.isValid();
    if (!present)
        return {};
    // An unquoted value with commas comes back as a list.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

static RegistryError invalidType(const QString& name)
{
    return RegistryError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

bool RegistryKey::ValueExists(const QString& name) const
{
    bool present = false;
    raw(name, present);
    return present;
}

QString RegistryKey::ReadString(const QString& name) const
{
    bool present = false;
    return raw(name, present);
}

int RegistryKey::ReadInteger(const QString& name) const
{
    bool present = false;
    const QString text = raw(name, present);
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!present || !ok)
        throw invalidType(name);
    return value;
}

bool RegistryKey::ReadBool(const QString& name) const
{
    bool present = false;
    const QString text = raw(name, present).trimmed().toLower();
    if (present) {
        if (text == QLatin1String("true") || text == QLatin1String("1"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("0"))
            return false;
    }
    throw invalidType(name);
}

QDate RegistryKey::ReadDate(const QString& name) const
{
    bool present = false;
    const QString text = raw(name, present).trimmed();
    const QDate value = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!present || !value.isValid())
        throw invalidType(name);
    return value;
}

QDateTime RegistryKey::ReadDateTime(const QString& name) const
{
    bool present = false;
    const QString text = raw(name, present).trimmed();
    QDateTime value = QDateTime::fromString(text, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!value.isValid()) {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            value = QDateTime(d, QTime(0, 0));
    }
    if (!present || !value.isValid())
        throw invalidType(name);
    return value;
}

void RegistryKey::write(const QString& name, const QString& text)
{
    if (key_.isEmpty())
        throw RegistryError(QStringLiteral("Registry key is not open"));
    registry_.settings().setValue(key_ + QLatin1Char('/') + name, text);
    dirty_ = true;
}

void RegistryKey::WriteString(const QString& name, const QString& value)
{
    write(name, value);
}

void RegistryKey::WriteInteger(const QString& name, int value)
{
    write(name, QString::number(value));
}

void RegistryKey::WriteBool(const QString& name, bool value)
{
    write(name, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void RegistryKey::WriteDate(const QString& name, const QDate& value)
{
    write(name, value.toString(QStringLiteral("yyyy-MM-dd")));
}

void RegistryKey::WriteDateTime(const QString& name, const QDateTime& value)
{
    write(name, value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
}
