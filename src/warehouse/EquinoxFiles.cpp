#include "EquinoxFiles.h"

namespace EquinoxFiles {

QStringList xmlFiles(const QStringList& names)
{
    QStringList found;
    for (const QString& name : names)
        if (name.size() > 4 && name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive))
            found << name;
    found.sort();
    return found;
}

}  // namespace EquinoxFiles
