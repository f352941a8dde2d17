#pragma once
// Record checks made before a metafile reaches its converter: the converters trust sizes in
// the file that a damaged file can set to anything.
#include <QByteArray>

namespace glint {

// True when every record of the enhanced metafile `file` lies inside the file, up to its end
// record, and the header's description lies inside the header record.
bool emfRecordsInside(const QByteArray& file);

// Lowers the largest record size that the plain metafile `file` declares to what the file
// can hold (the converter takes a buffer of that size before reading any record).
void limitWmfMaxRecord(QByteArray& file);

}  // namespace glint
