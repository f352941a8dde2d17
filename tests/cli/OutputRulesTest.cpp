// Output names, formats and their limits, and the progress texts.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

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
    EXPECT_FALSE(formatForPath("b.gif").has_value());
    EXPECT_TRUE(isStreamed(OutputFormat::Tiff));
    EXPECT_FALSE(isStreamed(OutputFormat::Webp));
}

TEST(OutputFormat, LimitsNameTheLimit) {
    // Row padding to 4 bytes, 54 header bytes.
    EXPECT_EQ(bmpFileBytes(1, 1), 58);
    EXPECT_EQ(bmpFileBytes(3, 2), 54 + 12 * 2);

    EXPECT_TRUE(outputLimitProblem(OutputFormat::Jpeg, false, 65500, 100, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Jpeg, false, 65501, 100, {}).contains(
        "jpg limit of 65500 pixels per side"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, false, 100, 16384, {}).contains("webp limit"));
    // 2 GiB of 32-bit pixels is the most a whole picture may take.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Tiff, false, 32768, 16384, {}).isEmpty());
    EXPECT_TRUE(
        outputLimitProblem(OutputFormat::Tiff, false, 32768, 16385, {}).contains("2 GiB"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, false, 32768, 16385, {}).contains("2 GiB"));
    // Streamed outputs are bound by their format only.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, true, 32768, 16385, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Bmp, true, 40000, 40000, {}).contains("4 GiB"));
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Png, true, 40000, 40000, {}).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Png, true, 2147483648LL, 1, {})
                    .contains("2147483647 pixels per side"));
    // WebP is encoded whole: the limit is what its encoder needs, lossless far more.
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 16383, 16383, {}).isEmpty());
    const EncoderSettings lossless{{}, {}, true};
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 10000, 10000, lossless).isEmpty());
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 11000, 11000, lossless)
                    .contains("lossless webp is encoded from the whole picture, which needs "
                              "about 2077 MiB"));
    const EncoderSettings thorough{{}, 9, true};
    EXPECT_TRUE(outputLimitProblem(OutputFormat::Webp, true, 10000, 10000, thorough)
                    .contains("2384 MiB"));
}

TEST(OutputPlan, NamesFoldersAndClashes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CliOptions o;
    o.inputs = {"pics/cat.photo.png", "dog.jpg"};
    std::vector<PlannedFile> plan = planOutputs(o);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].output, "pics/cat.photo-scanlines.bmp");
    EXPECT_EQ(plan[1].output, "dog-scanlines.bmp");
    EXPECT_TRUE(plan[0].error.isEmpty() && plan[1].error.isEmpty());

    o.output = dir.path();
    o.inputs = {"a/x.png", "b/x.jpg", "y.png"};
    plan = planOutputs(o);
    EXPECT_EQ(plan[0].output, QDir(dir.path()).filePath("x-scanlines.bmp"));
    EXPECT_TRUE(plan[0].error.isEmpty());
    EXPECT_TRUE(plan[1].error.contains("already the output of 'a/x.png'"));
    EXPECT_TRUE(plan[2].error.isEmpty());

    o.output.clear();
    o.inputs = {"p.png", "p-scanlines.bmp"};
    plan = planOutputs(o);
    EXPECT_TRUE(plan[0].error.contains("also an input"));

    o.output = dir.filePath("one.png");
    o.inputs = {"p.png"};
    EXPECT_EQ(planOutputs(o)[0].output, o.output);
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
}

}  // namespace
}  // namespace glint
