#pragma once
// A person's road through a fresh window with a large photo: open a 4000 x 3000 JPEG, pick
// Scale 5x, Make Raster, Break half a second in, Save As..., Ctrl+C, and another program pasting
// the result as image/png. Each step's stall (StallProbe) and the Break's latency are printed;
// the road runs in a fresh window, then again in the same window. Every output is checked against
// the renderer: the rows drawn before the Break, the background below them, the saved file and the
// pasted picture. Last, a warm Break: a render broken off early, right after another.
#include <QString>

namespace glint::bench {

// Prints the figures; false when a step failed or an output differs.
bool benchWindowFlow(const QString& workDir);

}  // namespace glint::bench
