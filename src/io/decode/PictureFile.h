#pragma once
// An open picture file. It is opened once, by name or handed over as a descriptor, and read
// through that descriptor from then on: neither the loader nor a decoding helper looks the name
// up again, so a name that is swapped for another file meanwhile changes nothing, and a name
// that is not valid UTF-8 works like any other.
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "engine/Status.h"

namespace glint {

class PictureFile {
  public:
    PictureFile() = default;
    ~PictureFile();
    PictureFile(PictureFile&& other) noexcept;
    PictureFile& operator=(PictureFile&& other) noexcept;
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Opens `path` (the bytes the file system knows it by) for reading. Only a regular file is
    // opened: a FIFO would block the reader and a device would never end, so they are refused
    // before they are read from. Messages name the file by the last part of `path`.
    static Status open(const QByteArray& path, PictureFile& file);
    // Takes over `fd`, a regular file or a memory file open for reading (standard input's copy),
    // called `name` in messages.
    static PictureFile adopt(int fd, QString name);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The size at opening time.
    std::int64_t size() const { return size_; }
    // The name for messages: the file's own name without its folder.
    const QString& name() const { return name_; }

  private:
    void close();

    int fd_ = -1;
    std::int64_t size_ = 0;
    QString name_;
};

}  // namespace glint
