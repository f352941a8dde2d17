#pragma once
// One run of a decoding helper program in its own process group, under an address-space,
// CPU-time and wall-time limit, whose standard output is read in pieces of known size. A
// helper that crashes, hangs or runs out of memory costs only its own process: the caller gets
// a failed Status. The process group is killed when the run is destroyed unfinished.
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/Status.h"

namespace glint {

class HelperProcess {
  public:
    struct Limits {
        std::chrono::milliseconds timeout{60000};  // wall time for the whole run
        std::int64_t addressSpaceBytes = std::int64_t{4} << 30;
        int cpuSecondsPerWallSecond = 4;  // decoders run several threads
    };

    HelperProcess(QString program, Limits limits);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // Called again and again, a few dozen times a second, while waiting for the helper (a
    // window keeps itself painted with it).
    void setWhileWaiting(std::function<void()> whileWaiting) {
        whileWaiting_ = std::move(whileWaiting);
    }

    Status start(const QStringList& arguments);
    // Reads exactly `bytes` bytes of the helper's output into `into`.
    Status read(char* into, std::int64_t bytes);
    // Waits for the end of the helper. Ok only for a normal exit with code 0 that wrote no
    // more than was read; otherwise the failure names the exit code (`exitCode()` keeps it).
    Status finish();
    int exitCode() const { return exitCode_; }

    // Sets `process` up to run `program` in a process group of its own, with no input, its
    // messages dropped, and limits on address space, processor time and core files.
    static void confine(QProcess& process, const QString& program, const QStringList& arguments,
                        std::int64_t addressSpaceBytes, std::int64_t cpuSeconds);

    // Kills the process `confine` set up and everything it started, and waits for its end.
    static void killGroup(QProcess& process);

    // The helper executable `name`: $`envVariable` if set, otherwise what findHelper() finds
    // for this program (HelperLocation.h). Empty if none exists.
    static QString locate(const char* name, const char* envVariable);

  private:
    void killGroup() { killGroup(process_); }
    // Waits up to the deadline for `ready`, in slices when there is a wait hook.
    bool waitFor(bool (QProcess::*ready)(int));

    QString program_;
    Limits limits_;
    QProcess process_;
    QDeadlineTimer deadline_;
    int exitCode_ = -1;
    std::function<void()> whileWaiting_;
};

}  // namespace glint
