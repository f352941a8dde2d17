#include "BmpBytes.h"

#include <new>

namespace glint {

BmpBytes::BmpBytes(QByteArrayView memory) : memory_(memory), size_(memory.size()) {}

BmpBytes::BmpBytes(QIODevice& file) : file_(&file), size_(file.size()) {}

const unsigned char* BmpBytes::read(std::int64_t offset, std::int64_t count) {
    if (offset < 0 || count < 0 || count > size_ - offset) return nullptr;
    if (file_ == nullptr) return reinterpret_cast<const unsigned char*>(memory_.data()) + offset;
    try {
        buffer_.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (file_->pos() != offset && !file_->seek(offset)) return nullptr;
    auto* into = reinterpret_cast<char*>(buffer_.data());
    for (std::int64_t done = 0; done < count;) {
        const qint64 got = file_->read(into + done, count - done);
        if (got <= 0) return nullptr;
        done += got;
    }
    return buffer_.data();
}

}  // namespace glint
