#pragma once
// Which output each input is written to, input by input as the batch goes.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <unordered_set>

#include "CliOptions.h"

namespace glint {

struct PlannedOutput {
    QByteArray output;  // "-": standard output
    QString error;      // set when the file must not be converted (an output clash)
};

// NAME-scanlines.EXT in `folder` ("" for the current folder) for the input file NAME.ext, a
// path in bytes.
QByteArray defaultOutputName(const QByteArray& input, const QByteArray& folder,
                             const QByteArray& extension);

// Without --output each output lies beside its input; an existing folder as --output takes all
// outputs; otherwise --output is the one output file ("-": standard output). Names made up here
// end in --format's extension (bmp by default). An output that an earlier input already writes
// to, or that is an earlier input, gets an error, as does an input that is an earlier output.
// Files are told apart by where they lie, the device and inode of their folder and their name
// in it, so that two spellings of one folder (a link to it, "a/../b") are one. Of each place
// only a 128-bit digest is remembered (some 80 bytes a file in all); two places share one with
// a chance far below one in 10^20 in a batch of millions.
class OutputPlanner {
  public:
    explicit OutputPlanner(const CliOptions& options);
    // The output for `input` (the bytes of its name; "-": standard input).
    PlannedOutput plan(const QByteArray& input);

    struct Place {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        bool operator==(const Place&) const = default;
    };

  private:
    struct PlaceHash {
        std::size_t operator()(const Place& place) const noexcept { return place.low; }
    };

    QByteArray output_;
    bool intoFolder_ = false;
    QByteArray extension_;
    std::unordered_set<Place, PlaceHash> inputs_;   // of the inputs so far
    std::unordered_set<Place, PlaceHash> outputs_;  // of the outputs so far
};

}  // namespace glint
