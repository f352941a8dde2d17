#pragma once
// Plain and placeable Windows metafiles (wmf) drawn through libwmf's player.
#include <QByteArray>
#include <QImage>
#include <optional>

namespace glint {

// The drawing on a white page, sized by the placeable header if there is one, else by the
// extent of what it draws, at 96 dpi and within the metafile drawing limit. Nothing when the
// file cannot be played completely (a record or an embedded bitmap is damaged).
std::optional<QImage> drawWmf(const QByteArray& file);

// Makes the player for the next drawWmf() now and has it look up its fonts: for a process that
// cannot look at files later (libwmf finds a font's file when a drawing first uses it, and
// keeps what it found).
void prepareWmfPlayer();

}  // namespace glint
