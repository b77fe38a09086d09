#include "MessageBoxDialogs.h"

#include "platform/AppInfo.h"

#include <QMessageBox>

void MessageBoxDialogs::showMessage(const QString& text)
{
    QMessageBox::information(parent_, AppInfo::title(), text);
}
