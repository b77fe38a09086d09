#pragma once

#include <QByteArray>
#include <QString>

// The log file, opened for each line and closed again. Once it has reached its size it is
// rotated first: VarnisProcess.log becomes VarnisProcess.log.1, .1 becomes .2, and so on,
// the oldest dropped. Rotation renames, so a line another process is writing at that moment
// lands whole in .1; a lock file keeps two processes from rotating at once.
class LogFile {
public:
    static constexpr qint64 kDefaultMaxBytes = 10LL * 1024 * 1024;
    static constexpr int kDefaultKeep = 10;

    explicit LogFile(QString path);

    // maxBytes 0 never rotates.
    void setRotation(qint64 maxBytes, int keep);
    qint64 maxBytes() const { return maxBytes_; }
    int keep() const { return keep_; }

    // False when the file could not be opened (the line is then lost to the file only).
    bool append(const QByteArray& bytes);

    const QString& path() const { return path_; }
    QString rotatedPath(int n) const { return path_ + QLatin1Char('.') + QString::number(n); }

private:
    void rotate();

    QString path_;
    qint64 maxBytes_ = kDefaultMaxBytes;
    int keep_ = kDefaultKeep;
};
