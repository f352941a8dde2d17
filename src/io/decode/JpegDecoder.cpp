#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>

// jpeglib.h first: its configuration decides which messages jerror.h lists.
#include <jpeglib.h>
//
#include <jerror.h>

#include "DamageRules.h"
#include "LoadLimits.h"

namespace glint {
namespace {

// Markers of the frame headers that carry the picture's size (SOF0..SOF15 without the
// Huffman table, JPEG-LS extension and arithmetic-conditioning markers).
bool isFrameHeader(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool recognisesJpeg(QByteArrayView head) {
    return head.size() >= 3 && static_cast<unsigned char>(head[0]) == 0xFF &&
           static_cast<unsigned char>(head[1]) == 0xD8 &&
           static_cast<unsigned char>(head[2]) == 0xFF;
}

QSize jpegHeaderSize(QByteArrayView file) {
    const auto* p = reinterpret_cast<const unsigned char*>(file.data());
    const qsizetype n = file.size();
    qsizetype at = 2;
    while (at + 4 <= n) {
        if (p[at] != 0xFF) return kUnknownSize;
        const unsigned char marker = p[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        const int length = p[at + 2] << 8 | p[at + 3];
        if (isFrameHeader(marker)) {
            if (length < 7 || at + 9 > n) return kUnknownSize;
            return {p[at + 7] << 8 | p[at + 8], p[at + 5] << 8 | p[at + 6]};
        }
        if (marker == 0xD9 || marker == 0xDA || length < 2) return kUnknownSize;
        at += 2 + length;
    }
    return kUnknownSize;
}

// Frame types libjpeg-turbo does not decode (SOF3, SOF5..SOF7, SOF11, SOF13..SOF15): bit 2 of
// the marker marks the hierarchical processes, process 3 of each group is the lossless one.
// 0xC8 is reserved for extensions.
constexpr unsigned kHierarchicalFrameBit = 0x04;
constexpr unsigned kProcessBits = 0x03;
constexpr unsigned kLosslessProcess = 0x03;
constexpr unsigned kReservedFrameMarker = 0xC8;

// Memory libjpeg may take besides the picture (a progressive file keeps all its coefficients).
constexpr long kDecoderMemoryBytes = long{kReaderAllocationLimitMiB} << 20;
// Scans of a progressive file; real files have about ten, crafted ones can have thousands of
// tiny scans that each cost a pass over the whole picture.
constexpr int kMaxScans = 500;
constexpr int kRowBatch = 16;
// Bytes read from a file at a time.
constexpr std::size_t kReadBytes = std::size_t{64} << 10;

enum class Fault { Ours, Data, Variant };

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // Ours: the message is the decoder's own; Data: libjpeg's, about damaged data; Variant: a
    // description of a well-formed kind of JPEG that libjpeg cannot decode here.
    Fault fault;
};

bool refuse(ErrorManager& errors, const char* why) {
    std::snprintf(errors.message, sizeof errors.message, "%s", why);
    errors.fault = Fault::Ours;
    return false;
}

struct ProgressGuard {
    jpeg_progress_mgr pub;
    ErrorManager* errors;
};

// Writes into `out` the kind of JPEG that libjpeg's current error says it cannot decode, as a
// noun phrase ("a 12-bit JPEG"); false when the error is about damaged data. Plain characters
// only: the caller jumps out of the library next, past any destructor.
bool describeUnsupported(j_common_ptr cinfo, char (&out)[JMSG_LENGTH_MAX]) {
    const int code = cinfo->err->msg_code;
    const int parameter = cinfo->err->msg_parm.i[0];
    if (code == JERR_BAD_PRECISION) {
        std::snprintf(out, sizeof out, "a %d-bit JPEG", parameter);
    } else if (code == JERR_ARITH_NOTIMPL) {
        std::snprintf(out, sizeof out, "an arithmetic-coded JPEG");
    } else if (code == JERR_CONVERSION_NOTIMPL) {
        std::snprintf(out, sizeof out, "a JPEG of %d colour components",
                      reinterpret_cast<j_decompress_ptr>(cinfo)->num_components);
    } else if (code == JERR_SOF_UNSUPPORTED) {
        const auto marker = static_cast<unsigned>(parameter);
        const bool hierarchical = (marker & kHierarchicalFrameBit) != 0;
        const bool lossless = (marker & kProcessBits) == kLosslessProcess;
        if (marker == kReservedFrameMarker) {
            std::snprintf(out, sizeof out, "a JPEG of the reserved frame type 0xC8");
        } else {
            std::snprintf(out, sizeof out, "a %s%sJPEG", hierarchical ? "hierarchical " : "",
                          lossless ? "lossless " : "");
        }
    } else {
        return false;
    }
    return true;
}

[[noreturn]] void failWith(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (describeUnsupported(cinfo, errors->message)) {
        errors->fault = Fault::Variant;
    } else {
        (*cinfo->err->format_message)(cinfo, errors->message);
        errors->fault = Fault::Data;
    }
    std::longjmp(errors->jump, 1);
}

// Warnings (level -1) that cost pixels fail the load; kJpegHarmlessWarnings (DamageRules.h)
// are let through. Trace messages (levels 0 and up) are ignored.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && !jpegWarningIsHarmless(cinfo->err->msg_code)) failWith(cinfo);
}

void onProgress(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number <= kMaxScans) return;
    auto* errors = reinterpret_cast<ProgressGuard*>(cinfo->progress)->errors;
    refuse(*errors, "progressive JPEG with too many scans");
    std::longjmp(errors->jump, 1);
}

// Adobe's CMYK files store the inks inverted; the colour is each ink times black, rounded to
// the nearest value (255 is odd, so there are no ties).
void cmykRow(const JSAMPLE* in, JDIMENSION width, QRgb* out) {
    const auto times = [](int k, int ink) { return (k * ink + 127) / 255; };
    for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(times(k, in[0]), times(k, in[1]), times(k, in[2]));
    }
}

// Reads a file for libjpeg through one buffer from the decompressor's pool.
struct FileSource {
    jpeg_source_mgr pub;
    QIODevice* file;
    JOCTET* buffer;
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    qint64 got = src->file->read(reinterpret_cast<char*>(src->buffer), kReadBytes);
    if (got <= 0) {
        // The data ends early: warn (which fails the load) and end it as the library's own
        // sources do.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<std::size_t>(got);
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    auto bytes = static_cast<std::size_t>(count);
    while (bytes > src->bytes_in_buffer) {
        bytes -= src->bytes_in_buffer;
        fillInput(cinfo);
    }
    src->next_input_byte += bytes;
    src->bytes_in_buffer -= bytes;
}

void useFile(jpeg_decompress_struct& cinfo, QIODevice& file) {
    const auto common = reinterpret_cast<j_common_ptr>(&cinfo);
    auto* src = static_cast<FileSource*>(
        (*cinfo.mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(FileSource)));
    src->buffer =
        static_cast<JOCTET*>((*cinfo.mem->alloc_small)(common, JPOOL_PERMANENT, kReadBytes));
    src->file = &file;
    src->pub.init_source = initSource;
    src->pub.fill_input_buffer = fillInput;
    src->pub.skip_input_data = skipInput;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = termSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo.src = &src->pub;
}

// Where the compressed data comes from: `file` when set, else `memory`.
struct Input {
    QByteArrayView memory;
    QIODevice* file = nullptr;
};

// All libjpeg calls happen here, between setjmp and the end; nothing with a destructor is
// alive in this frame while libjpeg runs, so a jump out of the library skips no cleanup.
bool decompress(jpeg_decompress_struct& cinfo, ErrorManager& errors, const Input& input,
                QImage& picture, DecodedRows* rows) {
    if (setjmp(errors.jump)) return false;
    jpeg_create_decompress(&cinfo);  // keeps only err and client_data of what was set before
    cinfo.progress = static_cast<jpeg_progress_mgr*>(cinfo.client_data);
    cinfo.mem->max_memory_to_use = kDecoderMemoryBytes;
    if (input.file != nullptr) {
        useFile(cinfo, *input.file);
    } else {
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(input.memory.data()),
                     static_cast<unsigned long>(input.memory.size()));
    }
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    if (!pictureSizeAccepted(cinfo.image_width, cinfo.image_height))
        return refuse(errors, "picture is too large");
    const QSize size(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height));
    DecodedRows* const told =
        rows != nullptr && rows->begin(size, QImage::Format_RGB32, RowOrder::TopDown) ? rows
                                                                                      : nullptr;
    if (told == nullptr) {
        picture = QImage(size, QImage::Format_RGB32);
        if (picture.isNull()) return refuse(errors, "out of memory for the picture");
    }
    jpeg_start_decompress(&cinfo);
    const auto pool = reinterpret_cast<j_common_ptr>(&cinfo);
    const JDIMENSION rowBytes = cinfo.output_width * 4;
    // One row of inks, and the rows handed on when they are not kept; freed with the
    // decompressor.
    JSAMPARRAY cmykRows =
        cmyk ? (*cinfo.mem->alloc_sarray)(pool, JPOOL_IMAGE, rowBytes, 1) : nullptr;
    JSAMPARRAY handed = told != nullptr
                            ? (*cinfo.mem->alloc_sarray)(pool, JPOOL_IMAGE, rowBytes, kRowBatch)
                            : nullptr;
    const auto rowAt = [&](JDIMENSION row, JDIMENSION first) {
        return handed != nullptr ? handed[row - first] : picture.scanLine(static_cast<int>(row));
    };
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        if (cmyk) {
            if (jpeg_read_scanlines(&cinfo, cmykRows, 1) == 1)
                cmykRow(cmykRows[0], cinfo.output_width,
                        reinterpret_cast<QRgb*>(rowAt(first, first)));
        } else {
            JSAMPROW into[kRowBatch];
            const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, cinfo.output_height - first);
            for (JDIMENSION i = 0; i < count; ++i) into[i] = rowAt(first + i, first);
            jpeg_read_scanlines(&cinfo, into, count);
        }
        for (JDIMENSION row = first; told != nullptr && row < cinfo.output_scanline; ++row) {
            const Status st = told->rowReady(static_cast<int>(row),
                                             reinterpret_cast<const QRgb*>(rowAt(row, first)));
            if (st.failed()) return refuse(errors, st.reason().c_str());
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

Status decodeWith(const Input& input, QImage& picture, DecodedRows* rows) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = failWith;
    errors.pub.emit_message = onMessage;
    ProgressGuard progress{};
    progress.pub.progress_monitor = onProgress;
    progress.errors = &errors;
    cinfo.client_data = &progress.pub;

    QImage decoded;
    const bool ok = decompress(cinfo, errors, input, decoded, rows);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        switch (errors.fault) {
            case Fault::Variant:
                return Status::unsupported(errors.message);
            case Fault::Data:
                return Status::failure(std::string("damaged JPEG data: ") + errors.message);
            case Fault::Ours:
                break;
        }
        return Status::failure(errors.message);
    }
    if (!decoded.isNull()) picture = std::move(decoded);  // null: the rows were handed on
    return Status::ok();
}

Status decodeJpeg(QByteArrayView file, QImage& picture) {
    return decodeWith(Input{file, nullptr}, picture, nullptr);
}

Status decodeJpegFile(QIODevice& file, QImage& picture, DecodedRows* rows) {
    if (!file.seek(0)) return Status::failure("JPEG file cannot be read");
    return decodeWith(Input{{}, &file}, picture, rows);
}

}  // namespace

const RasterDecoder kJpegDecoder{recognisesJpeg, jpegHeaderSize, decodeJpeg, decodeJpegFile};

}  // namespace glint
