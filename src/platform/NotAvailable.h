#pragma once

#include <QString>

// The line of an exchange or operation this build does not carry yet.
inline QString notAvailableLine(const QString& name)
{
    return name + QStringLiteral(" - nav pieejams šajā versijā (not available in this build)");
}
