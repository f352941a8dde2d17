// The client of the decoding helpers, driven with stand-in helpers (shell scripts) that behave
// well or badly: whatever a helper does, the caller gets a picture or a failure that says what
// happened, within the helper's time.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <thread>

#include "LoaderFixture.h"
#include "io/decode/LoadLimits.h"
#include "io/helper/HelperClient.h"
#include "io/helper/HelperLocation.h"

namespace glint::test {
namespace {

using std::chrono::milliseconds;

// A reply header (io/helper/HelperProtocol.h) as printf octal escapes: magic, outcome, width,
// height, flags, frames, loops, message bytes.
QString replyHeader(std::uint32_t outcome, std::uint32_t width, std::uint32_t height,
                    std::uint32_t flags, std::uint32_t frames, std::uint32_t messageBytes) {
    QString out = "GLHR";
    for (const std::uint32_t v : {outcome, width, height, flags, frames, 0u, messageBytes})
        for (int i = 0; i < 4; ++i) out += QString::asprintf("\\%03o", (v >> (8 * i)) & 0xff);
    return out;
}

class HelperClientTest : public LoaderTest {
  protected:
    // A helper of the picture kind with a short time limit, run by the script `body`.
    HelperClient standIn(const QString& body) {
        const QString file = write("helper.sh", "#!/bin/sh\n" + body.toUtf8() + "\n");
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return HelperClient(kind_, file);
    }
    Status decode(const HelperClient& client, QImage& picture, const WaitHook& hook = {}) {
        PictureFile file;
        EXPECT_TRUE(PictureFile::open(QFile::encodeName(write("in.pic", "picture")), file).isOk());
        return client.decode(file, picture, hook);
    }

    HelperKind kind_{"glintwork-picture",
                     "GLINTWORK_PICTURE_HELPER",
                     "picture helper",
                     milliseconds(1500),
                     milliseconds(0),
                     milliseconds(1500),
                     1,
                     std::int64_t{1} << 30};
};

TEST_F(HelperClientTest, EveryMisbehaviourIsAFailureThatSaysWhatHappened) {
    const struct {
        const char* name;
        QString body;
        const char* reason;  // what the failure's reason contains
    } cases[] = {
        {"crash", "kill -SEGV $$", "crashed"},
        {"hang", "exec sleep 60", "took too long to decode"},
        {"hang in a child", "sleep 60; echo done", "took too long to decode"},
        {"silent hang", "exec >&-; exec sleep 60", "took too long to decode"},
        {"processor time used up", "ulimit -t 1; while :; do :; done", "took too long"},
        {"nonsense", "echo 'no picture here'", "gave a wrong answer"},
        {"no answer", "exit 0", "gave no answer"},
        {"endless output", "exec cat /dev/zero", "gave a wrong answer"},
        {"cut reply", "printf '" + replyHeader(0, 1, 1, 0, 1, 0).left(20) + "'",
         "gave a wrong answer"},
        {"picture over the limits",
         "printf '" + replyHeader(0, 40000, 40000, 0, 1, 0) + "\\0\\0\\0\\0'",
         "gave a wrong answer"},
        {"damaged", "printf '" + replyHeader(3, 0, 0, 0, 0, 0) + "'", "damaged"},
        {"out of its budget", "printf '" + replyHeader(7, 0, 0, 0, 0, 0) + "'",
         "needs more memory than allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture(1, 1, QImage::Format_RGB32);
        QElapsedTimer clock;
        clock.start();
        const Status st = decode(standIn(c.body), picture);
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_TRUE(st.failed());
        EXPECT_NE(st.reason().find(c.reason), std::string::npos) << "[" << st.reason() << "]";
        EXPECT_EQ(picture.size(), QSize(1, 1));  // left as it was
    }
}

// An unsupported variant or a missing part is told in the helper's own words. (Pictures that
// come through are the decoding tests' business: a script cannot write the shared memory, as a
// helper may not grow a file.)
TEST_F(HelperClientTest, FailuresOfTheInstallationAreToldInTheHelpersWords) {
    QImage picture;
    Status st = decode(standIn("printf '" + replyHeader(4, 0, 0, 0, 0, 6) + "a kind'"), picture);
    EXPECT_TRUE(st.isUnsupported());
    EXPECT_EQ(st.reason(), "a kind");
    st = decode(standIn("printf '" + replyHeader(8, 0, 0, 0, 0, 4) + "gone'"), picture);
    EXPECT_TRUE(st.isMissingPart());
    EXPECT_EQ(st.reason(), "gone");
}

// A helper gets the picture on standard input and nothing else: no arguments, no other open file
// of the caller's, limits on memory, file size and core files, a process group of its own. (The
// stand-in tells what it saw in the message of an "unsupported" reply.)
TEST_F(HelperClientTest, HelperRunsConfined) {
    const QByteArray open = QFile::encodeName(write("open-here", "x"));
    const int kept = ::open(open.constData(), O_RDONLY);  // inheritable, as a careless one is
    ASSERT_GE(kept, 0);
    QImage picture;
    const QString body =
        R"sh(seen=$(cat; echo " $# $(ulimit -v) $(ulimit -f) $(ulimit -c)" $(cut -d' ' -f5 /proc/$$/stat) $$ $(ls -l /proc/$$/fd | grep -c open-here))
printf ')sh" +
        replyHeader(4, 0, 0, 0, 0, 0).left(4 + 6 * 16) + R"sh('
printf "\\$(printf %o ${#seen})\\0\\0\\0"
printf %s "$seen")sh";
    const Status st = decode(standIn(body), picture);
    ::close(kept);
    ASSERT_TRUE(st.isUnsupported()) << st.reason();
    const QStringList seen = QString::fromStdString(st.reason()).split(' ');
    ASSERT_EQ(seen.size(), 8) << st.reason();
    EXPECT_EQ(seen[0], "picture");
    EXPECT_EQ(seen[1], "0");
    EXPECT_EQ(seen[2].toLongLong(), ((std::int64_t{1} << 30) + kSanitizerAddressSpace) >> 10);
    EXPECT_EQ(seen[3], "0");
    EXPECT_EQ(seen[4], "0");
    EXPECT_EQ(seen[5], seen[6]);
    EXPECT_EQ(seen[7], "0");
}

// The wait hook runs while the helper works; when it says stop, the helper is stopped.
TEST_F(HelperClientTest, WaitHookRunsAndCanStopTheHelper) {
    int calls = 0;
    QImage picture;
    const HelperClient slow = standIn("sleep 0.3; printf '" + replyHeader(3, 0, 0, 0, 0, 0) + "'");
    Status st = decode(slow, picture, [&calls] { return ++calls > 0; });
    EXPECT_EQ(st.reason(), "picture is damaged or unreadable");
    EXPECT_GE(calls, 5);

    QElapsedTimer clock;
    clock.start();
    st = decode(standIn("exec sleep 60"), picture, [&clock] { return clock.elapsed() < 200; });
    EXPECT_EQ(st.reason(), "cancelled");
    EXPECT_LT(clock.elapsed(), 1000);
}

// What a signal handler calls: every running helper is killed at once.
TEST_F(HelperClientTest, RunningHelpersCanBeKilledFromOutside) {
    kind_.timeout = kind_.maxTimeout = milliseconds(30000);
    const HelperClient hanging = standIn("exec sleep 60");
    QElapsedTimer clock;
    clock.start();
    std::thread killer([] {
        std::this_thread::sleep_for(milliseconds(300));
        killRunningHelpers();
    });
    QImage picture;
    const Status st = decode(hanging, picture);
    killer.join();
    EXPECT_TRUE(st.failed());
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(HelperClientTest, MissingHelperIsNamed) {
    QImage picture;
    const Status st = decode(HelperClient(kMetafileHelper, QString()), picture);
    EXPECT_TRUE(st.isMissingPart());
    EXPECT_EQ(st.reason(), "The metafile helper glintwork-metafile is not installed.");
}

// A helper of this build started by hand, without the shared memory its callers hand over:
// it says what it is for and exits with status 2, touching nothing.
TEST(HelperProgram, StartedByHandItSaysWhatItIsFor) {
    for (const char* name : {"glintwork-picture", "glintwork-photo", "glintwork-metafile"}) {
        SCOPED_TRACE(name);
        const QString program = findHelper(QCoreApplication::applicationDirPath(), name);
        ASSERT_FALSE(program.isEmpty());
        QProcess helper;
        helper.setProgram(program);
        helper.setStandardInputFile(QProcess::nullDevice());
        helper.setChildProcessModifier([] { ::close(3); });
        helper.start();
        ASSERT_TRUE(helper.waitForFinished(10000));
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 2);
        EXPECT_TRUE(helper.readAllStandardError().contains("not to be run by hand"));
        EXPECT_TRUE(helper.readAllStandardOutput().isEmpty());
    }
}

TEST(HelperKind, TimeGrowsWithTheFileSize) {
    const struct {
        std::int64_t bytes;
        milliseconds wait;
    } cases[] = {
        {0, milliseconds(5000)},
        {std::int64_t{64} << 10, milliseconds(5500)},
        {std::int64_t{1} << 20, milliseconds(13000)},
        {std::int64_t{4} << 20, milliseconds(37000)},
        {std::int64_t{256} << 20, milliseconds(60000)},
    };
    for (const auto& c : cases) EXPECT_EQ(kMetafileHelper.timeoutFor(c.bytes), c.wait) << c.bytes;
}

}  // namespace
}  // namespace glint::test
