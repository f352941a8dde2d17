#include "DecodingThreads.h"

#include <sched.h>

#include <algorithm>

namespace glint::photo {
namespace {

// More threads than this gain nothing on one picture and only cost memory.
constexpr int kMostDecodingThreads = 16;

}  // namespace

int decodingThreads() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    return std::clamp(CPU_COUNT(&allowed), 1, kMostDecodingThreads);
}

}  // namespace glint::photo
