#pragma once
// Where a row sink's bytes go: a new output file that takes its target's place only at commit
// (OutputFile), or a device given at construction (standard output). A writer that moves back
// in its file (libtiff) writes to a given device that cannot seek through an unnamed
// temporary file, copied out at commit.
#include <QFile>
#include <QIODevice>
#include <QString>
#include <memory>

#include "engine/Status.h"

namespace glint {

class OutputFile;

class SinkDevice {
  public:
    enum class Access { Sequential, Seeking };

    SinkDevice();  // a file, named at open()
    explicit SinkDevice(QIODevice& given, Access access = Access::Sequential);
    ~SinkDevice();  // an uncommitted file is dropped
    SinkDevice(const SinkDevice&) = delete;
    SinkDevice& operator=(const SinkDevice&) = delete;

    // Creates the file `fileName` (not used with a given device) or the temporary file.
    Status open(const QString& fileName);
    // What the writer writes to; only between open() and commit() or cancel().
    QIODevice& device() { return *device_; }
    // Puts the file in place, or copies the temporary file to the given device.
    Status commit();
    // Drops the file or the temporary file.
    void cancel();

  private:
    Status copyOut();

    QIODevice* given_ = nullptr;
    Access access_ = Access::Sequential;
    QIODevice* device_ = nullptr;
    std::unique_ptr<OutputFile> file_;
    std::unique_ptr<QFile> spool_;
};

}  // namespace glint
