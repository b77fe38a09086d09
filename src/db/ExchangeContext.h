#pragma once

class BusyFlag;
class Clock;
class Dialogs;
class Log;
class Registry;
class RunReport;
class TMainFormDati;

// What an exchange gets from the host: never the window.
struct ExchangeContext {
    Log& log;
    BusyFlag& busy;
    Registry& registry;
    TMainFormDati& dati;
    Dialogs& dialogs;
    Clock& clock;
    // What the run came to, for the command line and the run history.
    RunReport& report;
};
