#pragma once

#include <QString>

// What one exchange run came to, beyond the true/false the scheduler acts on: the command
// line's exit status and the run history need to tell "failed" from "nothing to do", and
// an entry that returns true to keep its schedule may still have failed inside.
class RunReport {
public:
    enum class Outcome { Done, Failed, Refused, NothingToDo };

    // The host calls this before every run.
    void begin() { *this = RunReport(); }

    // The first error line is kept; later ones do not replace it.
    void fail(const QString& line = {})
    {
        failed_ = true;
        if (firstError_.isEmpty())
            firstError_ = line;
    }
    // Busy, or stopped by a missing setting before any work.
    void refuse(const QString& line = {})
    {
        refused_ = true;
        if (firstError_.isEmpty())
            firstError_ = line;
    }
    // The settings ask for nothing (for example the shop exchange type 0).
    void nothingToDo() { nothingToDo_ = true; }
    void moved(int records = 1) { moved_ += records; }

    // Combines what was noted with the entry's own result.
    Outcome outcome(bool returned) const
    {
        if (failed_ || (!returned && !refused_))
            return Outcome::Failed;
        if (refused_)
            return Outcome::Refused;
        if (nothingToDo_)
            return Outcome::NothingToDo;
        return Outcome::Done;
    }
    int movedRecords() const { return moved_; }
    const QString& firstError() const { return firstError_; }

private:
    bool failed_ = false;
    bool refused_ = false;
    bool nothingToDo_ = false;
    int moved_ = 0;
    QString firstError_;
};
