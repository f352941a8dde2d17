// The picture helper's decoding through Qt's readers, for the format named in
// GLINT_FUZZ_FORMAT ("svg"), run in process. What the helper's lock-down contains is left out
// here, where nothing locks the harness down: SVG references to anything but inline data (they
// read local files, or the file itself for ever) and MNG LOOP chunks (libmng may spin on them
// for ever; the helper's time limit stops that).
#include <vector>

#include "FuzzSupport.h"
#include "QtReader.h"
#include "io/decode/LoadLimits.h"

namespace {

bool containedByTheHelperOnly(const QByteArray& bytes) {
    if (bytes.contains("LOOP")) return true;
    for (qsizetype at = bytes.indexOf("href"); at >= 0; at = bytes.indexOf("href", at + 1))
        if (!bytes.mid(at, 64).contains("data:")) return true;
    return bytes.contains("@import") || bytes.contains("url(");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    glint::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (containedByTheHelperOnly(bytes)) return -1;
    bool small = true;
    QImage image;
    const helper::Outcome outcome =
        helper::readWithQt(bytes, GLINT_FUZZ_FORMAT, image, [&small](int width, int height) {
            small = small && std::int64_t{width} * height <= fuzz::kMaxFuzzPixels;
        });
    if (outcome != helper::Outcome::Ok) {
        fuzz::require(image.isNull(), "no picture from a failed decoding");
        return 0;
    }
    fuzz::require(pictureSizeAccepted(image.width(), image.height()), "an accepted size");
    if (!small) return -1;
    // The helper's conversion into the shared memory, whatever format the reader gave.
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width()) * image.height());
    helper::writeArgb32(image, pixels.data());
    return 0;
}
