#pragma once
// Where the bitmap decoder takes its bytes from: a whole file in memory, or an open file read
// piece by piece into one buffer (so that only the piece being decoded is held).
#include <QByteArrayView>
#include <QIODevice>
#include <cstdint>
#include <vector>

namespace glint {

class BmpBytes {
  public:
    explicit BmpBytes(QByteArrayView memory);
    // The file's size is taken now; a file that is cut later gives failed reads, not a crash.
    explicit BmpBytes(QIODevice& file);

    std::int64_t size() const { return size_; }
    // The `count` bytes from `offset`, valid until the next read; nullptr when they lie past
    // the end or cannot be read whole.
    const unsigned char* read(std::int64_t offset, std::int64_t count);

  private:
    QByteArrayView memory_;
    QIODevice* file_ = nullptr;
    std::int64_t size_ = 0;
    std::vector<unsigned char> buffer_;
};

}  // namespace glint
