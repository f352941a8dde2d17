#pragma once
// An HEVC decoder plug-in for libheif that decodes through libde265 exactly as libheif's own
// plug-in does (the same planes, bit depth and colour description), but with worker threads
// on every processor: libheif 1.15's plug-in starts one worker, so a HEIC holding one
// wavefront-coded picture (what most encoders write below grid sizes) kept one core busy.

namespace glint::photo {

// Registers the plug-in with libheif, once per process, above the built-in libde265 one;
// its decoders start `threads` worker threads each.
void useThreadedHevcDecoder(int threads);

}  // namespace glint::photo
