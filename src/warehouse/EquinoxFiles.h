#pragma once

#include <QStringList>

// File names of the warehouse's folders.
namespace EquinoxFiles {

// The names matching "*.XML" in any letter case, in name order.
QStringList xmlFiles(const QStringList& names);

}  // namespace EquinoxFiles
