// glintwork-cli as a user runs it: exit codes, messages and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

#include "SampleFiles.h"
#include "TestPictures.h"
#include "engine/ScanlineBands.h"
#include "io/decode/PictureStream.h"

namespace glint {
namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};

class CliProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(test::writePicture(test::randomPicture(20, 10, 5), path("a.png")));
        ASSERT_TRUE(test::writePicture(test::randomPicture(9, 4, 6), path("b.bmp")));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs the tool in the test folder, `input` on its standard input; with `fileSizeLimitKiB`
    // under a file size limit (whose signal the tool must not die of). Arguments pass through
    // printf %b: "\\351" is the byte 0xE9.
    ToolRun run(const QStringList& args, int fileSizeLimitKiB = 0,
                const QByteArray& input = {}) const {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        if (input.isEmpty()) process.setStandardInputFile(QProcess::nullDevice());
        const QString script =
            QStringLiteral(
                "%1 tool=$0 n=$#; for a; do b=$(printf '%b_' \"$a\"); "
                "set -- \"$@\" \"${b%_}\"; done; shift $n; exec \"$tool\" \"$@\"")
                .arg(fileSizeLimitKiB > 0 ? QStringLiteral("ulimit -f %1;").arg(fileSizeLimitKiB)
                                          : QString());
        process.start("bash", QStringList{"-c", script, GLINT_CLI_PATH} + args);
        if (!input.isEmpty()) {
            process.write(input);
            process.closeWriteChannel();
        }
        ToolRun r;
        if (!process.waitForFinished(60000)) return r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        r.outBytes = process.readAllStandardOutput();
        r.out = QString::fromLocal8Bit(r.outBytes);
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
        {"-o", "x.xcf", "a.png"},
        {"--frobnicate", "a.png"},
        {"-0", "a.png"},
        {"--format", "xcf", "a.png"},
        {"--frame", "0", "a.png"},
        {"--frame", "2", "--each-frame", "a.png"},
        {"--stream", "--format", "gif", "-"},
        {"--stream", "a.png", "b.bmp"},
        {"--format", "png", "-o", "x.bmp", "a.png"},
        {"-o", "-", "a.png", "b.bmp"},
        {"-o", "x.bmp", "-", "-"},
        {"-"},
        {"--files-from", "no-list.txt"},
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

    // A FIFO or a folder is refused unopened (a FIFO would block the reader for good).
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.png"));

    const ToolRun r =
        run({"-j", "2", "junk.png", "missing.png", "pipe.png", "folder.png", "a.png"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("junk.png: cannot read the picture")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("missing.png: file not found"));
    EXPECT_TRUE(r.err.contains("pipe.png: is not a regular file"));
    EXPECT_TRUE(r.err.contains("folder.png: is a folder"));
    EXPECT_TRUE(r.err.contains("4 of 5 files failed"));
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
    // 300x300 at scale 4: every format's file is far over the first limit. The second limit
    // falls in the file's last KiB, where a writer's final buffered writes land.
    // Bitmaps from a bitmap and a photo are written while their source is decoded.
    for (const char* input : {"src.png", "src.bmp", "src.jpg"})
        ASSERT_TRUE(test::writePicture(test::randomPicture(300, 300, 9), path(input)));
    const std::pair<const char*, const char*> cases[] = {
        {"c.bmp", "src.png"},  {"c.png", "src.png"}, {"c.jpg", "src.png"}, {"c.tiff", "src.png"},
        {"c.webp", "src.png"}, {"d.bmp", "src.bmp"}, {"e.bmp", "src.jpg"}};
    for (const auto& [output, input] : cases) {
        SCOPED_TRACE(output);
        const ToolRun whole = run({"-s", "4", "-o", output, input});
        ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
        const qint64 size = QFileInfo(path(output)).size();
        ASSERT_TRUE(QFile::remove(path(output)));
        const QStringList before = files();
        for (const qint64 limitKiB : {qint64{64}, (size - 1) / 1024}) {
            ASSERT_LT(limitKiB * 1024, size);
            const ToolRun r = run({"-s", "4", "-o", output, input}, int(limitKiB));
            EXPECT_EQ(r.exitCode, 1) << "limit " << limitKiB << " KiB of " << size << " bytes";
            EXPECT_TRUE(r.err.contains(QStringLiteral("cannot write '%1'").arg(output)))
                << r.err.toStdString();
            EXPECT_EQ(files(), before);
        }
    }
    // The limit's signal ends nothing: that file fails, the next one is written.
    const ToolRun r = run({"-s", "4", "src.png", "a.png"}, 64);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains("src.png: cannot write 'src-scanlines.bmp': cannot write the file: "
                       "File too large"))
        << r.err.toStdString();
    EXPECT_EQ(test::readPixels(path("a-scanlines.bmp")).size(), QSize(80, 40));
}

// Never through a link: a link of the output's name, pointing anywhere or nowhere, is an
// existing output, and --force replaces the link itself. A FIFO is never replaced.
TEST_F(CliProcess, OutputsAreNeverWrittenThroughLinksOrIntoFifos) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.bmp")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("elsewhere"));
    ASSERT_TRUE(test::writeFile(path("elsewhere/kept.bmp"), "old"));
    const std::pair<const char*, const char*> links[] = {{"dangling.bmp", "elsewhere/new.bmp"},
                                                         {"to-file.bmp", "elsewhere/kept.bmp"},
                                                         {"to-pipe.png", "pipe.bmp"}};
    for (const auto& [link, target] : links) {
        SCOPED_TRACE(link);
        ASSERT_TRUE(QFile::link(path(target), path(link)));
        const ToolRun kept = run({"-o", link, "a.png"});
        EXPECT_EQ(kept.exitCode, 1);
        EXPECT_TRUE(kept.err.contains(QStringLiteral("'%1' exists (use --force").arg(link)))
            << kept.err.toStdString();
        EXPECT_TRUE(QFileInfo(path(link)).isSymLink());
        const ToolRun replaced = run({"-f", "-o", link, "a.png"});
        EXPECT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
        ASSERT_FALSE(QFileInfo(path(link)).isSymLink());  // else reading it would block
        EXPECT_EQ(test::readPixels(path(link)).size(), QSize(40, 20));
    }
    for (const QStringList& force : {QStringList{}, QStringList{"-f"}}) {
        const ToolRun r = run(force + QStringList{"-o", "pipe.bmp", "a.png"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("'pipe.bmp' is not a regular file")) << r.err.toStdString();
    }
    struct stat pipe {};
    ASSERT_EQ(::lstat(QFile::encodeName(path("pipe.bmp")).constData(), &pipe), 0);
    EXPECT_TRUE(S_ISFIFO(pipe.st_mode));
    EXPECT_EQ(QDir(path("elsewhere")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"kept.bmp"});
    QFile kept(path("elsewhere/kept.bmp"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");
}

TEST_F(CliProcess, PicturesFlowThroughStandardInputAndOutput) {
    QFile source(path("a.png"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray picture = source.readAll();
    ASSERT_EQ(run({"-s", "3", "-r", "10", "-o", "ref.bmp", "a.png"}).exitCode, 0);
    const QImage expected = test::readPixels(path("ref.bmp"));
    ASSERT_EQ(expected.size(), QSize(60, 30));

    struct Case {
        QStringList args;  // after -s 3 -r 10
        bool fromStdin;
        const char* toFile;  // nullptr: standard output
    };
    const Case cases[] = {
        {{"-o", "-", "-"}, true, nullptr},
        {{"-o", "-", "a.png"}, false, nullptr},
        {{"--format", "png", "-o", "-", "-"}, true, nullptr},
        {{"--format", "tiff", "-o", "-", "a.png"}, false, nullptr},
        {{"--format", "tiff", "--effort", "9", "-o", "-", "-"}, true, nullptr},
        {{"--format", "webp", "--lossless", "-o", "-", "a.png"}, false, nullptr},
        {{"-o", "piped.png", "-"}, true, "piped.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = run(QStringList{"-s", "3", "-r", "10"} + c.args, 0,
                              c.fromStdin ? picture : QByteArray());
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(c.fromStdin ? "- -> " : "a.png -> ")) << r.err.toStdString();
        const QImage got = c.toFile
                               ? test::readPixels(path(c.toFile))
                               : QImage::fromData(r.outBytes).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(got, expected);
    }
    EXPECT_FALSE(QFile::exists(path("-")));
    // Lossy outputs: the same file as a named output.
    for (const char* format : {"jpg", "webp"}) {
        const QString named = QStringLiteral("ref.") + format;
        ASSERT_EQ(run({"-s", "3", "-r", "10", "-o", named, "a.png"}).exitCode, 0);
        QFile file(path(named));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(run({"-s", "3", "-r", "10", "--format", format, "-o", "-", "a.png"}).outBytes,
                  file.readAll())
            << format;
    }

    const ToolRun empty = run({"-o", "-", "-"}, 0, QByteArray(1, '\n'));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.startsWith("-: cannot read the picture")) << empty.err.toStdString();
}

// Standard input's copy has no name: a tool killed while it converts leaves nothing behind.
TEST_F(CliProcess, StandardInputLeavesNoFileWhenTheToolIsKilled) {
    // The result is larger than a pipe holds: the tool waits for its standard output to be read.
    ASSERT_TRUE(test::writePicture(test::randomPicture(300, 300, 9), path("big.png")));
    QFile big(path("big.png"));
    ASSERT_TRUE(big.open(QIODevice::ReadOnly));
    ASSERT_TRUE(QDir(dir_.path()).mkdir("tmp"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", path("tmp"));
    env.insert("XDG_RUNTIME_DIR", dir_.path());  // else Qt makes one in TMPDIR
    process.setProcessEnvironment(env);
    process.start(GLINT_CLI_PATH, {"-o", "-", "-"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(big.readAll());
    process.closeWriteChannel();
    // Killed while the copy is open (one of the tool's descriptors).
    const QString descriptors = QStringLiteral("/proc/%1/fd/").arg(process.processId());
    bool copying = false;
    for (int tries = 0; tries < 500 && !copying; ++tries) {
        process.waitForBytesWritten(10);
        for (const QString& fd :
             QDir(descriptors).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[PATH_MAX] = {};
            const QByteArray link = QFile::encodeName(descriptors + fd);
            copying |= ::readlink(link.constData(), target, sizeof target - 1) > 0 &&
                       std::strstr(target, "glintwork-stdin") != nullptr;
        }
    }
    EXPECT_TRUE(copying);
    process.kill();
    process.waitForFinished();
    EXPECT_TRUE(QDir(path("tmp")).isEmpty());
}

TEST_F(CliProcess, RefusesToWriteAPictureToATerminal) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TERMINAL", QString::fromLocal8Bit(ptsname(terminal)));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_.path());
    process.start("bash",
                  {"-c", "exec \"$0\" \"$@\" > \"$TERMINAL\"", GLINT_CLI_PATH, "-o", "-", "a.png"});
    ASSERT_TRUE(process.waitForFinished(60000));
    ::close(terminal);
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("will not write a picture to a terminal"));
}

TEST_F(CliProcess, FilesFromAListInAFileOrOnStandardInput) {
    const QByteArray lines("a.png\nmissing.png\n\nb.bmp");
    const QByteArray nulSeparated("a.png\0missing.png\0b.bmp\0", 24);
    QFile list(path("list.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(lines);
    list.close();
    struct Case {
        QStringList args;
        QByteArray input;
    };
    const Case cases[] = {
        {{"--files-from", "list.txt"}, {}},
        {{"--files-from", "-"}, lines},
        {{"-0", "--files-from", "-"}, nulSeparated},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString out = QStringLiteral("out%1").arg(++n);
        ASSERT_TRUE(QDir(dir_.path()).mkdir(out));
        const ToolRun r = run(c.args + QStringList{"-j", "2", "-o", out}, 0, c.input);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("missing.png: file not found")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("1 of 3 files failed"));
        EXPECT_EQ(QDir(path(out)).entryList(QDir::Files),
                  (QStringList{"a-scanlines.bmp", "b-scanlines.bmp"}));
    }
    // A list that is no list ends with a message, not with all memory taken.
    const ToolRun zeros = run({"--files-from", "/dev/zero"});
    EXPECT_EQ(zeros.exitCode, 1);
    EXPECT_TRUE(zeros.err.startsWith("/dev/zero: name 1 holds a NUL byte"))
        << zeros.err.toStdString();
}

// Names are bytes: one that is not UTF-8 is converted, its output gets the same bytes, and a
// name is shown with its control characters and stray bytes escaped.
TEST_F(CliProcess, NamesAreBytesAndAreShownEscaped) {
    const QByteArray names[] = {"caf\xe9", "x\x1b]0;owned\x07"};
    const QByteArray folder = QFile::encodeName(dir_.path()) + '/';
    for (const QByteArray& name : names)
        ASSERT_EQ(::link((folder + "a.png").constData(), (folder + name + ".png").constData()), 0);
    ASSERT_TRUE(test::writeFile(path("list"), "x\x1b]0;owned\x07.png\n"));
    const ToolRun r = run({"caf\\351.png", "--files-from", "list"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(R"(caf\xe9.png -> caf\xe9-scanlines.bmp (20x10 -> 40x20))"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(R"(x\x1b]0;owned\x07.png -> x\x1b]0;owned\x07-scanlines.bmp)"));
    EXPECT_FALSE(r.err.contains(QChar(0x1b)));
    for (const QByteArray& name : names) {
        const QByteArray output = folder + name + "-scanlines.bmp";
        EXPECT_EQ(::access(output.constData(), F_OK), 0) << output.toStdString();
    }
}

// HEIF and JPEG XL go through the photo helper, found from the installed tool's place; a
// turned TIFF is converted upright; a damaged photo fails alone.
TEST_F(CliProcess, ConvertsPhotoFormatsUprightAndRefusesDamagedOnes) {
    ASSERT_TRUE(test::writePicture(test::randomPicture(6, 4, 3), path("p.png")));
    ASSERT_EQ(QProcess::execute("heif-enc", {path("p.png"), "-o", path("photo.heic")}), 0);
    ASSERT_EQ(QProcess::execute("cjxl", {path("p.png"), path("still.jxl")}), 0);
    QImageWriter turned(path("turned.tiff"));
    turned.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(turned.write(test::randomPicture(6, 4, 3)));
    QFile heic(path("photo.heic"));
    ASSERT_TRUE(heic.open(QIODevice::ReadOnly));
    QFile damaged(path("damaged.heic"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(heic.read(heic.size() / 2));
    damaged.close();

    const ToolRun r = run({"-s", "3", "photo.heic", "still.jxl", "turned.tiff", "damaged.heic"});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_EQ(test::readPixels(path("photo-scanlines.bmp")).size(), QSize(18, 12));
    EXPECT_EQ(test::readPixels(path("still-scanlines.bmp")).size(), QSize(18, 12));
    EXPECT_EQ(test::readPixels(path("turned-scanlines.bmp")).size(), QSize(12, 18));
    EXPECT_FALSE(QFile::exists(path("damaged-scanlines.bmp")));
    EXPECT_TRUE(r.err.contains("damaged.heic")) << r.err.toStdString();
}

// A picture whose decoder needs a part that is not installed names the missing package: libwmf's
// fonts for a plain metafile, Qt's image plug-ins for an icns picture (the batch tool reads
// WebP through libwebp). The part is hidden
// in a mount namespace of the tool's own, which needs root (as CI has).
TEST_F(CliProcess, MissingPartsAreNamed) {
    if (::geteuid() != 0) GTEST_SKIP() << "hiding a folder needs root";
    const struct {
        const char* file;
        QByteArray bytes;
        const char* hidden;
        const char* message;
    } cases[] = {
        {"r.wmf", test::wmfRectangle(), "/usr/share/fonts/type1/urw-base35",
         "The fonts for plain metafiles are not installed (Debian package fonts-urw-base35)."},
        {"a.icns", QByteArray("icns\0\0\0\x08", 8), QT_PLUGIN_DIR "/imageformats",
         "The image plug-in for icns pictures is not installed (Debian package "
         "qt6-image-formats-plugins)."},
    };
    const QTemporaryDir empty;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(test::writeFile(path(c.file), c.bytes));
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.start("unshare",
                      {"-m", "sh", "-c", "mount --bind \"$0\" \"$1\" && exec \"$2\" \"$3\"",
                       empty.path(), c.hidden, GLINT_CLI_PATH, c.file});
        ASSERT_TRUE(process.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString(c.file) + ": cannot read the picture: " + c.message))
            << err.toStdString();
    }
}

// A well-formed variant the installation cannot decode is named as such, not called damaged.
TEST_F(CliProcess, AnUnsupportedVariantIsNamed) {
    QImageWriter writer(path("deep.jpg"), "JPEG");
    ASSERT_TRUE(writer.write(test::randomPicture(16, 16, 7)));
    QFile file(path("deep.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray jpg = file.readAll();
    const qsizetype sof = jpg.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    jpg[sof + 1] = static_cast<char>(0xC1);  // extended sequential, 12-bit samples
    jpg[sof + 4] = 12;
    ASSERT_TRUE(file.seek(0) && file.write(jpg) == jpg.size());
    file.close();
    const ToolRun r = run({"deep.jpg"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains("deep.jpg: cannot read the picture: it is a 12-bit JPEG, which "
                       "this installation cannot decode"))
        << r.err.toStdString();
}

}  // namespace
}  // namespace glint

namespace glint {
namespace {

// Pictures of a stream (ffmpeg -f image2pipe), as the tool reads them.
std::vector<QImage> streamPictures(QIODevice& stream) {
    std::vector<QImage> pictures;
    for (;;) {
        QImage picture;
        StreamRead read = StreamRead::End;
        if (readStreamPicture(stream, picture, read).failed() || read == StreamRead::End)
            return pictures;
        pictures.push_back(picture);
    }
}

std::vector<QImage> ppmStream(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? streamPictures(file) : std::vector<QImage>{};
}

QImage engineRender(const QImage& picture, const RowValues& values) {
    ScanlineGeometry g;
    EXPECT_TRUE(scanlineGeometry(picture.width(), picture.height(), values.scale, g).isOk());
    QImage dst(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
    const PixelView view{reinterpret_cast<std::uint32_t*>(dst.bits()), dst.width(), dst.height(),
                         dst.bytesPerLine() / 4};
    const ConstPixelView source{reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                                picture.width(), picture.height(), picture.bytesPerLine() / 4};
    EXPECT_TRUE(ScanlineBands(source, g, values).renderWhole(view).isOk());
    return dst;
}

// The README's recipe: ffmpeg | glintwork-cli --stream | ffmpeg, with the sound copied over, on a
// clip of ffmpeg's test pattern with a tone; the result is stored losslessly (ffv1) and every
// frame compared with the engine's render of the frame that went in, in each picture format
// the stream can carry.
TEST_F(CliProcess, VideoFlowsThroughPipesBetweenTwoFfmpegs) {
    const QString clip = QStringLiteral(
        "ffmpeg -v error -f lavfi -i testsrc=size=48x32:rate=10 -f lavfi -i sine -t 0.6 "
        "-c:v ffv1 -c:a flac in.mkv && "
        "ffmpeg -v error -i in.mkv -f image2pipe -c:v ppm in.ppm");
    QProcess make;
    make.setWorkingDirectory(dir_.path());
    make.start("bash", {"-c", clip});
    ASSERT_TRUE(make.waitForFinished(60000) && make.exitCode() == 0)
        << make.readAllStandardError().toStdString();
    const std::vector<QImage> in = ppmStream(path("in.ppm"));
    ASSERT_EQ(in.size(), 6u);
    const RowValues values{2, RGB(0, 0, 0), 30, 200};
    for (const char* codec : {"ppm", "bmp", "png"}) {
        SCOPED_TRACE(codec);
        const QString recipe =
            QStringLiteral(
                "set -o pipefail; ffmpeg -v error -i in.mkv -f image2pipe -c:v %1 - | "
                "\"%2\" --stream -s 2 -r 30 -b 200 --format %1 -o - - | "
                "ffmpeg -v error -y -f image2pipe -c:v %1 -i - -i in.mkv -map 0:v -map 1:a? "
                "-c:a copy -c:v ffv1 out.mkv && "
                "ffprobe -v error -show_entries stream=codec_type -of csv=p=0 out.mkv && "
                "ffmpeg -v error -y -i out.mkv -f image2pipe -c:v ppm out.ppm")
                .arg(QString::fromLatin1(codec), QStringLiteral(GLINT_CLI_PATH));
        QProcess pipeline;
        pipeline.setWorkingDirectory(dir_.path());
        pipeline.start("bash", {"-c", recipe});
        ASSERT_TRUE(pipeline.waitForFinished(120000));
        ASSERT_EQ(pipeline.exitCode(), 0) << pipeline.readAllStandardError().toStdString();
        EXPECT_EQ(pipeline.readAllStandardOutput(), "video\naudio\n");
        const std::vector<QImage> out = ppmStream(path("out.ppm"));
        ASSERT_EQ(out.size(), in.size());
        for (std::size_t k = 0; k < in.size(); ++k)
            EXPECT_EQ(out[k], engineRender(in[k], values)) << "frame " << k;
    }
}

// Damage inside a stream names the picture; what came before it went out.
TEST_F(CliProcess, AStreamStopsAtAPictureItCannotRead) {
    const QByteArray ppm = QByteArray("P6\n2 1\n255\n") + QByteArray(6, '\x40');
    const ToolRun r = run({"--stream", "-q", "-o", "-", "-"}, 0, ppm + ppm + "P6\n2 1\n255\n\x01");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("picture 3 of the stream cannot be read")) << r.err.toStdString();
    QByteArray written = r.outBytes;
    QBuffer out(&written);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(streamPictures(out).size(), 2u);
}

// An animation into a format of one picture: its first frame, and one note, quiet or not, on
// how to keep the others; with --each-frame a file for each frame and no note.
TEST_F(CliProcess, AStillOutputOfAnAnimationSaysWhatItLeftOut) {
    QProcess make;
    make.setWorkingDirectory(dir_.path());
    make.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=16x8:rate=5", "-t",
                          "0.4", "anim.gif"});
    ASSERT_TRUE(make.waitForFinished(60000) && make.exitCode() == 0);
    const ToolRun still = run({"-q", "anim.gif", "a.png"});
    EXPECT_EQ(still.exitCode, 0);
    EXPECT_EQ(still.err,
              "glintwork-cli: anim.gif has several frames, of which bmp holds only the first: keep "
              "them all with --format gif or webp (tiff for pages), or each in a numbered file "
              "with --each-frame; --frame N picks one.\n");
    const ToolRun each = run({"-q", "-f", "--each-frame", "anim.gif", "a.png"});
    EXPECT_EQ(each.exitCode, 0);
    EXPECT_TRUE(each.err.isEmpty()) << each.err.toStdString();
    EXPECT_TRUE(files().contains("anim-scanlines-0001.bmp"));
    EXPECT_TRUE(files().contains("anim-scanlines-0002.bmp"));
    EXPECT_EQ(test::readPixels(path("anim-scanlines-0001.bmp")),
              test::readPixels(path("anim-scanlines.bmp")));
}

}  // namespace
}  // namespace glint
