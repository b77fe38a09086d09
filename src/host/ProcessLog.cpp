#include "ProcessLog.h"

#include "platform/Clock.h"
#include "platform/DateText.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

ProcessLog::ProcessLog(Clock& clock, QString filePath) : clock_(clock), filePath_(std::move(filePath)) {}

void ProcessLog::WriteLog(const QString& message, bool replaceLast)
{
    if (lines_.rowCount() > kMaxLines)
        lines_.removeRows(0, 1);

    const QDateTime now = clock_.now();
    const QString line = DateText::date(now.date()).left(5) + QLatin1Char('-') + DateText::time(now.time())
        + QLatin1Char(' ') + message;
    const QByteArray bytes = line.toUtf8() + '\n';

    QFile file(filePath_);
    if (file.open(QIODevice::Append | QIODevice::WriteOnly)) {
        file.write(bytes);
        file.close();
    }
    if (echo_) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    }

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
