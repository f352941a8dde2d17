// glintwork-photo FILE: decodes a HEIF (HEIC, AVIF) or JPEG XL picture and writes its pixels
// to standard output (format in io/PhotoProtocol.h). Runs as a separate process under memory
// and time limits set by its caller, because the codecs read untrusted files. The file is read
// into memory first; the readers decode from there and open no file.
#include <QByteArray>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "HeifReader.h"
#include "JxlReader.h"
#include "io/LoadLimits.h"
#include "io/PhotoProbe.h"
#include "io/PhotoProtocol.h"

namespace {

using glint::photo::DecodedPhoto;
using glint::photo::PhotoOutcome;

bool readWholeFile(const char* path, std::vector<std::uint8_t>& data) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok =
        ok && size > 0 && size <= glint::kMaxPictureFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(static_cast<size_t>(size));
        ok = std::fread(data.data(), 1, data.size(), file) == data.size();
    }
    std::fclose(file);
    return ok;
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

// The note that names an unsupported variant, in place of a picture.
bool writeNote(std::string text) {
    text.resize(std::min<size_t>(text.size(), glint::kPhotoNoteMaxBytes));
    const auto length = static_cast<std::uint32_t>(text.size());
    return writeAll(glint::kPhotoNoteMagic, sizeof glint::kPhotoNoteMagic) &&
           writeAll(&length, sizeof length) && writeAll(text.data(), text.size()) &&
           std::fflush(stdout) == 0;
}

int exitCode(PhotoOutcome outcome) {
    switch (outcome) {
        case PhotoOutcome::Ok:
            return glint::kPhotoExitOk;
        case PhotoOutcome::Unsupported:
            return glint::kPhotoExitUnsupported;
        case PhotoOutcome::TooLarge:
            return glint::kPhotoExitTooLarge;
        case PhotoOutcome::Empty:
            return glint::kPhotoExitEmpty;
        case PhotoOutcome::Damaged:
            break;
    }
    return glint::kPhotoExitDamaged;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: glintwork-photo FILE\n", stderr);
        return glint::kPhotoExitUsage;
    }
    std::vector<std::uint8_t> file;
    if (!readWholeFile(argv[1], file)) return glint::kPhotoExitUnreadable;
    const QByteArray head = QByteArray::fromRawData(
        reinterpret_cast<const char*>(file.data()),
        static_cast<qsizetype>(std::min<size_t>(file.size(), glint::kPhotoProbeBytes)));
    DecodedPhoto photo;
    std::string unsupported;
    PhotoOutcome outcome = PhotoOutcome::Damaged;
    switch (glint::photoKind(head)) {
        case glint::PhotoKind::Heif:
            outcome = glint::photo::readHeif(file, photo, unsupported);
            break;
        case glint::PhotoKind::Jxl:
            outcome = glint::photo::readJxl(file, photo);
            break;
        case glint::PhotoKind::None:
            break;
    }
    if (outcome == PhotoOutcome::Ok)
        return writePhoto(photo) ? glint::kPhotoExitOk : glint::kPhotoExitNotWritten;
    if (outcome == PhotoOutcome::Unsupported && !writeNote(unsupported))
        return glint::kPhotoExitNotWritten;
    return exitCode(outcome);
}
