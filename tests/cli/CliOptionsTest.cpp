// Command-line parsing: values, their ranges, colours, inputs and the output rule.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "CliOptions.h"
#include "InputList.h"
#include "OutputPlan.h"

namespace glint {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine parse(QStringList args, int defaultJobs = 4) {
    args.prepend("glintwork-cli");
    return parseCommandLine(args, defaultJobs);
}

TEST(CliOptions, DefaultsAndGivenValues) {
    const ParsedCommandLine plain = parse({"a.png"});
    ASSERT_EQ(plain.action, Action::Run) << plain.error.toStdString();
    EXPECT_EQ(plain.options.scale, 2);
    EXPECT_EQ(plain.options.red, 0);
    EXPECT_EQ(plain.options.blue, 0);
    EXPECT_EQ(plain.options.background, RGB(0, 0, 0));
    EXPECT_EQ(plain.options.jobs, 4);
    EXPECT_FALSE(plain.options.force);
    EXPECT_FALSE(plain.options.quiet);
    EXPECT_TRUE(plain.options.output.isEmpty());

    const ParsedCommandLine set = parse({"-s", "5", "--red=200", "-b", "10", "-B", "#102030", "-j",
                                         "3", "-f", "-q", "a.png", "b.png"});
    ASSERT_EQ(set.action, Action::Run) << set.error.toStdString();
    EXPECT_EQ(set.options.scale, 5);
    EXPECT_EQ(set.options.red, 200);
    EXPECT_EQ(set.options.blue, 10);
    EXPECT_EQ(set.options.background, RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(set.options.jobs, 3);
    EXPECT_TRUE(set.options.force);
    EXPECT_TRUE(set.options.quiet);
    EXPECT_EQ(set.options.inputs, (QList<QByteArray>{"a.png", "b.png"}));
}

TEST(CliOptions, RangesAreInclusiveAndEnforced) {
    struct Case {
        QStringList args;
        bool accepted;
        const char* mentions;
    };
    const Case cases[] = {
        {{"-s", "1"}, true, ""},          {{"-s", "16"}, true, ""},
        {{"-s", "0"}, false, "--scale"},  {{"-s", "17"}, false, "--scale"},
        {{"-s", "2x"}, false, "--scale"}, {{"-s", "2.5"}, false, "--scale"},
        {{"-r", "255"}, true, ""},        {{"-r", "256"}, false, "--red"},
        {{"-r", "-1"}, false, "--red"},   {{"-b", "0"}, true, ""},
        {{"-b", "300"}, false, "--blue"}, {{"-j", "0"}, false, "--jobs"},
        {{"-j", "1"}, true, ""},          {{"--scale"}, false, "scale"},
    };
    for (const Case& c : cases) {
        const ParsedCommandLine r = parse(c.args + QStringList{"a.png"});
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(r.action == Action::Run, c.accepted);
        if (!c.accepted) {
            EXPECT_TRUE(r.error.contains(c.mentions)) << r.error.toStdString();
            EXPECT_TRUE(r.text.contains("Usage:"));
        }
    }
}

TEST(CliOptions, BackgroundColours) {
    ColorValue c = -1;
    EXPECT_TRUE(parseColor("#ff8000", c));
    EXPECT_EQ(c, RGB(255, 128, 0));
    EXPECT_TRUE(parseColor("#FF8000", c));
    EXPECT_EQ(c, RGB(255, 128, 0));
    EXPECT_TRUE(parseColor("navy", c));
    EXPECT_EQ(c, RGB(0, 0, 128));
    EXPECT_TRUE(parseColor("DarkGreen", c));
    EXPECT_EQ(c, RGB(0, 100, 0));
    for (const char* bad : {"", "#12345", "#1234567", "#gg0000", "#fff", "ff8000", "notacolour",
                            "transparent", "rgb(1,2,3)"}) {
        ColorValue kept = RGB(1, 2, 3);
        EXPECT_FALSE(parseColor(bad, kept)) << bad;
        EXPECT_EQ(kept, RGB(1, 2, 3)) << bad;
    }
    EXPECT_EQ(parse({"-B", "#12", "a.png"}).action, Action::Error);
}

TEST(CliOptions, InputsAndOutputRule) {
    const ParsedCommandLine none = parse({"-s", "3"});
    EXPECT_EQ(none.action, Action::Error);
    EXPECT_TRUE(none.error.contains("no input"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // One input: any file name with a known extension; several: an existing folder only.
    EXPECT_EQ(parse({"-o", dir.filePath("x.png"), "a.png"}).action, Action::Run);
    EXPECT_EQ(parse({"-o", dir.filePath("x"), "a.png"}).action, Action::Run);
    EXPECT_EQ(parse({"-o", dir.path(), "a.png", "b.png"}).action, Action::Run);
    const ParsedCommandLine fileForMany = parse({"-o", dir.filePath("x.bmp"), "a.png", "b.png"});
    EXPECT_EQ(fileForMany.action, Action::Error);
    EXPECT_TRUE(fileForMany.error.contains("several inputs"));
    const ParsedCommandLine missingFolder = parse({"-o", dir.filePath("none/"), "a.png"});
    EXPECT_EQ(missingFolder.action, Action::Error);
    EXPECT_TRUE(missingFolder.error.contains("does not exist"));
    const ParsedCommandLine xcf = parse({"-o", dir.filePath("x.xcf"), "a.png"});
    EXPECT_EQ(xcf.action, Action::Error);
    EXPECT_TRUE(xcf.error.contains("unsupported output format 'xcf'"));
    // A list may name any number of files.
    const ParsedCommandLine fileForList = parse({"-o", dir.filePath("x.bmp"), "--files-from", "l"});
    EXPECT_EQ(fileForList.action, Action::Error);
    EXPECT_TRUE(fileForList.error.contains("--files-from needs an existing folder"));
}

TEST(CliOptions, HelpAndVersionWinOverMissingInputs) {
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    const QString help = parse({"-h"}).text;
    EXPECT_TRUE(help.contains("--background"));
    for (const char* format : {"bmp", "jpg", "png", "tiff", "webp", "emf", "heic", "avif", "jxl"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(format) + ",") ||
                    help.contains(QString::fromLatin1(format) + "."))
            << format;
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--bogus", "a.png"}).action, Action::Error);
}

TEST(CliOptions, InputListsSplitOnLineEndsOrNulAndStopAtABrokenName) {
    const QByteArray longest(kMaxListedNameBytes, 'x');
    struct Case {
        QByteArray bytes;
        bool nulSeparated;
        QList<QByteArray> names;
        const char* failure;  // "": the list ends cleanly
    };
    const Case cases[] = {
        {"a.png\nb c.png\n", false, {"a.png", "b c.png"}, ""},
        {"a.png\n\n\nb.png", false, {"a.png", "b.png"}, ""},
        {"a.png\r\n", false, {"a.png\r"}, ""},
        {QByteArray("a\nb.png\0\0c.png", 14), true, {"a\nb.png", "c.png"}, ""},
        {"", false, {}, ""},
        {longest + "\n" + longest, false, {longest, longest}, ""},
        {"a.png\n" + longest + "y\nb.png", false, {"a.png"}, "name 2 is longer than 4095 bytes"},
        {QByteArray("a.png\nb\0.png\nc.png", 17), false, {"a.png"}, "name 2 holds a NUL byte"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        QFile file(dir.filePath("list"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        InputList list;
        ASSERT_TRUE(list.open(QFile::encodeName(file.fileName()), c.nulSeparated).isOk());
        if (*c.failure == '\0') {
            EXPECT_EQ(list.countAhead(), c.names.size());
        }
        QList<QByteArray> names;
        for (QByteArray name; list.next(name);) names << name;
        EXPECT_EQ(names, c.names);
        EXPECT_NE(list.failure().reason().find(c.failure), std::string::npos)
            << list.failure().reason();
        EXPECT_EQ(list.failure().failed(), *c.failure != '\0');
    }
}

TEST(CliOptions, FormatAppliesToStandardOutputAndMadeUpNames) {
    const ParsedCommandLine piped = parse({"--format", "PNG", "-o", "-", "a.png"});
    ASSERT_EQ(piped.action, Action::Run) << piped.error.toStdString();
    EXPECT_EQ(piped.options.format, OutputFormat::Png);
    EXPECT_EQ(OutputPlanner(piped.options).plan("a.png").output, "-");

    const CliOptions jpg = parse({"--format", "jpg", "p/a.png"}).options;
    EXPECT_EQ(OutputPlanner(jpg).plan("p/a.png").output, "p/a-scanlines.jpg");
    EXPECT_EQ(jpg.format, OutputFormat::Jpeg);
    EXPECT_EQ(parse({"--format", "tiff", "-o", "x.tif", "a.png"}).action, Action::Run);
}

// --quality, --effort and --lossless: their ranges depend on the format of the outputs, which
// --output's extension or --format gives (bmp when neither does).
TEST(CliOptions, EncoderSettingsSuitTheOutputFormat) {
    struct Case {
        QStringList args;
        const char* mentions;  // empty: accepted
    };
    const Case cases[] = {
        {{"-o", "x.jpg", "--quality", "0"}, ""},
        {{"-o", "x.jpg", "--quality", "100"}, ""},
        {{"-o", "x.jpg", "--quality", "101"}, "--quality must be a whole number from 0 to 100"},
        {{"-o", "x.jpg", "--quality", "high"}, "--quality must be a whole number, not 'high'"},
        {{"--quality", "80"}, "--quality applies to jpg and webp outputs, not bmp"},
        {{"-o", "x.jpg", "--effort", "1"}, "--effort applies to png, tiff and webp"},
        {{"-o", "x.png", "--effort", "9"}, ""},
        {{"-o", "x.png", "--effort", "10"}, "--effort for png must be a whole number from 0 to 9"},
        {{"--format", "tiff", "--effort", "-1"}, "from 0 to 9, not '-1'"},
        {{"-o", "-", "--format", "webp", "--effort", "6", "--quality", "90"}, ""},
        {{"-o", "x.webp", "--effort", "7"}, "--effort for webp must be a whole number from 0 to 6"},
        {{"-o", "x.webp", "--lossless", "--effort", "9"}, ""},
        {{"-o", "x.webp", "--lossless", "--quality", "90"}, "not with --lossless"},
        {{"-o", "x.png", "--lossless"}, "--lossless applies to webp outputs, not png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ParsedCommandLine r = parse(c.args + QStringList{"a.png"});
        if (*c.mentions == '\0') {
            EXPECT_EQ(r.action, Action::Run) << r.error.toStdString();
        } else {
            EXPECT_EQ(r.action, Action::Error);
            EXPECT_TRUE(r.error.contains(c.mentions)) << r.error.toStdString();
        }
    }
    const EncoderSettings given =
        parse({"-o", "x.webp", "--lossless", "--effort", "3", "a.png"}).options.encoder;
    EXPECT_EQ(given.effort, 3);
    EXPECT_TRUE(given.lossless);
    EXPECT_FALSE(given.quality.has_value());
    EXPECT_EQ(parse({"-o", "x.jpg", "--quality", " 42", "a.png"}).options.encoder.quality, 42);
}

}  // namespace
}  // namespace glint
