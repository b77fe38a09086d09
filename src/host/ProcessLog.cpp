#include "ProcessLog.h"

#include "platform/Clock.h"
#include "platform/DateText.h"

#include <QCoreApplication>
#include <cstdio>
#include <sys/stat.h>

ProcessLog::ProcessLog(Clock& clock, QString filePath) : clock_(clock), file_(std::move(filePath)) {}

bool ProcessLog::isJournalStream(const QByteArray& journalStream, int fd)
{
    const QList<QByteArray> parts = journalStream.split(':');
    struct stat st {};
    if (parts.size() != 2 || fstat(fd, &st) != 0)
        return false;
    bool okDevice = false;
    bool okInode = false;
    const qulonglong device = parts[0].toULongLong(&okDevice);
    const qulonglong inode = parts[1].toULongLong(&okInode);
    return okDevice && okInode && device == static_cast<qulonglong>(st.st_dev)
        && inode == static_cast<qulonglong>(st.st_ino);
}

void ProcessLog::WriteLog(const QString& message, bool replaceLast)
{
    if (lines_.rowCount() > kMaxLines)
        lines_.removeRows(0, 1);

    const QDateTime now = clock_.now();
    const QString line = DateText::date(now.date()).left(5) + QLatin1Char('-') + DateText::time(now.time())
        + QLatin1Char(' ') + message;
    const QByteArray bytes = line.toUtf8() + '\n';

    file_.append(bytes);
    if (echo_) {
        QByteArray out = bytes;
        if (journal_)
            out = (message.startsWith(QStringLiteral("Kļūda")) ? "<3>" : "") + message.toUtf8() + '\n';
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
        std::fflush(stdout);
    }
    Q_EMIT lineWritten(message);

    const QString first = line.left(kSplitAt);
    const QString rest = line.size() > kSplitAt ? line.mid(kSplitAt) : QString();
    const int rows = lines_.rowCount();
    if (!replaceLast || rows == 0) {
        // Replacing on an empty list adds the line instead.
        lines_.insertRows(rows, rest.isEmpty() || replaceLast ? 1 : 2);
        lines_.setData(lines_.index(rows), first);
        if (!rest.isEmpty() && !replaceLast)
            lines_.setData(lines_.index(rows + 1), rest);
    } else {
        lines_.setData(lines_.index(rows - 1), first);
    }

    Q_EMIT lastLineChanged();
    if (processEvents_ && QCoreApplication::instance())
        QCoreApplication::processEvents();
}
