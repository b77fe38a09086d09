#include "PictureUploader.h"

#include "CatalogueText.h"
#include "net/FtpClient.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QDir>
#include <QFile>
#include <QStringList>

PictureUploader::PictureUploader(FtpClient& ftp, Log& log, RunReport& report, const QString& ftpDir, const QString& tempDir,
                                 bool uploadAll)
    : ftp_(ftp), log_(log), report_(report), tempDir_(tempDir), uploadAll_(uploadAll)
{
    dir_ = ftpDir.trimmed();
    if (!dir_.endsWith(QLatin1Char('/')))
        dir_ += QLatin1Char('/');
    cacheDir_ = CatalogueText::cacheDir(ftpDir);
    columnPrefix_ = CatalogueText::imagePrefix(ftpDir);
}

bool PictureUploader::readDirectory()
{
    existing_.clear();
    try {
        const QStringList names = ftp_.list(dir_);
        existing_ = QSet<QString>(names.cbegin(), names.cend());
        return true;
    } catch (const NetError&) {
        return false;
    }
}

QString PictureUploader::fileName(const QString& baseName, const QByteArray& data)
{
    return baseName + CatalogueText::pictureExtension(data);
}

bool PictureUploader::needsUpload(const QString& fileName) const
{
    return uploadAll_ || !existing_.contains(fileName);
}

QString PictureUploader::put(const QString& baseName, const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    const QString name = fileName(baseName, data);
    if (needsUpload(name))
        upload(name, data);
    return columnPrefix_ + name;
}

void PictureUploader::upload(const QString& name, const QByteArray& data)
{
    if (!serverDown_.isEmpty()) {
        failure(QStringLiteral("(2) "), name, serverDown_);
        return;
    }
    // The picture goes up from a file of the temporary directory, which is removed after.
    const QString localPath = QDir(tempDir_.isEmpty() ? QDir::tempPath() : tempDir_).filePath(name);
    QFile file(localPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size() || !file.flush()) {
        failure(QStringLiteral("(1) "), name, localPath + QStringLiteral(": ") + file.errorString());
        file.close();
        QFile::remove(localPath);
        return;
    }
    file.close();
    try {
        ftp_.upload(dir_ + name, data);
        existing_.insert(name);
        ++uploaded_;
    } catch (const NetError& e) {
        failure(QStringLiteral("(2) "), name, e.message());
        // One refused file is no reason to stop; a server that no longer answers is.
        try {
            ftp_.connect();
        } catch (const NetError& down) {
            serverDown_ = down.message();
        }
    }
    QFile::remove(localPath);
}

void PictureUploader::dropCachedCopies(int productKey)
{
    if (!serverDown_.isEmpty())
        return;
    if (!cacheListed_) {
        cacheListed_ = true;
        try {
            const QStringList names = ftp_.list(cacheDir_);
            cached_ = QSet<QString>(names.cbegin(), names.cend());
        } catch (const NetError&) {
            cached_.clear();
        }
    }
    QStringList gone;
    for (const QString& name : std::as_const(cached_)) {
        if (!CatalogueText::isCachedCopyOf(name, productKey))
            continue;
        try {
            ftp_.remove(cacheDir_ + name);
            gone << name;
        } catch (const NetError& e) {
            log_.WriteLog(QStringLiteral("WWW Nevarēju izdzēst attēla kopiju no FTP ") + name + QStringLiteral(": ") + e.message());
            gone << name;  // not tried again in this run
        }
    }
    for (const QString& name : gone)
        cached_.remove(name);
}

void PictureUploader::failure(const QString& kind, const QString& name, const QString& error)
{
    const QString line = QStringLiteral("WWW Nevarēju uzlikt attēla failu uz FTP ") + kind + name + QStringLiteral(": ") + error;
    log_.WriteLog(line);
    report_.fail(line);
    ++failed_;
}
