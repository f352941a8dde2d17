#pragma once
// A picture on standard input, for a loader that reads a file: standard input is copied into an
// unnamed memory file, which goes away with the process however it ends.
#include "engine/Status.h"
#include "io/decode/PictureFile.h"

namespace glint {

// Reads standard input to its end into `copy`, named "-" in messages. Fails on a read error and
// when it is longer than the largest picture file the loader reads.
Status copyStandardInput(PictureFile& copy);

}  // namespace glint
