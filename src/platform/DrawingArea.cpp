#include "DrawingArea.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>

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
    if (blankCount_ > 0 && blankPixel_ != back) fillAll();

    QImage next;
    if (w > 0 && h > 0) {
        next = newArea(w, h);
        if (next.isNull()) return Status::failure("out of memory for the picture box area");
    }
    // An area without pixels has no rows to fill.
    const int rows = next.isNull() ? 0 : h;
    std::vector<std::uint8_t> blank(std::size_t(rows), 1);
    int blankCount = rows;
    keepWidth = std::min({keepWidth, w, width_});
    keepHeight = std::min({keepHeight, h, height_});
    if (keepWidth > 0) {
        for (int y = 0; y < keepHeight; ++y) {
            if (isBlank(y)) continue;
            std::uint32_t* out = rowOf(next, y);
            std::memcpy(out, image_.constScanLine(y), std::size_t(keepWidth) * sizeof(*out));
            std::fill(out + keepWidth, out + w, back);
            blank[std::size_t(y)] = 0;
            --blankCount;
        }
    }
    image_ = next;
    width_ = w;
    height_ = h;
    blank_ = std::move(blank);
    blankCount_ = blankCount;
    blankPixel_ = back;
    return Status::ok();
}

void DrawingArea::clear(std::uint32_t back) {
    // Pixels shared with a picture would be copied before they are overwritten: new ones
    // serve as well, as nothing of them is kept.
    if (!image_.isNull() && !image_.isDetached()) {
        QImage fresh = newArea(width_, height_);
        if (!fresh.isNull()) image_ = fresh;
    }
    const int rows = image_.isNull() ? 0 : height_;
    blank_.assign(std::size_t(rows), 1);
    blankCount_ = rows;
    blankPixel_ = back;
}

void DrawingArea::assign(const QImage& shown, int w, int h) {
    image_ = shown;
    width_ = w;
    height_ = h;
    blank_.clear();
    blankCount_ = 0;
}

void DrawingArea::fillRows(int first, int last) {
    if (blankCount_ == 0) return;
    first = std::max(first, 0);
    last = std::min(last, height_ - 1);
    for (int y = first; y <= last && blankCount_ > 0; ++y) {
        if (blank_[std::size_t(y)] != 0) fillRow(y);
    }
}

void DrawingArea::markDrawn(int first, int last) {
    if (blankCount_ == 0) return;
    first = std::max(first, 0);
    last = std::min(last, height_ - 1);
    for (int y = first; y <= last; ++y) {
        if (blank_[std::size_t(y)] != 0) {
            blank_[std::size_t(y)] = 0;
            --blankCount_;
        }
    }
}

void DrawingArea::fillRow(int row) {
    std::uint32_t* out = rowOf(image_, row);
    if (out == nullptr) return;  // pixels shared with a picture and no memory for a copy
    std::fill(out, out + width_, blankPixel_);
    blank_[std::size_t(row)] = 0;
    --blankCount_;
}

}  // namespace glint
