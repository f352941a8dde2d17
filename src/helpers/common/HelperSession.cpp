#include "HelperSession.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "AllocationWatch.h"
#include "Sandbox.h"
#include "io/decode/LoadLimits.h"

namespace glint::helper {
namespace {

bool writeAll(const void* data, std::size_t bytes) {
    const auto* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t done = ::write(kReplyFd, at, bytes);
        if (done <= 0) return false;
        at += done;
        bytes -= static_cast<std::size_t>(done);
    }
    return true;
}

// The reply of a helper that ran out of memory: written without allocating.
[[noreturn]] void outOfMemory() {
    ReplyHeader header{};
    std::memcpy(header.magic, kReplyMagic, sizeof header.magic);
    header.outcome = static_cast<std::uint32_t>(Outcome::NoMemory);
    writeAll(&header, sizeof header);
    ::_exit(0);
}

// A fatal signal after an allocation failed: most likely a decoder that did not check for the
// failure (or Qt giving up on it). The picture needed more memory than its budget.
void onFatalSignal(int signal) {
    if (allocationsFailed()) outOfMemory();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::int64_t descriptorSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

// Exit status of a helper started without the descriptors its caller hands over (by hand).
constexpr int kUsageStatus = 2;

}  // namespace

Outcome outcomeOf(photo::PhotoOutcome outcome) {
    switch (outcome) {
        case photo::PhotoOutcome::Ok:
            return Outcome::Ok;
        case photo::PhotoOutcome::Unsupported:
            return Outcome::Unsupported;
        case photo::PhotoOutcome::TooLarge:
            return Outcome::TooLarge;
        case photo::PhotoOutcome::Empty:
            return Outcome::Empty;
        case photo::PhotoOutcome::Damaged:
            break;
    }
    return Outcome::Damaged;
}

HelperSession::HelperSession() {
    if (descriptorSize(kArenaFd) < 0) {
        const char usage[] =
            "This program decodes pictures for glintwork and glintwork-cli, which start it with "
            "the picture and a shared memory to fill; it is not to be run by hand.\n";
        (void)!::write(STDERR_FILENO, usage, sizeof usage - 1);
        ::_exit(kUsageStatus);
    }
    std::set_new_handler(outOfMemory);
    watchAllocations();
    for (const int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL})
        ::signal(signal, onFatalSignal);
    // A helper may write no file (its file size limit is 0); a library that tries anyway
    // (fontconfig refreshing its cache) gets an error instead of ending the helper.
    ::signal(SIGXFSZ, SIG_IGN);
}

std::vector<std::uint8_t> HelperSession::head(std::size_t bytes) const {
    std::vector<std::uint8_t> head(bytes);
    const ssize_t got = ::pread(kPictureFd, head.data(), bytes, 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return head;
}

bool HelperSession::lockDown() {
    const std::string failure = helper::lockDown(kBudgetFloor, memoryBudget(kMaxPicturePixels * 4));
    if (failure.empty()) return true;
    fail(Outcome::MissingPart, "The decoding helper cannot lock itself down: " + failure + ".");
    return false;
}

std::span<const std::uint8_t> HelperSession::picture() {
    if (mapped_) return picture_;
    mapped_ = true;
    const std::int64_t size = descriptorSize(kPictureFd);
    if (size <= 0 || size > kMaxPictureFileBytes) return {};
    // A private mapping: nothing the decoders do can reach the file.
    void* at =
        ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, kPictureFd, 0);
    if (at == MAP_FAILED) return {};
    picture_ = {static_cast<const std::uint8_t*>(at), static_cast<std::size_t>(size)};
    return picture_;
}

void HelperSession::expectOutput(std::int64_t width, std::int64_t height, std::int64_t frames) {
    setBudget(memoryBudget(width * height * 4 * frames));
}

std::uint32_t* HelperSession::pixels(std::int64_t width, std::int64_t height, std::int64_t frames) {
    if (width <= 0 || height <= 0 || frames <= 0) return nullptr;
    const std::int64_t bytes = width * height * 4 * frames;
    if (bytes > descriptorSize(kArenaFd)) return nullptr;
    // Populated at once: one call instead of a fault for every page the decoder writes.
    void* at = ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_POPULATE, kArenaFd, 0);
    return at == MAP_FAILED ? nullptr : static_cast<std::uint32_t*>(at);
}

void HelperSession::provide(photo::DecodedPhoto& photo) {
    photo.pixels.provideFrom([this](std::size_t count) {
        const auto pixels = static_cast<std::int64_t>(count);
        expectOutput(pixels, 1);
        return this->pixels(pixels, 1);
    });
}

int HelperSession::reply(const photo::DecodedPhoto& photo) {
    const auto frames =
        static_cast<std::int64_t>(photo.pixels.size()) / (photo.width * photo.height);
    if (!photo.pixels.provided()) {
        std::uint32_t* shared = pixels(photo.width, photo.height, frames);
        if (shared == nullptr) return fail(Outcome::NoMemory);
        std::copy(photo.pixels.begin(), photo.pixels.end(), shared);
    }
    Reply r;
    r.outcome = Outcome::Ok;
    r.width = photo.width;
    r.height = photo.height;
    r.hasAlpha = photo.hasAlpha;
    r.frames = static_cast<std::uint32_t>(frames);
    r.loops = photo.loops;
    r.delaysMs = photo.delaysMs;
    return reply(r);
}

bool HelperSession::allocationFailed() { return allocationsFailed(); }

int HelperSession::reply(const Reply& r) {
    ReplyHeader header{};
    std::memcpy(header.magic, kReplyMagic, sizeof header.magic);
    header.outcome = static_cast<std::uint32_t>(r.outcome);
    const bool ok = r.outcome == Outcome::Ok;
    header.width = ok ? static_cast<std::uint32_t>(r.width) : 0;
    header.height = ok ? static_cast<std::uint32_t>(r.height) : 0;
    header.flags = ok && r.hasAlpha ? kHasAlpha : 0;
    header.frames = ok ? r.frames : 0;
    header.loops = r.loops;
    const std::string message = r.message.substr(0, kMaxMessageBytes);
    header.messageBytes = static_cast<std::uint32_t>(message.size());
    std::vector<std::uint32_t> delays(header.frames, 0);
    for (std::size_t i = 0; i < delays.size() && i < r.delaysMs.size(); ++i)
        delays[i] = r.delaysMs[i];
    const bool written = writeAll(&header, sizeof header) &&
                         writeAll(delays.data(), delays.size() * sizeof(std::uint32_t)) &&
                         writeAll(message.data(), message.size());
    return written ? 0 : 1;
}

int HelperSession::fail(Outcome outcome, std::string message) {
    Reply r;
    r.outcome = outcome;
    r.message = std::move(message);
    return reply(r);
}

}  // namespace glint::helper
