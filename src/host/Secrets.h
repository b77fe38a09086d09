#pragma once

#include <QString>
#include <QStringList>

class Registry;

// Passwords, secrets and tokens kept out of what the host writes for others to read: the
// run history, the status output and the metrics.
class Secrets {
public:
    // Settings whose names say they hold a secret (Parole, Pasword, DbPassword, SecretKey, ...).
    static bool isSecretName(const QString& valueName);

    // The secret values the settings file holds now.
    void readFrom(Registry& registry);
    void add(const QString& value);

    // The text with every known secret and every "password=…", "Bearer …", "user:pass@"
    // form replaced by "***".
    QString mask(const QString& text) const;

    // The warning line when the file holds a secret and others may read it; empty otherwise.
    static QString readableFileWarning(Registry& registry);

private:
    QStringList values_;
};
