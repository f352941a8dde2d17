#pragma once
// The name a result is saved under: always ending in ".bmp", in the folder the user chose.
#include <QString>

namespace glint {

// A name ending in ".bmp" (any case) is kept; a name ending in a dot and three characters has
// those four replaced by ".bmp"; any other name gets ".bmp" appended.
QString bmpFileName(const QString& chosen);

}  // namespace glint
