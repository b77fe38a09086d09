#pragma once

#include <QString>

// One flag, not a counter: whoever clears it clears it for everybody.
class BusyFlag {
public:
    void set(bool state, const QString& label = {})
    {
        (void)label;  // names the caller for the reader of the code only
        busy_ = state;
    }
    bool isSet() const { return busy_; }

private:
    bool busy_ = false;
};
