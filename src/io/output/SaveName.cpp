#include "SaveName.h"

namespace glint {
namespace {

const QString kBmp = QStringLiteral(".bmp");
constexpr qsizetype kEndingLength = 4;  // a dot and three characters

bool isSeparator(QChar c) { return c == u'/' || c == u'\\'; }

}  // namespace

// The rule, applied to the last four characters of the name:
//  - ".bmp" in any letter case: the name is kept exactly, "Out.BMP" stays "Out.BMP";
//  - a dot and three characters, none of them a path separator, after a name of at least one
//    character that is no separator: the four are replaced, "out.jpg" becomes "out.bmp";
//  - anything else gets ".bmp" appended: "out" -> "out.bmp", "out.jpeg" -> "out.jpeg.bmp",
//    "out.gz" -> "out.gz.bmp", "out." -> "out..bmp", "dir/.jpg" -> "dir/.jpg.bmp",
//    "a.b/cd" -> "a.b/cd.bmp".
// The result always ends in ".bmp" and never changes the folder part of the name.
QString bmpFileName(const QString& chosen) {
    const qsizetype n = chosen.size();
    if (n >= kEndingLength && chosen.right(kEndingLength).compare(kBmp, Qt::CaseInsensitive) == 0)
        return chosen;
    if (n > kEndingLength && chosen[n - kEndingLength] == u'.' &&
        !isSeparator(chosen[n - kEndingLength - 1])) {
        bool anySeparator = false;
        for (qsizetype i = n - kEndingLength + 1; i < n; ++i)
            anySeparator |= isSeparator(chosen[i]);
        if (!anySeparator) return chosen.left(n - kEndingLength) + kBmp;
    }
    return chosen + kBmp;
}

}  // namespace glint
