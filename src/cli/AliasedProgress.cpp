#include "AliasedProgress.h"

namespace glint {

BatchSnapshot AliasedProgress::renamed(BatchSnapshot snapshot) const {
    for (RunningFile& file : snapshot.running) {
        if (file.input == path_) file.input = alias_;
    }
    return snapshot;
}

void AliasedProgress::fileDone(const FileReport& report, const BatchSnapshot& snapshot) {
    FileReport shown = report;
    if (shown.input == path_) shown.input = alias_;
    inner_.fileDone(shown, renamed(snapshot));
}

void AliasedProgress::update(const BatchSnapshot& snapshot) { inner_.update(renamed(snapshot)); }

void AliasedProgress::finish(const BatchSnapshot& snapshot) { inner_.finish(renamed(snapshot)); }

}  // namespace glint
