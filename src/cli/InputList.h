#pragma once
// A list of input names read from a file or standard input (--files-from), for batches too
// large for a command line. The list is read as the batch goes, a piece at a time: memory does
// not grow with it.
#include <QByteArray>
#include <cstdint>
#include <vector>

#include "engine/Status.h"

namespace glint {

// The longest name the list may hold, in bytes: a longer one is no name the system can open.
inline constexpr int kMaxListedNameBytes = 4095;

class InputList {
  public:
    InputList() = default;
    ~InputList();
    InputList(const InputList&) = delete;
    InputList& operator=(const InputList&) = delete;

    // Opens the list `source` ("-": standard input). Its names end with a line feed (a carriage
    // return before it is part of the name) or, with `nulSeparated`, with a NUL byte; a last
    // name without its end counts.
    Status open(const QByteArray& source, bool nulSeparated);
    // The next name, never empty (empty names are skipped). False at the end of the list, and
    // when the list cannot be read further: then failure() tells why. A name that is too long,
    // or a NUL byte in a list of lines, ends the list, since where the next name starts is not
    // known.
    bool next(QByteArray& name);
    const Status& failure() const { return failure_; }
    // The number of names in a list in a regular file, counted ahead without keeping them;
    // -1 for a list from a pipe or a terminal.
    std::int64_t countAhead() const;

  private:
    bool stop(const std::string& why);
    // Reads more of the list behind what is kept; at its end, or on a read error, the list ends.
    void fill();

    int fd_ = -1;
    bool ownFd_ = false;
    char separator_ = '\n';
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // the unread part of buffer_
    std::size_t end_ = 0;
    bool ended_ = false;
    std::int64_t names_ = 0;  // names given so far
    Status failure_ = Status::ok();
};

}  // namespace glint
