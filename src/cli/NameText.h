#pragma once
// File names are bytes, and not every name is UTF-8. The tool keeps names as bytes from the
// command line and the --files-from list to the calls that open and create files; as text only
// to pass through Qt's command-line parser and into messages, in a form that keeps every byte.
#include <QByteArray>
#include <QString>

namespace glint {

// The name as text: valid UTF-8 decoded, every other byte b kept as the lone code unit
// U+DC00 + b (which no decoded name contains), so that nameBytes() gives the same bytes back.
QString nameText(const QByteArray& bytes);
QByteArray nameBytes(const QString& text);

// Text made safe for a terminal: a byte kept by nameText() and a control character below
// U+0080 show as \xHH, the other control characters (U+0080 to U+009F) as \uHHHH, and a
// backslash as \\; everything else is unchanged.
QString shownText(const QString& text);

}  // namespace glint
