#pragma once
// A file that takes its target's name only when every byte of it was written. Writes go to an
// unnamed file in the target's folder (a temporary name where the file system has no unnamed
// files); the first failed or short write (a full disk, a file size limit, an I/O error) is
// kept, and commit() then fails and drops the file, as does the destructor of a file never
// committed. A file is never written through a symbolic link: a link of the target's name is
// an existing target, and replacing it replaces the link itself. Only a regular file or a link
// is ever replaced: a device, a FIFO or a folder of the target's name is refused.
//
// Also a QIODevice, for writers that take one (Qt's image writers): its writes land at the
// device's position and count only when complete.
#include <sys/uio.h>

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>

#include "engine/Status.h"

namespace glint {

// What commit() does with a target that exists (or came to exist while the file was written).
enum class ExistingTarget { Replace, Keep };

// The folder `path` lies in ("." for a bare name, "/" for one at the root) and its name there.
std::pair<QByteArray, QByteArray> folderAndName(const QByteArray& path);

// Ok when `target` (the bytes the file system knows it by) may be replaced: nothing of that
// name exists, or a regular file or a symbolic link does. `exists`, if given, tells which.
Status replaceableTarget(const QByteArray& target, bool* exists = nullptr);

class OutputFile : public QIODevice {
  public:
    OutputFile(QByteArray target, ExistingTarget existing);
    // A target named in text, replaced when it exists.
    explicit OutputFile(const QString& target);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file and opens the device for writing. With ExistingTarget::Keep, fails when
    // the target exists.
    Status create();
    // Writes `count` pieces one after another from `offset`, all of them or a failure.
    Status writeAt(std::int64_t offset, const iovec* pieces, int count);
    Status writeAt(std::int64_t offset, const void* data, std::int64_t bytes);
    // Syncs the data and gives the file the target's name; fails, and drops the file, when any
    // write failed, when the target is no longer replaceable, or, with ExistingTarget::Keep,
    // when the target exists by now.
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
    // Opens a file of a new temporary name in the folder and keeps the name in temporary_.
    int openTemporary();
    // Gives the unnamed file a temporary name, for a rename over the target.
    Status nameTemporary();
    Status putInPlace();

    QByteArray target_;
    ExistingTarget existing_;
    int folder_ = -1;       // the target's folder, opened at create()
    QByteArray name_;       // the target's name in that folder
    QByteArray temporary_;  // the file's temporary name; empty while it has none
    int fd_ = -1;
    std::int64_t end_ = 0;  // the largest offset written up to
    std::string error_;     // the first failure
};

}  // namespace glint
