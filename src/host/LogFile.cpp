#include "LogFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

LogFile::LogFile(QString path) : path_(std::move(path)) {}

void LogFile::setRotation(qint64 maxBytes, int keep)
{
    maxBytes_ = std::max<qint64>(0, maxBytes);
    keep_ = std::max(1, keep);
}

bool LogFile::append(const QByteArray& bytes)
{
    if (maxBytes_ > 0 && QFileInfo(path_).size() >= maxBytes_)
        rotate();
    QFile file(path_);
    if (!file.open(QIODevice::Append | QIODevice::WriteOnly))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written;
}

void LogFile::rotate()
{
    QLockFile lock(path_ + QStringLiteral(".lock"));
    // Another process rotating right now: this line goes to the file as it stands.
    if (!lock.tryLock(2000))
        return;
    // It may have been rotated while this process waited for the lock.
    if (QFileInfo(path_).size() < maxBytes_)
        return;
    QFile::remove(rotatedPath(keep_));
    for (int n = keep_ - 1; n >= 1; --n)
        if (QFileInfo::exists(rotatedPath(n)))
            QFile::rename(rotatedPath(n), rotatedPath(n + 1));
    QFile::rename(path_, rotatedPath(1));
}
