#pragma once

#include "platform/RunReport.h"

#include <QDateTime>
#include <QString>
#include <algorithm>

// What started a run.
enum class RunTrigger { Timer, Button, Command };

// One exchange run as the history keeps it.
struct RunRecord {
    QString exchange;
    RunTrigger trigger = RunTrigger::Timer;
    QDateTime started;
    QDateTime ended;
    RunReport::Outcome result = RunReport::Outcome::Done;
    int moved = 0;
    QString error;  // the first error line, secrets masked

    // Done and nothing-to-do count as success; failed and refused do not.
    bool succeeded() const { return isSuccess(result); }
    // Never negative, also when the clock was set back during the run.
    qint64 durationMs() const { return std::max<qint64>(0, started.msecsTo(ended)); }

    static bool isSuccess(RunReport::Outcome o)
    {
        return o == RunReport::Outcome::Done || o == RunReport::Outcome::NothingToDo;
    }
};

// The words the history, the status output and the metrics use.
namespace RunText {
inline QString trigger(RunTrigger t)
{
    switch (t) {
    case RunTrigger::Timer: return QStringLiteral("timer");
    case RunTrigger::Button: return QStringLiteral("button");
    case RunTrigger::Command: return QStringLiteral("--run");
    }
    return {};
}

inline QString result(RunReport::Outcome o)
{
    switch (o) {
    case RunReport::Outcome::Done: return QStringLiteral("done");
    case RunReport::Outcome::Failed: return QStringLiteral("failed");
    case RunReport::Outcome::Refused: return QStringLiteral("refused");
    case RunReport::Outcome::NothingToDo: return QStringLiteral("nothing to do");
    }
    return {};
}
}  // namespace RunText
