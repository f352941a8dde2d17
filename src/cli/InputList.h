#pragma once
// A list of input names read from a file or standard input (--files-from), for batches too
// large for a command line.
#include <QString>
#include <QStringList>

#include "engine/Status.h"

namespace glint {

// The names in `bytes`, one a line (a line feed ends each; a carriage return before it is
// part of the name) or, with `nulSeparated`, each ended by a NUL byte. Empty names are
// skipped; a last name without its terminator counts.
QStringList splitInputList(const QByteArray& bytes, bool nulSeparated);

// Reads the list from the file `source`, or from standard input for "-".
Status readInputList(const QString& source, bool nulSeparated, QStringList& names);

}  // namespace glint
