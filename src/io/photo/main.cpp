// glintwork-photo FILE: decodes a HEIF (HEIC, AVIF) or JPEG XL picture and writes its pixels
// to standard output (format in io/PhotoProtocol.h). Runs as a separate process under memory
// and time limits set by its caller, because the codecs read untrusted files.
#include <QByteArray>
#include <cstdio>
#include <cstring>

#include "HeifReader.h"
#include "JxlReader.h"
#include "io/decode/PhotoProbe.h"
#include "io/helper/PhotoProtocol.h"

namespace {

using glint::photo::DecodedPhoto;

QByteArray fileHead(const char* path) {
    QByteArray head(glint::kPhotoProbeBytes, '\0');
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return {};
    head.resize(static_cast<qsizetype>(std::fread(head.data(), 1, head.size(), file)));
    std::fclose(file);
    return head;
}

bool writeAll(const void* data, size_t bytes) {
    return std::fwrite(data, 1, bytes, stdout) == bytes;
}

bool writePhoto(const DecodedPhoto& photo) {
    const std::uint32_t header[3] = {static_cast<std::uint32_t>(photo.width),
                                     static_cast<std::uint32_t>(photo.height),
                                     photo.hasAlpha ? glint::kPhotoHasAlpha : 0u};
    return writeAll(glint::kPhotoMagic, sizeof glint::kPhotoMagic) &&
           writeAll(header, sizeof header) &&
           writeAll(photo.pixels.data(), photo.pixels.size() * sizeof(std::uint32_t)) &&
           std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: glintwork-photo FILE\n", stderr);
        return glint::kPhotoExitUsage;
    }
    const QByteArray head = fileHead(argv[1]);
    if (head.isEmpty()) return glint::kPhotoExitUnreadable;
    DecodedPhoto photo;
    int result = glint::kPhotoExitDamaged;
    switch (glint::photoKind(head)) {
        case glint::PhotoKind::Heif:
            result = glint::photo::readHeif(argv[1], photo);
            break;
        case glint::PhotoKind::Jxl:
            result = glint::photo::readJxl(argv[1], photo);
            break;
        case glint::PhotoKind::None:
            break;
    }
    if (result != glint::kPhotoExitOk) return result;
    return writePhoto(photo) ? glint::kPhotoExitOk : glint::kPhotoExitNotWritten;
}
