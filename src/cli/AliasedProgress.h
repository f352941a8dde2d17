#pragma once
// Shows one input under another name: the temporary copy of standard input as "-".
#include "ProgressView.h"

namespace glint {

class AliasedProgress : public ProgressView {
public:
    AliasedProgress(ProgressView& inner, QString path, QString alias)
        : inner_(inner), path_(std::move(path)), alias_(std::move(alias)) {}

    void fileDone(const FileReport& report, const BatchSnapshot& snapshot) override;
    void update(const BatchSnapshot& snapshot) override;
    void finish(const BatchSnapshot& snapshot) override;

private:
    BatchSnapshot renamed(BatchSnapshot snapshot) const;

    ProgressView& inner_;
    QString path_;
    QString alias_;
};

}  // namespace glint
