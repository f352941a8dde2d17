#pragma once
// How the program and its decoding helpers (glintwork-picture, glintwork-photo,
// glintwork-metafile) talk. A helper started with no arguments decodes one picture (of an
// animation, its first frame; of a document, its first page); started with the one argument
// kAllFramesArgument it decodes every frame, composed as a viewer shows them. It gets these
// descriptors:
//
//   0  the picture file, open for reading: a regular file or a memory file. The helper reads
//      it from offset 0 and never opens a file itself (it could not: see helpers/common/Sandbox.h).
//   1  the reply: one ReplyHeader, `frames` frame delays (32 bits each, milliseconds), then
//      `messageBytes` bytes of UTF-8 text. Nothing else is written to it.
//   2  messages of the decoding libraries, for a person who debugs; the callers drop them.
//   3  the pixel arena: a shared memory file that the caller made kArenaBytes long (sparse, so
//      it costs nothing until written). Frame k of a width x height picture lies at byte
//      k * width * height * 4: 0xAARRGGBB pixels in host order, not premultiplied, row after
//      row from the top. The caller maps the same file and takes the pixels without a copy.
//
// The reply's outcome says how the decoding ended; the message, when there is one, is a reason
// in words for the user (which variant is unsupported, which part of the installation is
// missing). A helper that ends without a complete reply crashed or was stopped.
#include <cstdint>

namespace glint::helper {

inline constexpr int kPictureFd = 0;
inline constexpr int kReplyFd = 1;
inline constexpr int kArenaFd = 3;

inline constexpr char kReplyMagic[4] = {'G', 'L', 'H', 'R'};
inline constexpr const char* kAllFramesArgument = "--all-frames";

enum class Outcome : std::uint32_t {
    Ok = 0,
    Unreadable,   // the picture's bytes could not be read
    NotAPicture,  // no decoder here reads this file
    Damaged,      // a picture, but cut or damaged
    Unsupported,  // well formed, but a variant no decoder here reads (message: which)
    Empty,        // a side of 0 pixels
    TooLarge,     // over the loader's size limits (LoadLimits.h)
    NoMemory,     // needs more memory than the picture's budget allows
    MissingPart,  // a part of the installation is missing (message: which)
};

// Set in ReplyHeader::flags when some pixel is not opaque.
inline constexpr std::uint32_t kHasAlpha = 1;

struct ReplyHeader {
    char magic[4];
    std::uint32_t outcome;  // an Outcome
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t flags;
    std::uint32_t frames;  // pictures in the arena, 1 for a still picture, 0 on failure
    std::uint32_t loops;   // times an animation plays, 0 for ever
    std::uint32_t messageBytes;
};
static_assert(sizeof(ReplyHeader) == 32);

// Longest message a reply carries, and most frames (the loader's limit, LoadLimits.h).
inline constexpr std::uint32_t kMaxMessageBytes = 1024;
inline constexpr std::uint32_t kMaxFrames = 1 << 16;

// Size of the arena: the pixels of the largest picture the loader accepts (128 Mi pixels) four
// times over, so that an animation of smaller frames fits too; its memory budget (below) stops
// a helper long before it fills this.
inline constexpr std::int64_t kArenaBytes = std::int64_t{2} << 30;

// A helper's memory budget, decided once it knows the size of the picture it decodes (the
// output): kBudgetPerOutputByte times the output's bytes, at least kBudgetFloor, at most
// kBudgetCeiling unless the output alone needs more (then the output's bytes twice over plus
// kBudgetSlack). Counted over what the helper had mapped when it locked itself down (its
// libraries, Qt's plug-ins and fonts). The arena is shared memory and not counted.
inline constexpr std::int64_t kBudgetFloor = std::int64_t{384} << 20;
inline constexpr std::int64_t kBudgetCeiling = std::int64_t{1} << 30;
inline constexpr std::int64_t kBudgetPerOutputByte = 6;
inline constexpr std::int64_t kBudgetSlack = std::int64_t{64} << 20;

constexpr std::int64_t memoryBudget(std::int64_t outputBytes) {
    const std::int64_t wanted = outputBytes * kBudgetPerOutputByte;
    const std::int64_t ceiling = outputBytes * 2 + kBudgetSlack > kBudgetCeiling
                                     ? outputBytes * 2 + kBudgetSlack
                                     : kBudgetCeiling;
    return wanted < kBudgetFloor ? kBudgetFloor : wanted > ceiling ? ceiling : wanted;
}

}  // namespace glint::helper
