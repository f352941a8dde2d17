// The metafile helper from input to output: any file through the helper's conversion, its
// output read back as the loader reads it. Output exists exactly when the helper succeeds.
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "MetafileConversion.h"
#include "io/MetafileDecoder.h"
#include "io/MetafileProtocol.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    glint::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    char* written = nullptr;
    std::size_t writtenBytes = 0;
    std::FILE* out = open_memstream(&written, &writtenBytes);
    fuzz::require(out != nullptr, "an output stream");
    const int exitCode = convertMetafile(bytes, fuzz::kMaxFuzzDrawPixels, out);
    std::fclose(out);
    const QByteArray output(written, static_cast<qsizetype>(writtenBytes));
    std::free(written);

    QImage picture;
    const Status read = MetafileDecoder::pictureFromOutput(output, picture);
    if (exitCode != kMetafileHelperExitOk) {
        fuzz::require(output.isEmpty(), "no output from a failed conversion");
        return 0;
    }
    fuzz::require(read.isOk(), "the helper's output is read back");
    fuzz::require(picture.format() == QImage::Format_RGB32, "an opaque picture");
    return 0;
}
