// The metafile helper from input to output: any file through the helper's conversion, its
// output read back as the loader reads it. Output exists exactly when the helper succeeds.
#include <QBuffer>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "MetafileConversion.h"
#include "io/helper/MetafileOutputReader.h"
#include "io/decode/MetafileProbe.h"
#include "io/helper/MetafileProtocol.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    glint::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Large drawings cost only time: the drawing limit has tests of its own.
    const QSize declared = metafileSize(bytes.left(kMetafileProbeBytes));
    if (declared.isValid() &&
        std::int64_t{declared.width()} * declared.height() > fuzz::kMaxFuzzDrawPixels)
        return 0;
    char* written = nullptr;
    std::size_t writtenBytes = 0;
    std::FILE* out = open_memstream(&written, &writtenBytes);
    fuzz::require(out != nullptr, "an output stream");
    const int exitCode = convertMetafile(bytes, out);
    std::fclose(out);
    QBuffer pipe;
    pipe.setData(QByteArray(written, static_cast<qsizetype>(writtenBytes)));
    std::free(written);

    if (exitCode != kMetafileHelperExitOk) {
        fuzz::require(pipe.size() == 0, "no output from a failed conversion");
        return 0;
    }
    pipe.open(QIODevice::ReadOnly);
    MetafileOutputReader reader;
    fuzz::require(reader.readFrom(pipe) && reader.complete(), "the helper's output is read back");
    fuzz::require(reader.takePicture().format() == QImage::Format_RGB32, "an opaque picture");
    return 0;
}
