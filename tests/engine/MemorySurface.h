#pragma once
// An in-memory picture box for engine tests: a 2-pixel border, a drawing area of 32-bit pixels,
// the picture flag, and a log of its sizing and picture calls (failed ones included).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/PictureSurface.h"

namespace glint::test {

class MemorySurface : public PictureSurface {
  public:
    static constexpr std::uint32_t kBackground = 0xFFFFFFFFu;  // cleared area: white

    MemorySurface(std::string name, std::vector<std::string>* log)
        : name_(std::move(name)), log_(log) {}

    // Gives the box a picture of w x h pixels (auto-size), pixel (x, y) = pixel(x, y).
    template <typename F>
    void load(std::int32_t w, std::int32_t h, F pixel) {
        resize(w, h);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x) at(x, y) = pixel(x, y);
        picture_ = true;
    }
    std::uint32_t& at(std::int32_t x, std::int32_t y) { return pixels_[std::size_t(y) * w_ + x]; }
    void setMaxSide(std::int32_t side) { maxSide_ = side; }
    const std::vector<std::pair<std::int32_t, std::int32_t>>& changedRows() const {
        return changed_;
    }

    float scaleWidth() const override { return float(w_); }
    float scaleHeight() const override { return float(h_); }
    float outerWidth() const override { return float(w_ + 4); }
    float outerHeight() const override { return float(h_ + 4); }
    Status setOuterWidth(float outerWidth) override;
    Status setOuterHeight(float outerHeight) override;
    ColorValue point(float x, float y) const override;
    void line(float x1, float y, float x2, ColorValue color) override;
    void assignEmptyPicture() override;
    void assignImageAsPicture() override;
    bool hasPicture() const override { return picture_; }
    ConstPixelView pixels() const override { return {pixels_.data(), w_, h_, w_}; }
    PixelView mutablePixels() override { return {pixels_.data(), w_, h_, w_}; }
    void rowsChanged(std::int32_t first, std::int32_t last) override {
        changed_.emplace_back(first, last);
    }

  private:
    Status resizeOuter(float outer, bool horizontal);
    void resize(std::int32_t w, std::int32_t h);
    void note(const std::string& call) {
        if (log_ != nullptr) log_->push_back(name_ + "." + call);
    }

    std::string name_;
    std::vector<std::string>* log_;
    std::int32_t w_ = 0;
    std::int32_t h_ = 0;
    std::int32_t maxSide_ = 1 << 16;
    std::vector<std::uint32_t> pixels_;
    bool picture_ = false;
    std::vector<std::pair<std::int32_t, std::int32_t>> changed_;
};

}  // namespace glint::test
