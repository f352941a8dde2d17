#include "EncodingSink.h"

#include <string>

namespace glint {

Status EncodingSink::commit() {
    if (!encoding() || !rows_.complete()) {
        cancel();
        return Status::failure(std::string(format_) + " file incomplete");
    }
    if (Status st = finishEncoding(); st.failed()) {
        cancel();
        return st;
    }
    releaseEncoder();
    return target_.commit();
}

void EncodingSink::cancel() {
    releaseEncoder();
    target_.cancel();
}

}  // namespace glint
