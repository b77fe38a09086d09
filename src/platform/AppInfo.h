#pragma once

#include <QString>

namespace AppInfo {
inline QString caption() { return QStringLiteral("Varnis auto procesi  ver. 7.00.25.16-1"); }
// The application title recorded with every error row.
inline QString title() { return QStringLiteral("VarnisProcess"); }
inline QString version() { return QStringLiteral("7.00.25.16-1"); }
}  // namespace AppInfo
