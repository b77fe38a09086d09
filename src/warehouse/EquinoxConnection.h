#pragma once

#include "net/FtpClient.h"

#include <QByteArray>
#include <QString>

struct ExchangeContext;

// The FTP place, user and password the Equinox tick read from [EquinoxExp].
struct EquinoxLogin {
    QString FTPVieta;  // host or host:port
    QString UserName;
    QString Parole;
};

// The warehouse's FTP server as every Equinox step reaches it: the settings check, the
// client settings (plain FTP, passive, binary) and the upload of one file.
class EquinoxConnection {
public:
    EquinoxConnection(ExchangeContext& context, EquinoxLogin login);

    // False, with the operator's message shown and the run refused, when a value is missing
    // or the place does not read as host or host:port.
    bool check();
    // Valid after check().
    const FtpSettings& ftpSettings() const { return ftp_; }

    // Saves the file into the work directory, then sends it to "VISION/DATA/IN/" with a client
    // of its own. False (logged, the run marked failed) when it did not arrive. A file that
    // cannot be saved throws.
    bool upload(const QString& fileName, const QByteArray& content);

    // The work directory's file of that name.
    QString localPath(const QString& fileName) const;
    // The namespace of the files' root element ([EquinoxExp] XmlNamespace), read by check().
    const QString& xmlNamespace() const { return namespace_; }

    static QString inboundDir() { return QStringLiteral("VISION/DATA/IN/"); }
    static QString outboundDir() { return QStringLiteral("VISION/DATA/OUT/"); }

private:
    ExchangeContext& context_;
    EquinoxLogin login_;
    FtpSettings ftp_;
    QString namespace_;
};
