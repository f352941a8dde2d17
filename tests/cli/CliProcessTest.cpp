// glintwork-cli as a user runs it: exit codes, messages and the files it leaves.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "TestPictures.h"

namespace glint {
namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(test::writePicture(test::randomPicture(20, 10, 5), path("a.png")));
        ASSERT_TRUE(test::writePicture(test::randomPicture(9, 4, 6), path("b.bmp")));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs the tool in the test folder; with `fileSizeLimitKiB` under a file size limit that
    // makes writes fail (instead of ending the process).
    ToolRun run(const QStringList& args, int fileSizeLimitKiB = 0) const {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        if (fileSizeLimitKiB > 0) {
            const QString script = QStringLiteral("ulimit -f %1; trap '' XFSZ; exec \"$0\" \"$@\"")
                                       .arg(fileSizeLimitKiB);
            process.start("bash", QStringList{"-c", script, GLINT_CLI_PATH} + args);
        } else {
            process.start(GLINT_CLI_PATH, args);
        }
        ToolRun r;
        if (!process.waitForFinished(60000)) return r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(process.readAllStandardError());
        return r;
    }

    QStringList files() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir_;
};

TEST_F(CliProcess, BadArgumentsExitTwoWithUsage) {
    const QStringList cases[] = {
        {},
        {"-s", "0", "a.png"},
        {"-s", "17", "a.png"},
        {"-r", "256", "a.png"},
        {"-B", "#12345", "a.png"},
        {"-o", "one.bmp", "a.png", "b.bmp"},
        {"-o", "x.gif", "a.png"},
        {"--frobnicate", "a.png"},
    };
    for (const QStringList& args : cases) {
        const ToolRun r = run(args);
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith("glintwork-cli: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Usage:"));
    }
    EXPECT_EQ(files(), (QStringList{"a.png", "b.bmp"}));

    const ToolRun version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("glintwork-cli 1."));
}

TEST_F(CliProcess, ConvertsBesideEachInputAndReportsPerFile) {
    const ToolRun r = run({"-s", "3", "-r", "10", "a.png", "b.bmp"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(test::readPixels(path("a-scanlines.bmp")).size(), QSize(60, 30));
    EXPECT_EQ(test::readPixels(path("b-scanlines.bmp")).size(), QSize(27, 12));
    EXPECT_TRUE(r.err.contains("a.png -> a-scanlines.bmp (20x10 -> 60x30)")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 2);

    ASSERT_TRUE(QDir(dir_.path()).mkdir("out"));
    const ToolRun quiet = run({"-q", "-j", "1", "-o", "out", "a.png", "b.bmp"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files),
              (QStringList{"a-scanlines.bmp", "b-scanlines.bmp"}));
}

TEST_F(CliProcess, ExistingOutputNeedsForce) {
    QFile old(path("keep.png"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous contents");
    old.close();

    const ToolRun refused = run({"-o", "keep.png", "a.png"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("use --force")) << refused.err.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "previous contents");
    old.close();

    const ToolRun forced = run({"-f", "-o", "keep.png", "a.png"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_EQ(test::readPixels(path("keep.png")).size(), QSize(40, 20));
}

TEST_F(CliProcess, FailedFilesDoNotStopTheOthers) {
    QFile junk(path("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is no picture at all");
    junk.close();

    const ToolRun r = run({"-j", "2", "junk.png", "missing.png", "a.png"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("junk.png: cannot read the picture")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("missing.png: no such file"));
    EXPECT_TRUE(r.err.contains("2 of 3 files failed"));
    EXPECT_TRUE(QFile::exists(path("a-scanlines.bmp")));
    EXPECT_FALSE(QFile::exists(path("junk-scanlines.bmp")));
    EXPECT_FALSE(QFile::exists(path("missing-scanlines.bmp")));
}

TEST_F(CliProcess, OverTheLimitsTheMessageNamesTheLimit) {
    ASSERT_TRUE(test::writePicture(test::randomPicture(4100, 2, 8), path("wide.png")));
    const ToolRun jpg = run({"-s", "16", "-o", "wide.jpg", "wide.png"});
    EXPECT_EQ(jpg.exitCode, 1);
    EXPECT_TRUE(jpg.err.contains("65600x32 pixels, is over the jpg limit of 65500 pixels per side"))
        << jpg.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("wide.jpg")));

    ASSERT_TRUE(test::writePicture(QImage(30001, 1, QImage::Format_RGB32), path("long.png")));
    const ToolRun decoded = run({"long.png"});
    EXPECT_EQ(decoded.exitCode, 1);
    EXPECT_TRUE(decoded.err.contains("30001x1 pixels, is over the limit of 30000 pixels per side"))
        << decoded.err.toStdString();
}

// Little-endian bytes of `values`, each `width` bytes wide.
QByteArray littleEndian(std::initializer_list<std::uint32_t> values, int width) {
    QByteArray bytes;
    for (std::uint32_t v : values)
        for (int i = 0; i < width; ++i) bytes.append(static_cast<char>((v >> (8 * i)) & 0xff));
    return bytes;
}

// Refusals decided from the header alone: the run-length data below is cut (no end code), so
// the message shows that nothing was decoded.
TEST_F(CliProcess, EmptyOrOverTheOutputLimitIsToldFromTheHeader) {
    const QByteArray bigRle = "BM" + littleEndian({64, 0, 62, 40, 11585, 11585}, 4) +
                              littleEndian({1, 8}, 2) + littleEndian({1, 2, 0, 0, 2, 0}, 4) +
                              littleEndian({0x0000ff, 0xff0000}, 4) + littleEndian({0x0104}, 2);
    const QByteArray emptyGif = "GIF89a" + littleEndian({20, 0}, 2) + QByteArray("\0\0\0;", 4);
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {"big.rle", bigRle, {"-s", "16"}, "is over the bitmap file limit of 4 GiB"},
        {"empty.gif", emptyGif, {}, "the picture, 20x0 pixels, is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile file(path(c.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        file.close();
        const QStringList before = files();
        const ToolRun r = run(c.args + QStringList{c.name});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(files(), before);
    }
}

TEST_F(CliProcess, AWriteFailureLeavesNoPartialOrTemporaryFile) {
    // 300x300 at scale 4: a 4.3 MB bitmap and a png of several hundred KB, over a 64 KiB limit.
    ASSERT_TRUE(test::writePicture(test::randomPicture(300, 300, 9), path("src.png")));
    const QStringList before = files();
    for (const char* output : {"c.bmp", "c.png", "c.tiff"}) {
        const ToolRun r = run({"-s", "4", "-o", output, "src.png"}, 64);
        SCOPED_TRACE(output);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("cannot write '%1'").arg(output)))
            << r.err.toStdString();
        EXPECT_EQ(files(), before);
    }
    // The same file under no limit is written, so the limit was the only cause.
    EXPECT_EQ(run({"-s", "4", "-o", "c.png", "src.png"}).exitCode, 0);
}

}  // namespace
}  // namespace glint
