#pragma once

#include "LogFile.h"

#include "platform/Log.h"

#include <QObject>
#include <QStringListModel>

class Clock;

// The process log: the list on the "Process" page and, line for line, "VarnisProcess.log".
class ProcessLog : public QObject, public Log {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 3000;
    static constexpr int kSplitAt = 100;

    explicit ProcessLog(Clock& clock, QString filePath = QStringLiteral("VarnisProcess.log"));

    void WriteLog(const QString& message, bool replaceLast = false) override;

    QStringListModel* model() { return &lines_; }
    QStringList lines() const { return lines_.stringList(); }
    QString filePath() const { return file_.path(); }
    LogFile& file() { return file_; }

    // --headless and --run also print every line to standard output.
    void setEcho(bool echo) { echo_ = echo; }
    // Standard output is the systemd journal: it stamps the time itself, so the echoed line
    // carries the message alone, error lines with the journal's error priority.
    void setJournal(bool journal) { journal_ = journal; }
    // JOURNAL_STREAM ("device:inode") names the stream fd is connected to.
    static bool isJournalStream(const QByteArray& journalStream, int fd);
    // Lets pending events through on every line so a long run keeps the window alive.
    void setProcessEvents(bool enabled) { processEvents_ = enabled; }

Q_SIGNALS:
    // The list changed; the view selects and shows its last line.
    void lastLineChanged();
    // Every message, as given.
    void lineWritten(const QString& message);

private:
    Clock& clock_;
    LogFile file_;
    QStringListModel lines_;
    bool echo_ = false;
    bool journal_ = false;
    bool processEvents_ = true;
};
