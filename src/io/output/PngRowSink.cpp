#include "PngRowSink.h"

#include <bit>
#include <csetjmp>
#include <cstring>
#include <string>

#include "io/output/OutputFile.h"

namespace glint {

namespace {

// Fast deflate without row filters: scan-line pictures compress well as they are (the runs and
// the repeated gap rows), and the tool is meant for large pictures. Filter selection would
// take about twice the time for files some 15% smaller.
constexpr int kCompressionLevel = 1;
constexpr png_uint_32 kMaxPngSide = 0x7FFFFFFF;
constexpr int kBitDepth = 8;

struct Size {
    std::int32_t width;
    std::int32_t height;
};

void startFile(PngRowSink& sink, png_structp png, png_infop info, const Size& size) {
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_compression_level(png, kCompressionLevel);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size.width),
                 static_cast<png_uint_32>(size.height), kBitDepth, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Rows arrive as 32-bit 0xAARRGGBB words; drop the alpha byte and order the rest as RGB.
    if constexpr (std::endian::native == std::endian::little) {
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    } else {
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
    }
    (void)sink;
}

}  // namespace

PngRowSink::PngRowSink() = default;

PngRowSink::PngRowSink(QIODevice& device) : given_(&device) {}

PngRowSink::~PngRowSink() { cancel(); }

void PngRowSink::onError(png_structp png, png_const_charp message) {
    auto* self = static_cast<PngRowSink*>(png_get_error_ptr(png));
    std::strncpy(self->pngError_, message, sizeof(self->pngError_) - 1);
    png_longjmp(png, 1);
}

void PngRowSink::onWarning(png_structp, png_const_charp) {}

void PngRowSink::onWrite(png_structp png, png_bytep data, size_t length) {
    auto* self = static_cast<PngRowSink*>(png_get_io_ptr(png));
    if (self->device_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(length)) !=
        static_cast<qint64>(length)) {
        self->ioError_ = self->device_->errorString().toStdString();
        png_error(png, "writing the file failed");
    }
}

void PngRowSink::onFlush(png_structp) {}

bool PngRowSink::guarded(void (*step)(PngRowSink&, const void*), const void* arg) {
    if (setjmp(png_jmpbuf(png_))) return false;
    step(*this, arg);
    return true;
}

Status PngRowSink::failure(const char* what) {
    failed_ = true;
    std::string reason = std::string(what) + ": " + pngError_;
    if (!ioError_.empty()) reason += " (" + ioError_ + ")";
    return Status::failure(reason);
}

void PngRowSink::release() {
    if (png_ != nullptr) png_destroy_write_struct(&png_, &info_);
    png_ = nullptr;
    info_ = nullptr;
}

Status PngRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty png picture");
    failed_ = false;
    pngError_[0] = '\0';
    ioError_.clear();
    width_ = width;
    height_ = height;
    rowsWritten_ = 0;
    device_ = given_;
    if (given_ == nullptr) {
        file_ = std::make_unique<OutputFile>(fileName);
        if (Status st = file_->create(); st.failed()) {
            file_.reset();
            return st;
        }
        device_ = file_.get();
    }
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &PngRowSink::onError,
                                   &PngRowSink::onWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
    if (png_ == nullptr || info_ == nullptr) {
        cancel();
        return Status::failure("no memory for the png writer");
    }
    png_set_write_fn(png_, this, &PngRowSink::onWrite, &PngRowSink::onFlush);
    const Size size{width, height};
    const bool ok = guarded(
        [](PngRowSink& s, const void* a) {
            startFile(s, s.png_, s.info_, *static_cast<const Size*>(a));
        },
        &size);
    if (!ok) {
        Status st = failure("cannot start the png file");
        cancel();
        return st;
    }
    return Status::ok();
}

Status PngRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (png_ == nullptr || failed_) return Status::failure("png file is not open");
    if (firstRow != rowsWritten_ || rows.width != width_ ||
        std::int64_t{firstRow} + rows.height > height_) {
        failed_ = true;
        return Status::failure("png rows out of order");
    }
    for (std::int32_t y = 0; y < rows.height; ++y) {
        const bool ok = guarded(
            [](PngRowSink& s, const void* a) {
                png_write_row(s.png_, static_cast<png_const_bytep>(a));
            },
            rows.row(y));
        if (!ok) return failure("cannot write a png row");
        ++rowsWritten_;
    }
    return Status::ok();
}

Status PngRowSink::commit() {
    if (png_ == nullptr || failed_ || rowsWritten_ != height_) {
        cancel();
        return Status::failure("png file incomplete");
    }
    if (!guarded([](PngRowSink& s, const void*) { png_write_end(s.png_, nullptr); }, nullptr)) {
        Status st = failure("cannot finish the png file");
        cancel();
        return st;
    }
    release();
    if (!file_) return Status::ok();  // the given device has every byte already
    Status committed = file_->commit();
    file_.reset();
    return committed;
}

void PngRowSink::cancel() {
    release();
    if (file_) file_->cancel();
    file_.reset();
}

}  // namespace glint
