#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

class FtpClient;
class Log;
class RunReport;

// The catalogue's pictures on the shop's FTP server. Each picture goes to a file in the
// temporary directory and up into the picture directory, unless a file of its name is
// there already (the directory is listed once per run; uploadAll sends every one again).
// The shop's resized copies of a product's pictures are deleted before new ones go up.
// A picture that does not go up is logged and the run goes on.
class PictureUploader {
public:
    PictureUploader(FtpClient& ftp, Log& log, RunReport& report, const QString& ftpDir, const QString& tempDir,
                    bool uploadAll);

    // Lists the picture directory; false when that failed (the server, or no such directory yet).
    bool readDirectory();

    // The file name of a picture: base name and the extension its data calls for.
    static QString fileName(const QString& baseName, const QByteArray& data);
    // Whether the picture of that file name would be uploaded.
    bool needsUpload(const QString& fileName) const;
    // Uploads the picture when needed; returns what the shop's image column holds for it,
    // empty for no picture. The column names the file even when the upload failed: the file
    // arrives with a later run.
    QString put(const QString& baseName, const QByteArray& data);
    // Deletes the shop's resized copies of the product's pictures (the cache folder is listed
    // once per run; no such folder: nothing to delete).
    void dropCachedCopies(int productKey);

    int uploaded() const { return uploaded_; }
    int failed() const { return failed_; }

private:
    void upload(const QString& name, const QByteArray& data);
    void failure(const QString& kind, const QString& name, const QString& error);

    FtpClient& ftp_;
    Log& log_;
    RunReport& report_;
    QString dir_;          // "/image/catalog/images/"
    QString cacheDir_;     // "/image/cache/catalog/images/"
    QString columnPrefix_; // "catalog/images/"
    QString tempDir_;
    bool uploadAll_;
    QSet<QString> existing_;
    bool cacheListed_ = false;
    QSet<QString> cached_;
    QString serverDown_;   // why the server is taken as gone for the rest of the run
    int uploaded_ = 0;
    int failed_ = 0;
};
