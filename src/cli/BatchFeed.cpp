#include "BatchFeed.h"

#include "NameText.h"
#include "StandardInput.h"
#include "io/output/StandardStreams.h"

namespace glint {

BatchFeed::BatchFeed(const CliOptions& options) : options_(options), planner_(options) {}

Status BatchFeed::open() {
    expected_ = options_.inputs.size();
    if (options_.inputList.isEmpty()) return Status::ok();
    if (Status st = list_.open(options_.inputList, options_.nulSeparated); st.failed()) return st;
    listEnded_ = false;
    const std::int64_t listed = list_.countAhead();
    expected_ = listed < 0 ? -1 : expected_ + listed;
    return Status::ok();
}

bool BatchFeed::nextFromList(BatchItem& item) {
    if (listEnded_) return false;
    if (list_.next(item.input)) return true;
    listEnded_ = true;
    if (list_.failure().isOk()) return false;
    item.input = options_.inputList;
    item.error = QString::fromStdString(list_.failure().reason());
    return true;
}

bool BatchFeed::next(BatchItem& item) {
    item = BatchItem();
    const bool fromCommandLine = nextInput_ < options_.inputs.size();
    if (fromCommandLine) {
        item.input = options_.inputs[nextInput_++];
    } else if (!nextFromList(item)) {
        return false;
    }
    item.shown = nameText(item.input);
    if (!item.error.isEmpty()) return true;  // the list could not be read further
    PlannedOutput planned = planner_.plan(item.input);
    item.output = std::move(planned.output);
    item.error = std::move(planned.error);
    // A "-" of the command line is standard input, read when its turn comes; in a list it is a
    // file of that name.
    if (fromCommandLine && isStandardStream(item.input) && item.error.isEmpty()) {
        if (Status st = copyStandardInput(item.picture); st.failed())
            item.error = QString::fromStdString(st.reason());
    }
    return true;
}

}  // namespace glint
