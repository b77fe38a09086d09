#pragma once

#include "EquinoxConnection.h"

#include <QString>

struct ExchangeContext;

// The warehouse's result files: fetched from "VISION/DATA/OUT/" into "<work dir>/Equinox/",
// then booked one file at a time, each file whole or not at all. A booked file is deleted;
// a file that cannot be booked (no known kind, cut short, unreadable, refused) is kept in
// "Equinox/Error/". When the database goes away the file stays where it is for the next run.
class EquinoxImport {
public:
    EquinoxImport(ExchangeContext& context, EquinoxLogin login);

    // False when the settings check stopped it, the server could not be reached or listed, a
    // download failed, or a file was set aside. Throws when the database went away, after
    // keeping the file it was booking.
    bool run();

    QString localDir() const;
    QString errorDir() const;

private:
    // The server's files into the local folder; a remote file is deleted only once its local
    // copy holds every byte received.
    bool download();
    // True when the file was booked (or held nothing to book) and deleted.
    bool process(const QString& path);
    void setAside(const QString& path);

    ExchangeContext& context_;
    EquinoxConnection connection_;
};
