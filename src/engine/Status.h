#pragma once
// Result of an operation that can fail: ok, or a failure with a short reason.
// Failures travel as values up to the event procedure that reports them.
#include <string>
#include <utility>

namespace glint {

class [[nodiscard]] Status {
public:
    static Status ok() { return Status(); }
    static Status failure(std::string reason) { return Status(std::move(reason)); }
    // A failure because a part of the installation is missing (a plug-in, a helper program,
    // data a library needs). `what` names the part and how to get it, in words for the user.
    static Status missingPart(std::string what) {
        Status s(std::move(what));
        s.missingPart_ = true;
        return s;
    }

    bool isOk() const { return !failed_; }
    bool failed() const { return failed_; }
    // True for missingPart(): then reason() is meant for the user and may be shown as is.
    bool isMissingPart() const { return missingPart_; }
    // Why it failed; empty when ok. Meant for logs and tests, never shown as is (but see
    // isMissingPart()).
    const std::string& reason() const { return reason_; }

private:
    Status() = default;
    explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}

    bool failed_ = false;
    bool missingPart_ = false;
    std::string reason_;
};

}  // namespace glint
