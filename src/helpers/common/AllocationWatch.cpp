#include "AllocationWatch.h"

#include <atomic>
#include <cstddef>

namespace glint::helper {
namespace {
std::atomic<bool> failed{false};
}  // namespace

void watchAllocations() {}

bool allocationsFailed() { return failed.load(std::memory_order_relaxed); }

}  // namespace glint::helper

// The C library's allocation functions, passed through to glibc's own and watched. Defined in
// the helper program, they take the place of the C library's for every library it loads.
// AddressSanitizer brings allocation functions of its own: there the watch stays off.
#ifndef GLINT_SANITIZED
// glibc's own allocation functions, under the names it exports them by.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

namespace {
void* watched(void* p, bool asked) {
    if (p == nullptr && asked) glint::helper::failed.store(true, std::memory_order_relaxed);
    return p;
}
}  // namespace

void* malloc(std::size_t n) { return watched(__libc_malloc(n), n != 0); }
void* calloc(std::size_t n, std::size_t size) {
    return watched(__libc_calloc(n, size), n != 0 && size != 0);
}
void* realloc(void* p, std::size_t n) { return watched(__libc_realloc(p, n), n != 0); }
void* memalign(std::size_t alignment, std::size_t n) {
    return watched(__libc_memalign(alignment, n), n != 0);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) { return memalign(alignment, n); }
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
    void* p = memalign(alignment, n);
    if (p == nullptr && n != 0) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}
// NOLINTEND(bugprone-reserved-identifier)
#endif
