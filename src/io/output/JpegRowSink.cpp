#include "JpegRowSink.h"

// clang-format off
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <bit>
#include <csetjmp>
#include <string>
#include <vector>

namespace glint {

namespace {

constexpr std::size_t kBufferBytes = std::size_t{64} << 10;
// Qt's writer stored the density of a new QImage: 3780 dots per metre, written as 96 dpi.
constexpr int kDensityUnitInch = 1;
constexpr UINT16 kDotsPerInch = 96;
// Rows arrive as 32-bit 0xAARRGGBB words; libjpeg-turbo reads them as they lie in memory.
constexpr J_COLOR_SPACE kPixelLayout =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
constexpr int kBytesPerPixel = 4;

}  // namespace

struct JpegRowSink::Codec {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump{};
    QIODevice* device = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kBufferBytes);
    std::vector<JSAMPROW> rows;
    std::string ioError;
    char message[JMSG_LENGTH_MAX] = {};
    bool created = false;

    static Codec& of(j_common_ptr info) { return *static_cast<Codec*>(info->client_data); }

    static void onError(j_common_ptr info) {
        Codec& codec = of(info);
        (*info->err->format_message)(info, codec.message);
        std::longjmp(codec.jump, 1);
    }
    static void onMessage(j_common_ptr, int) {}  // warnings and traces are not shown

    static void startOutput(j_compress_ptr info) {
        Codec& codec = of(reinterpret_cast<j_common_ptr>(info));
        info->dest->next_output_byte = codec.buffer.data();
        info->dest->free_in_buffer = codec.buffer.size();
    }
    // Writes `bytes` from the buffer's start; on failure leaves through the error jump.
    static void put(j_compress_ptr info, std::size_t bytes) {
        Codec& codec = of(reinterpret_cast<j_common_ptr>(info));
        const auto length = static_cast<qint64>(bytes);
        if (codec.device->write(reinterpret_cast<const char*>(codec.buffer.data()), length) !=
            length) {
            codec.ioError = codec.device->errorString().toStdString();
            ERREXIT(info, JERR_FILE_WRITE);
        }
    }
    static boolean emptyOutput(j_compress_ptr info) {
        put(info, of(reinterpret_cast<j_common_ptr>(info)).buffer.size());
        startOutput(info);
        return TRUE;
    }
    static void finishOutput(j_compress_ptr info) {
        put(info,
            of(reinterpret_cast<j_common_ptr>(info)).buffer.size() - info->dest->free_in_buffer);
    }

    // Runs `step` with the error jump set; false when libjpeg reported an error. Nothing in
    // the steps owns memory that the jump would skip.
    template <typename Step>
    bool guarded(Step step) {
        if (setjmp(jump)) return false;
        step(&info);
        return true;
    }

    void release() {
        if (created) jpeg_destroy_compress(&info);
        created = false;
    }
};

JpegRowSink::JpegRowSink(int quality) : EncodingSink("jpg"), quality_(quality) {}

JpegRowSink::JpegRowSink(int quality, QIODevice& device)
    : EncodingSink("jpg", device), quality_(quality) {}

JpegRowSink::~JpegRowSink() { cancel(); }

Status JpegRowSink::failure(const char* what) {
    rows_.fail();
    std::string reason = std::string(what) + ": " + codec_->message;
    if (!codec_->ioError.empty()) reason += " (" + codec_->ioError + ")";
    return Status::failure(reason);
}

Status JpegRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty jpg picture");
    rows_.start(width, height);
    if (Status st = target_.open(fileName); st.failed()) return st;
    codec_ = std::make_unique<Codec>();
    Codec& c = *codec_;
    c.device = &target_.device();
    c.info.err = jpeg_std_error(&c.errors);
    c.errors.error_exit = &Codec::onError;
    c.errors.emit_message = &Codec::onMessage;
    c.info.client_data = &c;
    c.destination.init_destination = &Codec::startOutput;
    c.destination.empty_output_buffer = &Codec::emptyOutput;
    c.destination.term_destination = &Codec::finishOutput;
    const int quality = quality_;
    const bool started = c.guarded([&c, width, height, quality](j_compress_ptr info) {
        jpeg_create_compress(info);
        c.created = true;
        info->dest = &c.destination;
        info->image_width = static_cast<JDIMENSION>(width);
        info->image_height = static_cast<JDIMENSION>(height);
        info->input_components = kBytesPerPixel;
        info->in_color_space = kPixelLayout;
        jpeg_set_defaults(info);
        info->density_unit = kDensityUnitInch;
        info->X_density = kDotsPerInch;
        info->Y_density = kDotsPerInch;
        jpeg_set_quality(info, quality, TRUE);
        jpeg_start_compress(info, TRUE);
    });
    if (!started) {
        Status st = failure("cannot start the jpg file");
        cancel();
        return st;
    }
    return Status::ok();
}

Status JpegRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (!codec_) return Status::failure("jpg file is not open");
    if (Status st = rows_.accept(firstRow, rows, "jpg"); st.failed()) return st;
    Codec& c = *codec_;
    c.rows.resize(static_cast<std::size_t>(rows.height));
    for (std::int32_t y = 0; y < rows.height; ++y) {
        // libjpeg only reads the rows it is given.
        c.rows[static_cast<std::size_t>(y)] =
            reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(rows.row(y)));
    }
    const auto count = static_cast<JDIMENSION>(rows.height);
    if (!c.guarded([&c, count](j_compress_ptr info) {
            for (JDIMENSION done = 0; done < count;)
                done += jpeg_write_scanlines(info, c.rows.data() + done, count - done);
        })) {
        return failure("cannot write jpg rows");
    }
    rows_.advance(rows.height);
    return Status::ok();
}

Status JpegRowSink::finishEncoding() {
    if (codec_->guarded([](j_compress_ptr info) { jpeg_finish_compress(info); }))
        return Status::ok();
    return failure("cannot finish the jpg file");
}

void JpegRowSink::releaseEncoder() {
    if (codec_) codec_->release();
    codec_.reset();
}

}  // namespace glint
