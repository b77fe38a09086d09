#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The Edisoft directories are the queue: files are taken in name order and leave the
// input directory by being moved into a subdirectory beside them.
namespace EdisoftFiles {

// Files of dir whose names match mask, whatever their case, in name order.
QStringList list(const QString& dir, const QString& mask);

// Changed less than 10 s before now: the operator's software may still be writing it.
bool isBeingWritten(const QString& path, const QDateTime& now);

// Moves the file into the subdirectory sub of its own directory, made when missing. A file of
// that name already there is kept: the new one takes a free name with a counter before its
// extension. Returns the new path; throws VarnisError when the file could not be moved.
QString moveInto(const QString& path, const QString& sub);

}  // namespace EdisoftFiles
