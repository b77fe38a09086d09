#include "TelemaExchange.h"

#include "db/ExchangeContext.h"
#include "platform/BusyFlag.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

TelemaExchange::TelemaExchange(ExchangeContext& context, TelemaTimeouts timeouts)
    : ctx_(context), rest_(context, timeouts), import_(context, rest_), export_(context, rest_)
{
}

bool TelemaExchange::TelemaProcess()
{
    ctx_.log.WriteLog(QStringLiteral("Sāku Telemaa..."));
    bool ok = true;
    try {
        rest_.options().read(ctx_.registry);
        const TelemaOptions& o = rest_.options();
        if (!o.SanPZImports && !o.PasutImports && !o.PasutExports && !o.IzrPZExports)
            ctx_.report.nothingToDo();
        if (o.SanPZImports)
            ok = import_.TelemaImportInvoices() && ok;
        if (o.PasutImports)
            ok = import_.TelemaImportOrders() && ok;
        if (o.PasutExports)
            ok = export_.TelemaExpPurchaseOrders() && ok;
        if (o.IzrPZExports)
            ok = export_.TelemaExpOrdersProcess() && ok;
    } catch (const std::exception& e) {
        const QString line = QStringLiteral("Kļūda pie TelemaProcess !!!") + errorText(e);
        ctx_.log.WriteLog(line);
        ctx_.busy.set(false, QStringLiteral("TelemaProcess"));
        ctx_.report.fail(line);
        ok = false;
    }
    ctx_.log.WriteLog(QStringLiteral("Beidzu Telemaa..."));
    return ok;
}
