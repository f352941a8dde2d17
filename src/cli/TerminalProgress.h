#pragma once
// A progress bar on a terminal: one status line (overall bar, files done, time left, and the
// files being converted with their percent), redrawn in place; finished files are written
// above it.
#include <chrono>
#include <cstdio>

#include "ProgressView.h"

namespace glint {

// The status line for `snapshot`, at most `columns` characters ("12/40+ files" while more may
// come).
QString statusLine(const BatchSnapshot& snapshot, int columns);
// Time left as "1:05", "1:02:03", or "--:--" before anything is done and while the number of
// files is not known.
QString timeLeft(const BatchSnapshot& snapshot);

class TerminalProgress : public ProgressView {
  public:
    TerminalProgress(std::FILE* out, int columns) : out_(out), columns_(columns) {}
    void fileDone(const FileReport& report, const BatchSnapshot& snapshot) override;
    void update(const BatchSnapshot& snapshot) override;
    void finish(const BatchSnapshot& snapshot) override;

  private:
    void draw(const BatchSnapshot& snapshot);
    void clear();

    std::FILE* out_;
    int columns_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace glint
