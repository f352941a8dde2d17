#include "MemoryBudget.h"

#include "OutputFormat.h"

namespace glint {

void MemoryBudget::take(std::int64_t bytes) {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return taken_ == 0 || taken_ + bytes <= bytes_; });
    taken_ += bytes;
}

void MemoryBudget::give(std::int64_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        taken_ -= bytes;
    }
    freed_.notify_all();
}

MemoryBudget& MemoryBudget::wholePictures() {
    static MemoryBudget budget(kMaxInMemoryBytes);
    return budget;
}

}  // namespace glint
