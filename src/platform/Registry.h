#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <memory>

class QSettings;

// The current user's settings store ("Software\TOLVERN\VARNIS-A\" on the original platform),
// kept in one INI file with a section per key.
class Registry {
public:
    explicit Registry(const QString& iniPath);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // ~/.config/TOLVERN/VARNIS-A.ini
    static QString defaultPath();

    QString path() const;
    // A key exists when it holds values, when its (empty) section stands in the file, or when
    // it was opened with creation in this process.
    bool keyExists(const QString& key) const;
    void noteCreated(const QString& key) { created_.insert(key); }
    QSettings& settings() { return *settings_; }
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
    QSet<QString> created_;
};

// One opened key. Typed reads of a missing or malformed value throw RegistryError;
// a missing string reads as empty.
class RegistryKey {
public:
    explicit RegistryKey(Registry& registry) : registry_(registry) {}
    ~RegistryKey();

    // Without canCreate a key that has no values yet does not open.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    bool isOpen() const { return !key_.isEmpty(); }

    bool ValueExists(const QString& name) const;
    QString ReadString(const QString& name) const;
    int ReadInteger(const QString& name) const;
    bool ReadBool(const QString& name) const;
    QDate ReadDate(const QString& name) const;
    QDateTime ReadDateTime(const QString& name) const;

    void WriteString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    void WriteDate(const QString& name, const QDate& value);
    void WriteDateTime(const QString& name, const QDateTime& value);

private:
    QString raw(const QString& name, bool& present) const;
    void write(const QString& name, const QString& text);

    Registry& registry_;
    QString key_;
    bool dirty_ = false;
};
