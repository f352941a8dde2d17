#pragma once
// Memory for outputs encoded from a whole picture, shared by the files a batch converts at the
// same time: a file waits until the others have left room for its picture, so that --jobs does
// not multiply the largest need.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace glint {

class MemoryBudget {
  public:
    explicit MemoryBudget(std::int64_t bytes) : bytes_(bytes) {}

    // Waits until `bytes` fit beside what is taken (a need larger than the whole budget waits
    // until nothing else is taken), then takes them.
    void take(std::int64_t bytes);
    void give(std::int64_t bytes);

    // The program's budget for whole pictures: kMaxInMemoryBytes.
    static MemoryBudget& wholePictures();

  private:
    const std::int64_t bytes_;
    std::int64_t taken_ = 0;
    std::mutex mutex_;
    std::condition_variable freed_;
};

}  // namespace glint
