#pragma once
// One line per finished file, for a standard error that is no terminal; with `quiet` only the
// failures.
#include <cstdio>

#include "ProgressView.h"

namespace glint {

class LineProgress : public ProgressView {
  public:
    LineProgress(std::FILE* out, bool quiet) : out_(out), quiet_(quiet) {}
    void fileDone(const FileReport& report, const BatchSnapshot& snapshot) override;
    void update(const BatchSnapshot&) override {}
    void finish(const BatchSnapshot& snapshot) override;

  private:
    std::FILE* out_;
    bool quiet_;
};

}  // namespace glint
