#pragma once
// A helper's reply (HelperProtocol.h) as the caller reads it: checked against everything a
// well-behaved helper can say, since a helper that a picture took over may say anything.
#include <QByteArrayView>
#include <cstdint>
#include <string>
#include <vector>

#include "HelperProtocol.h"
#include "engine/Status.h"

namespace glint {

struct HelperReply {
    helper::Outcome outcome = helper::Outcome::Damaged;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool hasAlpha = false;
    std::uint32_t frames = 0;
    std::uint32_t loops = 0;
    std::vector<std::uint32_t> delaysMs;
    std::string message;
};

// Reads the whole of a helper's output. False when it is not one well-formed reply, or when a
// picture it announces breaks the loader's limits or would not fit `arenaBytes`.
bool readHelperReply(QByteArrayView output, std::int64_t arenaBytes, HelperReply& reply);

// What a reply's outcome means for the caller: ok for a picture, otherwise the failure in
// words (`helperName` names the helper in them).
Status replyStatus(const HelperReply& reply, const std::string& helperName);

}  // namespace glint
