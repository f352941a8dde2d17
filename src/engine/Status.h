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
        return Status(std::move(what), Kind::MissingPart);
    }
    // A failure on well-formed input that this installation cannot handle (a variant of a
    // format without a decoder here). `what` says so in words for the user, e.g. "photo.jpg is
    // a 12-bit JPEG, which this installation cannot decode".
    static Status unsupported(std::string what) {
        return Status(std::move(what), Kind::Unsupported);
    }

    bool isOk() const { return kind_ == Kind::Ok; }
    bool failed() const { return kind_ != Kind::Ok; }
    bool isMissingPart() const { return kind_ == Kind::MissingPart; }
    bool isUnsupported() const { return kind_ == Kind::Unsupported; }
    // True for missingPart() and unsupported(): the fault lies with the installation, not with
    // the input, and reason() is meant for the user and may be shown as is.
    bool speaksToUser() const { return isMissingPart() || isUnsupported(); }
    // Why it failed; empty when ok. Meant for logs and tests, never shown as is (but see
    // speaksToUser()).
    const std::string& reason() const { return reason_; }

  private:
    enum class Kind { Ok, Failure, MissingPart, Unsupported };

    Status() = default;
    explicit Status(std::string reason, Kind kind = Kind::Failure)
        : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_ = Kind::Ok;
    std::string reason_;
};

}  // namespace glint
