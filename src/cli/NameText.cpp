#include "NameText.h"

namespace glint {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;
constexpr char16_t kFirstKeptByte = kKeptByteBase + 0x80;
constexpr char16_t kLastKeptByte = kKeptByteBase + 0xFF;
constexpr char16_t kLastControl = 0x9F;
constexpr char16_t kDelete = 0x7F;
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point of the UTF-8 sequence at `bytes[at]`, with its length in `length`; 0 for a
// byte that starts no valid sequence (too short, overlong, a surrogate, past U+10FFFF).
char32_t decodeAt(const QByteArray& bytes, qsizetype at, int& length) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    char32_t code = 0;
    char32_t least = 0;  // the smallest code point that needs `length` bytes
    if (lead < 0x80) {
        length = 1;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if (!isContinuation(next)) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > kMaxCodePoint || (code >= kFirstSurrogate && code <= kLastSurrogate))
        return 0;
    return code;
}

QString hex(unsigned value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QChar(u'0'));
}

}  // namespace

QString nameText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        int length = 1;
        const char32_t code = decodeAt(bytes, at, length);
        if (code == 0 && bytes[at] != '\0') {
            text += QChar(char16_t(kKeptByteBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(char16_t(code));
        }
        at += length;
    }
    return text;
}

QByteArray nameBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype plain = 0;  // where the text not yet converted starts
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < kFirstKeptByte || unit > kLastKeptByte) continue;
        bytes += QStringView(text).mid(plain, i - plain).toUtf8();
        bytes += static_cast<char>(unit - kKeptByteBase);
        plain = i + 1;
    }
    bytes += QStringView(text).mid(plain).toUtf8();
    return bytes;
}

QString shownText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= kFirstKeptByte && unit <= kLastKeptByte) {
            shown += QStringLiteral("\\x") + hex(unit - kKeptByteBase, 2);
        } else if (unit < 0x20 || unit == kDelete) {
            shown += QStringLiteral("\\x") + hex(unit, 2);
        } else if (unit > kDelete && unit <= kLastControl) {
            shown += QStringLiteral("\\u") + hex(unit, 4);
        } else if (unit == u'\\') {
            shown += QStringLiteral("\\\\");
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace glint
