#pragma once
// How many threads the photo decoders keep busy.

namespace glint::photo {

// The processors this process may run on (at least 1). Asks the kernel directly: the standard
// library's count reads a file under /sys, and the readers open no file while they decode.
int decodingThreads();

}  // namespace glint::photo
