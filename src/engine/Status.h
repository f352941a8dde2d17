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

    bool isOk() const { return !failed_; }
    bool failed() const { return failed_; }
    // Why it failed; empty when ok. Meant for logs and tests, never shown as is.
    const std::string& reason() const { return reason_; }

private:
    Status() = default;
    explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}

    bool failed_ = false;
    std::string reason_;
};

}  // namespace glint
