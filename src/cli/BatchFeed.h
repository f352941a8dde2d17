#pragma once
// The files of a batch, one after another as the batch goes: the command line's inputs, then
// the names of the --files-from list, each with its output planned. Nothing is read ahead, so
// a list of any length takes the same memory (what the output plan remembers aside).
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "CliOptions.h"
#include "InputList.h"
#include "OutputPlan.h"
#include "engine/Status.h"
#include "io/decode/PictureFile.h"

namespace glint {

struct BatchItem {
    QByteArray input;     // the bytes of the input's name; "-": standard input
    QString shown;        // the input in messages ("-" for standard input's copy)
    PictureFile picture;  // standard input's copy; other inputs are opened when converted
    QByteArray output;    // "-": standard output
    QString error;        // set when the file must not be converted
};

class BatchFeed {
  public:
    explicit BatchFeed(const CliOptions& options);

    // Opens the --files-from list, if any; fails when it cannot be read.
    Status open();
    // The next file; false when there is none left. A list that cannot be read to its end
    // gives one more item, in error, named after the list.
    bool next(BatchItem& item);
    // How many files the batch has, known at open(); -1 for a list read from a pipe.
    std::int64_t expected() const { return expected_; }

  private:
    bool nextFromList(BatchItem& item);

    const CliOptions& options_;
    OutputPlanner planner_;
    InputList list_;
    qsizetype nextInput_ = 0;
    bool listEnded_ = true;
    std::int64_t expected_ = 0;
};

}  // namespace glint
