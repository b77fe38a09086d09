#include "EdisoftFiles.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace EdisoftFiles {

QStringList list(const QString& dir, const QString& mask)
{
    const QFileInfoList entries = QDir(dir).entryInfoList({mask}, QDir::Files,
                                                          QDir::Name | QDir::IgnoreCase);
    QStringList paths;
    for (const QFileInfo& entry : entries)
        paths << entry.filePath();
    return paths;
}

bool isBeingWritten(const QString& path, const QDateTime& now)
{
    return QFileInfo(path).lastModified().msecsTo(now) < 10000;
}

QString moveInto(const QString& path, const QString& sub)
{
    const QFileInfo file(path);
    QDir dir = file.dir();
    if (!dir.mkpath(sub))
        throw VarnisError(QStringLiteral("Cannot create directory %1").arg(dir.filePath(sub)));
    dir.cd(sub);

    QString target = dir.filePath(file.fileName());
    for (int n = 1; QFileInfo::exists(target); ++n) {
        const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
        target = dir.filePath(QStringLiteral("%1_%2%3").arg(file.completeBaseName()).arg(n).arg(suffix));
    }
    QFile moving(path);
    // A failed move leaves the file where it was and no copy behind.
    if (!moving.rename(target))
        throw VarnisError(QStringLiteral("Cannot move %1 to %2: %3").arg(path, target, moving.errorString()));
    return target;
}

}  // namespace EdisoftFiles
