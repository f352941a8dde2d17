#include "DrawingArea.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace glint {

namespace {

constexpr QImage::Format kFormat = QImage::Format_RGB32;
// Areas are mapped in whole pages of this size where the system offers them: a first touch of
// a large area then costs one fault per 2 MiB instead of one per 4 KiB.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

struct Mapping {
    void* start;
    std::size_t length;
};

void unmapArea(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    munmap(mapping->start, mapping->length);
    delete mapping;
}

// A new w x h area, its pixels not touched yet; a null image when the memory cannot be had.
QImage newArea(int w, int h) {
    const std::size_t rowBytes = std::size_t(w) * sizeof(std::uint32_t);
    const std::size_t bytes = rowBytes * std::size_t(h);
    if (bytes < kLargePage || rowBytes > std::size_t(std::numeric_limits<qsizetype>::max()))
        return QImage(w, h, kFormat);
    const std::size_t length = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* start = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) return {};
    (void)madvise(start, length, MADV_HUGEPAGE);  // a hint: without it, ordinary pages serve
    auto* mapping = new Mapping{start, length};
    QImage area(static_cast<uchar*>(start), w, h, qsizetype(rowBytes), kFormat, unmapArea, mapping);
    if (area.isNull()) unmapArea(mapping);
    return area;
}

std::uint32_t* rowOf(QImage& image, int row) {
    return reinterpret_cast<std::uint32_t*>(image.scanLine(row));
}

}  // namespace

Status DrawingArea::resize(int w, int h, std::uint32_t back, int keepWidth, int keepHeight) {
    if (w == width_ && h == height_ && keepWidth >= w && keepHeight >= h) return Status::ok();
    // Blank rows of another colour cannot become blank rows of `back`: they are drawn now.
    if (blank_.count() > 0 && blank_.pixel() != back) fillAll();

    QImage next;
    if (w > 0 && h > 0) {
        next = newArea(w, h);
        if (next.isNull()) return Status::failure("out of memory for the picture box area");
    }
    // An area without pixels has no rows to fill.
    BlankRows blank;
    blank.setAll(next.isNull() ? 0 : h, back);
    keepWidth = std::min({keepWidth, w, width_});
    keepHeight = std::min({keepHeight, h, height_});
    if (keepWidth > 0) {
        for (int y = 0; y < keepHeight; ++y) {
            if (isBlank(y)) continue;
            std::uint32_t* out = rowOf(next, y);
            std::memcpy(out, image_.constScanLine(y), std::size_t(keepWidth) * sizeof(*out));
            std::fill(out + keepWidth, out + w, back);
            blank.markDrawn(y, y);
        }
    }
    image_ = next;
    ownPixels_ = true;
    width_ = w;
    height_ = h;
    blank_ = std::move(blank);
    return Status::ok();
}

void DrawingArea::clear(std::uint32_t back) {
    // Blank rows are filled in place, so the pixels must be the area's own and not shared
    // with anyone who does not hold them blank (a picture handed out, an assigned picture's
    // caller, read-only data): new ones serve as well, as nothing of them is kept. Without the
    // memory for them the area goes without pixels.
    if (!image_.isNull() && (!ownPixels_ || !image_.isDetached())) {
        image_ = newArea(width_, height_);
        ownPixels_ = true;
    }
    blank_.setAll(image_.isNull() ? 0 : height_, back);
}

void DrawingArea::assign(const QImage& shown, int w, int h) {
    image_ = shown;
    ownPixels_ = false;
    width_ = w;
    height_ = h;
    blank_.clear();
}

void DrawingArea::fillRows(int first, int last) {
    if (blank_.count() == 0) return;
    blank_.fillPixels(pixelsInPlace(image_), first, last);
    blank_.markDrawn(first, last);
}

PixelView DrawingArea::pixelsInPlace(const QImage& image) {
    if (image.isNull()) return {};
    // Not through bits(), which would copy pixels shared with the picture: what is written
    // through this view (the colour of blank rows) is meant for the picture as well.
    auto* pixels = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(image.constBits()));
    return {pixels, image.width(), image.height(), image.bytesPerLine() / 4};
}

}  // namespace glint
