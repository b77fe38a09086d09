#pragma once

#include "TelemaExport.h"
#include "TelemaImport.h"
#include "TelemaRest.h"

struct ExchangeContext;

// One Telema run as the scheduler starts it: the [Telema] settings, then the imports and
// exports they switch on. Lives as long as the host, so that the settings of the last run
// stay in force when the key cannot be opened.
class TelemaExchange {
public:
    explicit TelemaExchange(ExchangeContext& context, TelemaTimeouts timeouts = {});

    // True when every operation it ran did all its work; failures are logged and noted in
    // the run report. An error no operation handles ends the run with its log line.
    bool TelemaProcess();

    TTelemaRest& rest() { return rest_; }
    TelemaImport& import() { return import_; }
    TelemaExport& exporter() { return export_; }

private:
    ExchangeContext& ctx_;
    TTelemaRest rest_;
    TelemaImport import_;
    TelemaExport export_;
};
