// Output names, formats and their limits, and the progress texts.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "NameText.h"
#include "OutputPlan.h"
#include "TerminalProgress.h"
#include "io/output/BmpFormat.h"
#include "io/output/EncoderSettings.h"
#include "io/output/OutputFormat.h"

namespace glint {
namespace {

TEST(OutputFormat, ChosenByExtension) {
    EXPECT_EQ(formatForPath("a/b.BMP"), OutputFormat::Bmp);
    EXPECT_EQ(formatForPath("a/b"), OutputFormat::Bmp);
    EXPECT_EQ(formatForPath("b.png"), OutputFormat::Png);
    EXPECT_EQ(formatForPath("b.jpeg"), OutputFormat::Jpeg);
    EXPECT_EQ(formatForPath("b.tif"), OutputFormat::Tiff);
    EXPECT_EQ(formatForPath("b.webp"), OutputFormat::Webp);
    EXPECT_EQ(formatForPath("b.GIF"), OutputFormat::Gif);
    EXPECT_EQ(formatForPath("b.ppm"), OutputFormat::Ppm);
    EXPECT_FALSE(formatForPath("b.xcf").has_value());
    EXPECT_TRUE(isStreamed(OutputFormat::Tiff));
    EXPECT_FALSE(isStreamed(OutputFormat::Webp));
    EXPECT_FALSE(isStreamed(OutputFormat::Gif));
}

TEST(OutputFormat, LimitsNameTheLimit) {
    // Row padding to 4 bytes, 54 header bytes.
    EXPECT_EQ(bmpFileBytes(1, 1), 58);
    EXPECT_EQ(bmpFileBytes(3, 2), 54 + 12 * 2);

    EXPECT_TRUE(outputLimitProblem(OutputFormat::Jpeg, false, 65500, 100, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Jpeg, false, 65501, 100, {})
                    .contains("jpg limit of 65500 pixels per side"));
    EXPECT_TRUE(
        outputLimitProblem(OutputFormat::Webp, false, 100, 16384, {}).contains("webp limit"));
    // 2 GiB of 32-bit pixels is the most a whole picture may take.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Tiff, false, 32768, 16384, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Tiff, false, 32768, 16385, {}).contains("2 GiB"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, false, 32768, 16385, {}).contains("2 GiB"));
    // Streamed outputs are bound by their format only.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, true, 32768, 16385, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, true, 40000, 40000, {}).contains("4 GiB"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Png, true, 40000, 40000, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Png, true, 2147483648LL, 1, {})
                    .contains("2147483647 pixels per side"));
    // A gif frame is written whole and kept to compare the next one with.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Gif, true, 65536, 1, {})
                    .contains("gif limit of 65535 pixels per side"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Gif, true, 16384, 16384, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Gif, true, 16384, 16385, {}).contains("2 GiB"));
    // WebP is encoded whole: the limit is what its encoder needs, lossless far more.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 16383, 16383, {}).isEmpty());
    const EncoderSettings lossless{{}, {}, true};
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 10000, 10000, lossless).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 11000, 11000, lossless)
                    .contains("lossless webp is encoded from the whole picture, which needs "
                              "about 2077 MiB"));
    const EncoderSettings thorough{{}, 9, true};
    EXPECT_TRUE(
        outputLimitProblem(OutputFormat::Webp, true, 10000, 10000, thorough).contains("2384 MiB"));
}

TEST(OutputPlan, NamesFoldersAndClashes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir("d") && QDir(dir.path()).mkdir("out"));
    ASSERT_TRUE(QFile::link(dir.filePath("d"), dir.filePath("l")));
    struct Case {
        QByteArray output;  // --output, under the folder
        QList<QByteArray> inputs;
        QList<QByteArray> outputs;  // "!text": an error holding the text
    };
    const Case cases[] = {
        {"",
         {"pics/cat.photo.png", "dog.jpg", ".png"},
         {"pics/cat.photo-scanlines.bmp", "dog-scanlines.bmp", ".png-scanlines.bmp"}},
        // Bytes that are not UTF-8 stay as they are.
        {"", {"caf\xe9.png"}, {"caf\xe9-scanlines.bmp"}},
        {"out",
         {"a/x.png", "b/x.jpg", "y.png"},
         {"out/x-scanlines.bmp", "!already the output of an earlier input", "out/y-scanlines.bmp"}},
        // One folder under two names.
        {"", {"d/a.png", "l/a.jpg"}, {"d/a-scanlines.bmp", "!already the output"}},
        {"",
         {"d/p.png", "l/p-scanlines.bmp"},
         {"d/p-scanlines.bmp", "!is the output of an earlier"}},
        {"", {"d/p-scanlines.bmp", "d/p.png"}, {"d/p-scanlines-scanlines.bmp", "!also an input"}},
        {"one.png", {"d/p.png"}, {"one.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputs.join(' ').toStdString());
        CliOptions o;
        o.output = c.output.isEmpty() ? QByteArray() : root + '/' + c.output;
        OutputPlanner planner(o);
        for (qsizetype i = 0; i < c.inputs.size(); ++i) {
            const bool beside = c.output.isEmpty();
            const PlannedOutput planned =
                planner.plan(beside ? root + '/' + c.inputs[i] : c.inputs[i]);
            if (c.outputs[i].startsWith('!')) {
                EXPECT_TRUE(planned.error.contains(QString::fromUtf8(c.outputs[i].mid(1))))
                    << planned.error.toStdString();
            } else {
                EXPECT_EQ(planned.output, root + '/' + c.outputs[i]);
                EXPECT_TRUE(planned.error.isEmpty()) << planned.error.toStdString();
            }
        }
    }
}

TEST(NameText, KeepsEveryByteAndShowsThemSafely) {
    const struct {
        QByteArray bytes;
        const char* shown;
    } cases[] = {
        {"plain \xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80.png", "plain \u00e9t\u00e9 \U0001F600.png"},
        {"caf\xe9 \xc3 \xed\xa0\x80 \xc0\xaf", R"(caf\xe9 \xc3 \xed\xa0\x80 \xc0\xaf)"},
        {"a\x1b[2J\tb\x7f\\\xc2\x9b", R"(a\x1b[2J\x09b\x7f\\\u009b)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const QString text = nameText(c.bytes);
        EXPECT_EQ(nameBytes(text), c.bytes);
        EXPECT_EQ(shownText(text), QString::fromUtf8(c.shown));
    }
}

TEST(ProgressText, TimeLeftAndStatusLine) {
    BatchSnapshot s;
    s.total = 4;
    s.finished = 1;
    EXPECT_EQ(timeLeft(s), "--:--");
    s.overall = 0.25;
    s.elapsedSeconds = 10.0;
    EXPECT_EQ(timeLeft(s), "0:30");
    s.elapsedSeconds = 1250.0;  // 3750 s left
    EXPECT_EQ(timeLeft(s), "1:02:30");

    s.elapsedSeconds = 10.0;
    s.running = {{"a.png", 0.5}, {"b.png", 0.0}};
    const QString line = statusLine(s, 200);
    EXPECT_TRUE(line.startsWith("[######..................]  25% 1/4 files, 0:30 left"))
        << line.toStdString();
    EXPECT_TRUE(line.endsWith("| a.png 50% | b.png 0%")) << line.toStdString();
    EXPECT_EQ(statusLine(s, 30).size(), 30);

    // Names are shown safely; while a list is read, the total is a lower bound.
    s.totalKnown = false;
    s.running = {{nameText("x%2\x1b]0;\xff"), 0.5}};
    EXPECT_TRUE(statusLine(s, 200).endsWith(R"(1/4+ files, --:-- left | x%2\x1b]0;\xff 50%)"))
        << statusLine(s, 200).toStdString();
}

}  // namespace
}  // namespace glint
