// Opening metafiles through the helper process.
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include "LoaderFixture.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"
#include "io/decode/PictureLoader.h"
#include "io/helper/HelperClient.h"

namespace glint::test {
namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kWhite = 0xffffffff;
// None of these is a named colour, nor near one in the channel the render keeps (green).
const std::vector<QRgb> kBarColours = {0xff2060a0, 0xff40e040, 0xffff8000, 0xffc02080};

// An 8 x 8 bitmap of one colour, 24 bits a pixel, whose header gives `headerBytes` as its
// size; the last `cut` bytes of its pixels are left out.
QByteArray solidDib(QRgb colour, std::uint32_t headerBytes, int cut) {
    Bytes b;
    b.u32(headerBytes).s32(8).s32(8).u16(1).u16(24).u32(0).u32(8 * 24).u32(0).u32(0).u32(0).u32(0);
    for (int i = 0; i < 64; ++i) b.u8(qBlue(colour)).u8(qGreen(colour)).u8(qRed(colour));
    return b.data().left(b.size() - cut);
}

// Sets an environment variable for the length of a scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

class MetafileTest : public LoaderTest {};

TEST_F(MetafileTest, HeadersAreRecognisedAndSizedAt96Dpi) {
    EXPECT_EQ(metafileKind(emfRectangle()), MetafileKind::Emf);
    EXPECT_EQ(metafileKind(wmfRectangle()), MetafileKind::Wmf);
    EXPECT_EQ(metafileKind(wmfRectangle().mid(22)), MetafileKind::Wmf);  // without placeable head
    EXPECT_EQ(metafileKind(QByteArray("BM") + QByteArray(100, '\0')), MetafileKind::None);
    EXPECT_EQ(metafileSize(emfRectangle()), QSize(100, 50));
    EXPECT_EQ(metafileSize(wmfRectangle()), QSize(100, 50));
    EXPECT_FALSE(metafileSize(wmfRectangle().mid(22)).isValid());  // plain: no size in header
}

TEST_F(MetafileTest, EnhancedAndPlainMetafilesOpenAtTheirHeaderSize) {
    for (const auto& [name, bytes] :
         {std::pair{"drawing.emf", emfRectangle()}, std::pair{"drawing.wmf", wmfRectangle()},
          std::pair{"drawing-named.bmp", emfRectangle()}}) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status status = LoadPicture(write(name, bytes), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        ASSERT_EQ(picture.size(), QSize(100, 50));
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_TRUE(colourNear(picture.pixel(50, 25), kRed, 2));
        EXPECT_TRUE(colourNear(picture.pixel(5, 5), kWhite, 2));
        EXPECT_TRUE(colourNear(picture.pixel(95, 45), kWhite, 2));
    }
}

TEST_F(MetafileTest, MetafileColoursComeThroughExactly) {
    for (const auto& [name, bytes] : {std::pair{"bars.wmf", wmfColourBars(kBarColours)},
                                      std::pair{"bars.emf", emfColourBars(kBarColours)}}) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status status = LoadPicture(write(name, bytes), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        ASSERT_EQ(picture.size(), QSize(100, 50));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(picture.pixel(25 * i + 12, 25), kBarColours[i]) << i;
    }
}

// Binary raster operations of a plain metafile act on the white page.
TEST_F(MetafileTest, RasterOperationsOfPlainMetafilesMixWithThePage) {
    const struct {
        unsigned mix;
        QRgb expected;
    } cases[] = {
        {13, kBarColours[0]},                         // copy the brush
        {11, kWhite},                                 // leave the page
        {7, kWhite ^ (kBarColours[0] & 0x00ffffff)},  // brush xor page
        {9, kBarColours[0]},                          // brush and page (white)
        {1, 0xff000000},                              // black
        {6, 0xff000000},                              // invert the page
    };
    for (const auto& c : cases) {
        QImage picture;
        const Status status =
            LoadPicture(write("mix.wmf", wmfColourBars({kBarColours[0]}, c.mix)), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        EXPECT_EQ(picture.pixel(50, 25), c.expected) << c.mix;
    }
}

// A bitmap inside a plain metafile draws with its own colours; one that cannot be decoded
// completely makes the whole file fail at once.
TEST_F(MetafileTest, EmbeddedBitmapsDrawExactlyOrFailTheFile) {
    const struct {
        const char* name;
        QByteArray dib;
        bool opens;
    } cases[] = {
        {"whole.wmf", solidDib(kBarColours[1], 40, 0), true},
        {"header-size-damaged.wmf", solidDib(kBarColours[1], 8, 0), false},
        {"pixels-cut.wmf", solidDib(kBarColours[1], 40, 100), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture;
        QElapsedTimer clock;
        clock.start();
        const Status status = LoadPicture(write(c.name, wmfWithBitmap(c.dib)), picture);
        EXPECT_LT(clock.elapsed(), 4000);
        ASSERT_EQ(status.isOk(), c.opens) << status.reason();
        if (!c.opens) continue;
        EXPECT_EQ(picture.pixel(50, 25), kBarColours[1]);
        EXPECT_EQ(picture.pixel(5, 5), kWhite);
    }
}

TEST(MetafileDrawnSize, LargeFramesShrinkToTheLimitKeepingTheirShape) {
    const QSize cases[] = {{100, 50}, {4096, 4096}, {11585, 11585}, {30000, 4473}, {30000, 1}};
    for (const QSize& declared : cases) {
        SCOPED_TRACE(declared.width());
        const QSize drawn = metafileDrawnSize(declared);
        const double pixels = static_cast<double>(declared.width()) * declared.height();
        if (pixels <= static_cast<double>(kMaxMetafilePixels)) {
            EXPECT_EQ(drawn, declared);
            continue;
        }
        EXPECT_LE(std::int64_t{drawn.width()} * drawn.height(), kMaxMetafilePixels);
        EXPECT_GE(drawn.height(), 1);
        EXPECT_NEAR(static_cast<double>(drawn.width()) / declared.width(),
                    static_cast<double>(drawn.height()) / declared.height(), 0.01);
    }
    EXPECT_EQ(metafileDrawnSize({11585, 11585}), QSize(4096, 4096));
}

TEST_F(MetafileTest, HugeFrameIsDrawnWithinTheMetafileLimit) {
    Bytes huge;
    huge.raw(emfRectangle());
    huge.setU32(32, 306523);  // 11585 x 11585 pixels at 96 dpi
    huge.setU32(36, 306523);
    QImage picture;
    const Status status = LoadPicture(write("huge.emf", huge.data()), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_EQ(picture.size(), QSize(4096, 4096));
}

TEST_F(MetafileTest, MetafileClaimingAHugeFrameFails) {
    Bytes huge;
    huge.raw(emfRectangle());
    huge.setU32(32, 2540 * 400);  // 96000 pixels wide
    QImage picture;
    EXPECT_TRUE(LoadPicture(write("huge.emf", huge.data()), picture).failed());
    EXPECT_TRUE(picture.isNull());
}

// Sizes in a metafile that reach past its end: enhanced metafiles are refused before their
// converter reads past the file; a plain one's largest record is only an upper bound.
TEST_F(MetafileTest, SizesReachingPastTheFileAreRefusedOrBounded) {
    const auto changed = [](QByteArray file, std::initializer_list<std::pair<int, quint32>> at) {
        Bytes b;
        b.raw(file);
        for (const auto& [offset, value] : at) b.setU32(offset, value);
        return b.data();
    };
    const QByteArray emf = emfRectangle();
    const std::pair<const char*, QByteArray> refused[] = {
        {"text-to-no-end.emf", changed(emf, {{64, 88}})},  // description without length or end
        {"long-text.emf", changed(emf, {{60, 11}, {64, 68}})},
        {"record-past-end.emf", changed(emf, {{92, 4000}})},
        {"record-too-short.emf", changed(emf, {{92, 4}})},
        {"no-end-record.emf", emf.left(emf.size() - 20)},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        QImage picture;
        EXPECT_TRUE(LoadPicture(write(name, bytes), picture).failed());
    }
    QImage picture;
    const QString described = write("text.emf", changed(emf, {{60, 10}, {64, 68}}));
    EXPECT_TRUE(LoadPicture(described, picture).isOk());
    const QByteArray bigRecord = changed(wmfRectangle(), {{22 + 12, 0x7fffffff}});  // in words
    const QString bounded = write("big-record.wmf", bigRecord);
    const Status status = LoadPicture(bounded, picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_TRUE(colourNear(picture.pixel(50, 25), kRed, 2));
}

// An absolute path in the helper's variable takes the place of the helper found beside the
// programs; anything else there is not looked at.
TEST_F(MetafileTest, HelperIsFoundBesideTheBuildAndCanBeOverridden) {
    const QString found = HelperClient::locate(kMetafileHelper);
    EXPECT_TRUE(found.endsWith("/bin/glintwork-metafile")) << found.toStdString();
    {
        const ScopedEnv relative(kMetafileHelper.envVariable, "nowhere");
        EXPECT_EQ(HelperClient::locate(kMetafileHelper), found);
    }
    const ScopedEnv env(kMetafileHelper.envVariable, path("nowhere").toUtf8());
    EXPECT_EQ(HelperClient::locate(kMetafileHelper), path("nowhere"));
    QImage picture;
    EXPECT_TRUE(LoadPicture(write("drawing.emf", emfRectangle()), picture).failed());
}

}  // namespace
}  // namespace glint::test
