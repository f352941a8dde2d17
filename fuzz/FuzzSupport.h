#pragma once
// What the fuzz harnesses share: a Qt application, a scratch folder, and values read from the
// fuzzer's bytes.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace glint::fuzz {

// Pictures larger than this are left out: decoding them only costs time and memory (the
// limits of larger pictures have tests of their own).
inline constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 20;
// Metafile drawings larger than this are converted but not drawn (drawing is Qt's own work).
inline constexpr std::int64_t kMaxFuzzDrawPixels = std::int64_t{1} << 16;

// A QGuiApplication on the offscreen platform, created once (image plugins, fonts).
void startQt();

// `name` inside a private temporary folder that lives as long as the process.
QString scratchPath(const QString& name);

// Writes `bytes` to `path`, replacing it; aborts when it cannot (the harness is broken then).
void writeScratch(const QString& path, const QByteArray& bytes);

// Stops the run as a finding when `condition` does not hold.
void require(bool condition, const char* what);

// Reads little-endian numbers from the front of the input; zero once it is used up.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint32_t take(int bytes);
    // A number from low to high, both included.
    std::uint32_t inRange(std::uint32_t low, std::uint32_t high);
    // Everything not read yet.
    QByteArray rest();

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace glint::fuzz
