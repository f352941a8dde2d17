#pragma once
// A file that replaces its target only when every byte of it was written. Writes go to a
// temporary file beside the target; the first failed or short write (a full disk, a file
// size limit, an I/O error) is kept, and commit() then fails and removes the temporary
// file, as does the destructor of a file never committed. Only a regular file (or a link to
// one) is ever replaced: a device, a FIFO or a folder of the target's name is refused.
//
// Also a QIODevice, for writers that take one (Qt's image writers): its writes land at the
// device's position and count only when complete.
#include <sys/uio.h>

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/Status.h"

class QSaveFile;

namespace glint {

// Ok when `target` may be written: it does not exist, or it is a regular file.
Status replaceableTarget(const QString& target);

class OutputFile : public QIODevice {
public:
    explicit OutputFile(QString target);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file and opens the device for writing.
    Status create();
    // Writes `count` pieces one after another from `offset`, all of them or a failure.
    Status writeAt(std::int64_t offset, const iovec* pieces, int count);
    Status writeAt(std::int64_t offset, const void* data, std::int64_t bytes);
    // Syncs the data and puts the file in place of its target; fails, and drops the file,
    // when any write failed or the target is no longer replaceable.
    Status commit();
    // Drops the file; the target stays as it was.
    void cancel();
    bool failed() const { return !error_.empty(); }

    bool isSequential() const override { return false; }
    qint64 size() const override { return end_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    Status fail(const std::string& why);

    QString target_;
    std::unique_ptr<QSaveFile> file_;
    int fd_ = -1;
    std::int64_t end_ = 0;  // the largest offset written up to
    std::string error_;     // the first failure
};

}  // namespace glint
