#include "Dialogs.h"

#include "Log.h"

void LogDialogs::showMessage(const QString& text)
{
    log_.WriteLog(QStringLiteral("Paziņojums: ") + text);
}
