#pragma once
// What every decoding helper program does around its decoder, on the descriptors described in
// io/helper/HelperProtocol.h: maps the picture it is given, hands out the shared memory its
// pixels go to, keeps its memory budget, and writes the one reply.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "DecodedPhoto.h"
#include "io/helper/HelperProtocol.h"

namespace glint::helper {

struct Reply {
    Outcome outcome = Outcome::Damaged;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool hasAlpha = false;
    std::uint32_t frames = 0;
    std::uint32_t loops = 1;              // times the frames play, 0 for ever
    std::vector<std::uint32_t> delaysMs;  // one per frame, or none
    std::string message;
};

// The reply's outcome for a reader's.
Outcome outcomeOf(photo::PhotoOutcome outcome);

class HelperSession {
  public:
    // First thing in main(): from here on a failed allocation ends the helper with a NoMemory
    // reply instead of a crash. Without the shared memory of its caller (a helper started by
    // hand) it says what it is for and exits with status 2.
    HelperSession();
    HelperSession(const HelperSession&) = delete;
    HelperSession& operator=(const HelperSession&) = delete;

    // The first `bytes` bytes of the picture, read before lock-down to tell which decoder (and
    // so which plug-ins) it needs.
    std::vector<std::uint8_t> head(std::size_t bytes) const;
    // Locks the helper down (Sandbox.h) with the budget for a picture of unknown size. False
    // (and the reply written) when it cannot: the helper must then stop.
    bool lockDown();
    // The whole picture, mapped read-only; empty when it cannot be read.
    std::span<const std::uint8_t> picture();
    // Sets the memory budget for an output of `frames` pictures of width x height.
    void expectOutput(std::int64_t width, std::int64_t height, std::int64_t frames = 1);
    // Shared memory for `frames` frames of width x height pixels (HelperProtocol.h), or nullptr
    // when they do not fit the arena.
    std::uint32_t* pixels(std::int64_t width, std::int64_t height, std::int64_t frames = 1);
    // Lets a reader decode `photo`'s pixels straight into the shared memory, the memory budget
    // following their count.
    void provide(photo::DecodedPhoto& photo);
    // True when some allocation failed since the session began: a decoder that then fails
    // most likely failed for lack of memory.
    static bool allocationFailed();
    // Writes the reply; returns main()'s exit code.
    int reply(const Reply& reply);
    int fail(Outcome outcome, std::string message = {});
    // The reply for a decoded picture, one frame or several (their delays and loop count kept);
    // its pixels are copied into the shared memory first when they are not there already.
    int reply(const photo::DecodedPhoto& photo);

  private:
    std::span<const std::uint8_t> picture_;
    bool mapped_ = false;
};

}  // namespace glint::helper
