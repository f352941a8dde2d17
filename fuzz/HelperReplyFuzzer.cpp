// What the caller makes of a decoding helper's reply, whatever the helper wrote (a helper that a
// picture took over may write anything): a reply is taken only when it is whole and consistent,
// and a picture only within the loader's limits and the shared memory's size.
#include <cstring>

#include "FuzzSupport.h"
#include "io/decode/LoadLimits.h"
#include "io/helper/HelperReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    fuzz::FuzzInput in(data, size);
    const std::int64_t arenaBytes = std::int64_t{in.take(4)} << 8;
    const QByteArray output = in.rest();
    HelperReply reply;
    if (!readHelperReply(output, arenaBytes, reply)) return 0;
    const Status status = replyStatus(reply, "helper");
    fuzz::require(status.isOk() == (reply.outcome == helper::Outcome::Ok), "ok exactly for Ok");
    fuzz::require(reply.delaysMs.size() == reply.frames, "a delay per frame");
    fuzz::require(reply.message.size() <= helper::kMaxMessageBytes, "a bounded message");
    if (status.isOk()) {
        fuzz::require(pictureSizeAccepted(reply.width, reply.height), "an accepted size");
        fuzz::require(std::int64_t{reply.width} * reply.height * 4 * reply.frames <= arenaBytes,
                      "frames within the shared memory");
    }
    return 0;
}
