#pragma once
// What the loader's own decoders count as damage (the open fails) and what is harmless, format
// by format. A picture opens only when every pixel it shows comes from its data; whatever does
// not change a pixel is let through.
//
// Bitmaps (.bmp, .rle; BmpDecoder):
// - pixel rows that reach past the end of the file, or run-length data that ends before its
//   end-of-bitmap code: damage, the file is cut;
// - a run, a literal run or a delta that reaches past the right edge or the last row: damage,
//   the data does not describe a picture of the size the header gives;
// - a pixel whose index lies past the palette: damage, the file does not give its colour;
// - a wrong file-size or image-size field: harmless, neither is needed to find or read the
//   pixels (the offset and the header give where they are and how many there are);
// - a run-length bitmap marked top-down: harmless, the rows are read top row first, which is
//   the one reading the mark allows;
// - pixels a run-length bitmap skips (delta, early end of line or bitmap): harmless, a feature
//   of the format; they take palette entry 0.
//
// Icons and cursors (.ico, .cur; IcoDecoder), the first image of the directory:
// - a directory entry that gives fewer (or more) bytes than its image needs: harmless, like a
//   bitmap's size fields: the image's own header says how many bytes it has, and they are read
//   from the entry's offset; the same rule for icons and cursors;
// - an image whose bytes (header, palette, colour pixels, AND mask) reach past the end of the
//   file: damage; a 32-bit image whose alpha is used may lack its AND mask (it is not read);
// - a directory entry whose width or height differs from its image's header: harmless, the
//   header's size is the picture's;
// - a directory whose count promises more entries than the file holds: harmless, only the
//   first entry is read;
// - the bitmap rules above for the pixels; a PNG image follows the PNG rules; a run-length
//   compressed image (where its AND mask would start is not defined): unsupported.
//
// JPEG (JpegDecoder): libjpeg's warnings decide. Those that mean lost or wrong pixels are
// damage, kJpegHarmlessWarnings are not; a warning in neither list counts as damage.
// A well-formed variant that libjpeg-turbo does not decode (12-bit samples, the lossless and
// hierarchical processes) is refused as unsupported, not as damaged.
//
// GIF (GifDecoder): every record up to the trailer must be whole, the first frame is shown.
// An LZW minimum code size of 9 to 11 is legal LZW that giflib does not decode: unsupported.
// Above 11 the first code would not fit in 12 bits: damage.
//
// PNG (PngDecoder): any error in the image data or a missing end chunk is damage; damage in
// ancillary chunks, which carry no pixels, is not.
//
// PNM (pbm, pgm, ppm, pam; PnmDecoder), the first picture of the file (a stream is read one
// picture at a time):
// - fewer samples than the header's size needs, a sample above the maximum value, or a header
//   that does not say width, height, depth or maximum value in range: damage;
// - whatever follows the first picture (netpbm's tools read several pictures from one file):
//   harmless, it is not read;
// - a PAM tuple type other than BLACKANDWHITE, GRAYSCALE, RGB and their _ALPHA forms:
//   unsupported; without one a depth of 1 is grey and 3 is RGB, while 2 and 4 (alpha or not?)
//   are unsupported.
//
// XBM (XbmDecoder):
// - fewer or more values than the width and height need, a value that does not fit its type,
//   or a missing closing brace: damage;
// - comments, hot-spot and other #defines, a comma after the last value: harmless.
#include <algorithm>
#include <array>
#include <cstdio>  // jpeglib.h needs FILE

// jpeglib.h brings the library's configuration, which decides the warnings jerror.h lists.
#include <jpeglib.h>
//
#include <jerror.h>

namespace glint {

// libjpeg warnings that leave every pixel as the data gives it: extraneous bytes before a
// marker (no segment or scan uses them, every block decoded from its own data), an unknown JFIF
// revision and a bad ICC marker (neither the version nor the colour profile is read).
inline constexpr std::array<int, 3> kJpegHarmlessWarnings{JWRN_EXTRANEOUS_DATA, JWRN_JFIF_MAJOR,
                                                          JWRN_BOGUS_ICC};
// libjpeg warnings that mean lost or corrupt pixels: the file or a segment ends early, a scan
// holds a bad code or must resynchronise, a progression or a sequential scan is invalid, an
// unknown colour transform, more rows than the picture has.
inline constexpr std::array<int, 9> kJpegDamageWarnings{
    JWRN_JPEG_EOF,       JWRN_HIT_MARKER,  JWRN_HUFF_BAD_CODE,
    JWRN_ARITH_BAD_CODE, JWRN_MUST_RESYNC, JWRN_BOGUS_PROGRESSION,
    JWRN_NOT_SEQUENTIAL, JWRN_ADOBE_XFORM, JWRN_TOO_MUCH_DATA};

constexpr bool jpegWarningIsHarmless(int code) {
    return std::find(kJpegHarmlessWarnings.begin(), kJpegHarmlessWarnings.end(), code) !=
           kJpegHarmlessWarnings.end();
}

static_assert(std::none_of(kJpegDamageWarnings.begin(), kJpegDamageWarnings.end(),
                           jpegWarningIsHarmless),
              "a JPEG warning is either damage or harmless");

}  // namespace glint
