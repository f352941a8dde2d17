#include "HelperReply.h"

#include <cstring>

#include "io/decode/LoadLimits.h"

namespace glint {

using helper::Outcome;

bool readHelperReply(QByteArrayView output, std::int64_t arenaBytes, HelperReply& reply) {
    helper::ReplyHeader header{};
    if (output.size() < static_cast<qsizetype>(sizeof header)) return false;
    std::memcpy(&header, output.data(), sizeof header);
    if (std::memcmp(header.magic, helper::kReplyMagic, sizeof header.magic) != 0 ||
        header.outcome > static_cast<std::uint32_t>(Outcome::MissingPart) ||
        header.messageBytes > helper::kMaxMessageBytes || header.frames > helper::kMaxFrames ||
        output.size() != static_cast<qsizetype>(sizeof header) + qsizetype{header.frames} * 4 +
                             qsizetype{header.messageBytes})
        return false;
    const auto outcome = static_cast<Outcome>(header.outcome);
    if (outcome == Outcome::Ok) {
        // Sizes are multiplied only once they are known to be within the limits.
        if (header.frames < 1 || !pictureSizeAccepted(header.width, header.height) ||
            !framesAccepted(header.width, header.height, header.frames) ||
            std::int64_t{header.width} * header.height * 4 * header.frames > arenaBytes)
            return false;
    } else if (header.frames != 0) {
        return false;
    }
    reply.outcome = outcome;
    reply.width = header.width;
    reply.height = header.height;
    reply.hasAlpha = (header.flags & helper::kHasAlpha) != 0;
    reply.frames = header.frames;
    reply.loops = header.loops;
    reply.delaysMs.resize(header.frames);
    if (header.frames != 0)  // an empty vector's data() may be null, which memcpy must not get
        std::memcpy(reply.delaysMs.data(), output.data() + sizeof header,
                    std::size_t{header.frames} * 4);
    reply.message.assign(output.data() + output.size() - header.messageBytes, header.messageBytes);
    return true;
}

Status replyStatus(const HelperReply& reply, const std::string& helperName) {
    const std::string& message = reply.message;
    switch (reply.outcome) {
        case Outcome::Ok:
            return Status::ok();
        case Outcome::Unreadable:
            return Status::failure("cannot be read");
        case Outcome::NotAPicture:
            return Status::failure("not a picture the loader can read");
        case Outcome::Damaged:
            return Status::failure("picture is damaged or unreadable");
        case Outcome::Unsupported:
            return Status::unsupported(message.empty() ? "a variant of its format" : message);
        case Outcome::Empty:
            return Status::failure("picture is empty");
        case Outcome::TooLarge:
            return Status::failure("picture is too large");
        case Outcome::NoMemory:
            return Status::failure("picture needs more memory than allowed" +
                                   (message.empty() ? std::string() : " (" + message + ")"));
        case Outcome::MissingPart:
            return Status::missingPart(
                message.empty() ? "The " + helperName + " is missing a part of its installation."
                                : message);
    }
    return Status::failure("the " + helperName + " gave a wrong answer");
}

}  // namespace glint
