#pragma once

#include <QString>
#include <QStringList>

// Installations whose shop sells at the reduced price column PARDCENA11, named by their own
// registration number (N_ISI.ISIREGNR). No installation of this build does: the list is
// empty. The catalogue's product price and the special prices read this one list.
namespace ReducedPriceInstallations {

inline const QStringList registrations{};

inline bool includes(const QStringList& list, const QString& ownRegistration)
{
    const QString own = ownRegistration.trimmed();
    return !own.isEmpty() && list.contains(own);
}

}  // namespace ReducedPriceInstallations
