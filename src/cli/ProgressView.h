#pragma once
// What the batch shows while it runs: called from the main thread only.
#include <QString>
#include <vector>

#include "FileConverter.h"

namespace glint {

// Names as nameText() gives them; views show them through shownText().
struct RunningFile {
    QString input;
    double fraction = 0.0;  // 0..1
};

struct BatchSnapshot {
    int total = 0;  // with totalKnown false: the files known so far (a list is still being read)
    bool totalKnown = true;
    int finished = 0;
    int failed = 0;
    double overall = 0.0;  // 0..1
    double elapsedSeconds = 0.0;
    std::vector<RunningFile> running;
};

struct FileReport {
    QString input;
    QString output;
    ConvertOutcome outcome;
};

class ProgressView {
  public:
    virtual ~ProgressView() = default;
    virtual void fileDone(const FileReport& report, const BatchSnapshot& snapshot) = 0;
    virtual void update(const BatchSnapshot& snapshot) = 0;
    virtual void finish(const BatchSnapshot& snapshot) = 0;
};

// "in.png -> out.bmp (640x480 -> 1280x960)" or "in.png: <what went wrong>", safe to print.
QString reportLine(const FileReport& report);
// "3 of 10 files failed" (empty when none failed).
QString summaryLine(const BatchSnapshot& snapshot);

}  // namespace glint
