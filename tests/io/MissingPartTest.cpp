// A file in a format whose plug-in or helper is not installed names what is missing.
#include <QCoreApplication>

#include "LoaderFixture.h"
#include "io/helper/MetafileDecoder.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

class MissingPartTest : public LoaderTest {};

// Each test runs in a process of its own, so the plug-in search path can be emptied before
// the image reader looks for plug-ins.
TEST_F(MissingPartTest, PluginFormatsNameTheirPackageWhenThePluginIsMissing) {
    const QTemporaryDir noPlugins;
    QCoreApplication::setLibraryPaths({noPlugins.path()});
    const struct {
        const char* name;
        QByteArray head;
        const char* expected;
    } cases[] = {
        {"a.webp", QByteArray("RIFF\x20\0\0\0WEBPVP8 ", 16) + QByteArray(24, '\0'),
         "The image plug-in for WebP pictures is not installed (Debian package "
         "qt6-image-formats-plugins)."},
        {"a.tif", QByteArray("II*\0\x08\0\0\0", 8) + QByteArray(32, '\0'),
         "The image plug-in for TIFF pictures is not installed (Debian package "
         "qt6-image-formats-plugins)."},
    };
    for (const auto& c : cases) {
        QImage picture;
        const Status st = LoadPicture(write(c.name, c.head), picture);
        EXPECT_TRUE(st.isMissingPart()) << c.name << ": " << st.reason();
        EXPECT_EQ(st.reason(), c.expected);
    }
    // A file that is no picture at all is still just not a picture.
    QImage picture;
    const Status plain = LoadPicture(write("a.txt", QByteArray(64, 'x')), picture);
    EXPECT_TRUE(plain.failed());
    EXPECT_FALSE(plain.isMissingPart());
}

TEST_F(MissingPartTest, AMissingMetafileHelperIsNamed) {
    QImage picture;
    const Status st = MetafileDecoder(QString(), {}).decode(path("a.wmf"), picture);
    EXPECT_TRUE(st.isMissingPart());
    EXPECT_EQ(st.reason(), "The metafile helper glintwork-metafile is not installed.");
}

}  // namespace
}  // namespace glint::test
