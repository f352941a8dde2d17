// Open File and Save As...: the dialogs' settings, what survives a cancel or a failure, and the
// name a result is saved under.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPushButton>
#include <QTimer>

#include "FormFixture.h"
#include "SampleFiles.h"
#include "platform/PictureBox.h"
#include "ui/InfoLabel.h"

namespace glint::test {
namespace {

constexpr const char* kOpenError = "Open file error.\r\nOnly open valid picture files!";
constexpr const char* kSaveError =
    "Save file error.\r\nPlease save file with an other filename. Ensure, you have permission to "
    "write on disk.";

QString savedText(const QString& name) {
    return "Pic saved as: " + name + "\r\n[new virus installed: Tolvane.vbs]";
}

using OpenTest = FormTest;

TEST_F(OpenTest, CancelFromEmptyOnlyWritesItsText) {
    open(QString());
    EXPECT_EQ(info(), "Why do you not load a pic? \r\nFucker!");
    EXPECT_EQ(commands(), kEmpty);
    EXPECT_TRUE(form->comDlg().FileName.isEmpty());
    EXPECT_EQ(form->comDlg().Filter,
              "Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf)|*.bmp;*.cur;*.emf;*.gif;"
              "*.jpg;*.ico;*.rle;*.wmf|All Files (*.*)|*.*");
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].title, "Open a fuckin' file, if you have balls.");
    EXPECT_EQ(dialogs.requests()[0].nameFilters.size(), 2);
}

TEST_F(OpenTest, LoadedPictureSizesBothBoxesAndShowsItsInfo) {
    const QString file = writePicture("pic.png", sourcePicture(320, 240));
    open(file);
    EXPECT_EQ(commands(), kLoaded);
    EXPECT_EQ(focus(), c().CmdRaster);
    EXPECT_TRUE(c().PicSrc->hasPicture());
    EXPECT_EQ(c().PicSrc->outerWidth(), 324.0f);
    EXPECT_EQ(c().PicSrc->outerHeight(), 244.0f);
    EXPECT_EQ(c().PicDst->outerWidth(), 644.0f);
    EXPECT_EQ(c().PicDst->outerHeight(), 484.0f);
    EXPECT_FALSE(c().PicDst->hasPicture());
    EXPECT_EQ(info(), "Pic: " + file +
                          "\r\nWidth: 320 Hight: 240\r\n 'Make Raster' will last about 79 seconds, "
                          "Coc'Sucker!");
    // The next dialog starts where the picture came from.
    EXPECT_EQ(form->comDlg().InitDir, file);
    open(QString());
    EXPECT_EQ(QDir(dialogs.requests().back().startDir), QDir(dir.path()));
}

TEST_F(OpenTest, AFileThatIsNoPictureEmptiesBothBoxesAndKeepsTheRest) {
    const QString good = writePicture("pic.png", sourcePicture(5, 4));
    open(good);
    const QString infoBefore = info();
    const float dstWidth = c().PicDst->outerWidth();
    const QString text = dir.filePath("notes.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("no picture here\n");
    }
    open(text);
    EXPECT_EQ(messages.errors(), QStringList{kOpenError});
    EXPECT_FALSE(c().PicSrc->hasPicture());
    EXPECT_FALSE(c().PicDst->hasPicture());
    EXPECT_EQ(c().PicDst->outerWidth(), dstWidth);
    // Coming from Loaded, Make Raster stays available over the emptied source.
    EXPECT_EQ(commands(), kLoaded);
    EXPECT_EQ(info(), infoBefore);
    EXPECT_EQ(form->comDlg().InitDir, good);
}

TEST_F(OpenTest, AMissingPartOfTheInstallationIsNamedInsteadOfBlamingTheFile) {
    const QString file = dir.filePath("drawing.wmf");
    ASSERT_TRUE(writeFile(file, wmfRectangle()));
    qputenv("GLINTWORK_METAFILE_HELPER", "/nonexistent/glintwork-metafile");
    open(file);
    qunsetenv("GLINTWORK_METAFILE_HELPER");
    EXPECT_EQ(messages.errors(), QStringList{"Open file error.\r\nThe metafile helper "
                                             "/nonexistent/glintwork-metafile is missing."});
    EXPECT_FALSE(c().PicSrc->hasPicture());
}

TEST_F(OpenTest, FromRenderedACancelKeepsTheResultAndANewPictureDropsIt) {
    openAndRender(sourcePicture(3, 2));
    open(QString());
    EXPECT_EQ(commands(), kLoaded);
    EXPECT_TRUE(c().PicDst->hasPicture());

    render();
    open(writePicture("next.png", sourcePicture(2, 2)));
    EXPECT_EQ(commands(), kLoaded);
    EXPECT_EQ(focus(), c().CmdRaster);
    EXPECT_FALSE(c().PicDst->hasPicture());
    const QImage shown = c().PicDst->image();
    EXPECT_EQ(shown.pixel(0, 0), pixelOf(c().PicDst->backColor()));

    // A dialog that fails is reported; Save As... is already off.
    render();
    dialogs.queueFailure("no file dialog");
    form->CmdLoad_Click();
    EXPECT_EQ(messages.errors(), QStringList{kOpenError});
    EXPECT_EQ(commands(), kLoaded);
}

// While a metafile is drawn by its helper the window's own events (a timer here) go on; a
// close then waits until the picture is in, and no error is shown.
// While a helper decodes, the window runs its events; closing it stops the helper at once (one
// that would take half a minute here) and the window goes, without an error box.
TEST_F(OpenTest, WindowRunsItsEventsWhileAHelperDecodesAndClosingStopsIt) {
    const QString helper = path("slow-helper.sh");
    QFile script(helper);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 30\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qputenv("GLINTWORK_METAFILE_HELPER", helper.toUtf8());
    QFile metafile(path("drawing.wmf"));  // a placeable header and a plain one, no records
    ASSERT_TRUE(metafile.open(QIODevice::WriteOnly));
    metafile.write(
        QByteArray::fromHex("d7cdc69a00000000000002000100600000000000000001000900"
                            "0003000000000000000000000000"));
    metafile.close();

    form->show();
    bool ranDuringLoad = false;
    QTimer::singleShot(100, form.get(), [&] {
        ranDuringLoad = !c().PicSrc->hasPicture();
        form->close();
    });
    QElapsedTimer clock;
    clock.start();
    open(path("drawing.wmf"));
    qunsetenv("GLINTWORK_METAFILE_HELPER");
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(ranDuringLoad);
    EXPECT_FALSE(c().PicSrc->hasPicture());
    EXPECT_TRUE(messages.errors().isEmpty());
    EXPECT_FALSE(form->isVisible());
}

class SaveTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        openAndRender(sourcePicture(3, 2));
    }
    void save(const QString& file) {
        if (file.isEmpty()) {
            dialogs.queueCancel();
        } else {
            dialogs.queuePath(file);
        }
        form->CmdSave_Click();
    }
    // The saved file, read back, holds the result's pixels.
    void expectResultIn(const QString& file) {
        QImage saved(file, "BMP");
        ASSERT_FALSE(saved.isNull()) << file.toStdString();
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
                  c().PicDst->picture().convertToFormat(QImage::Format_RGB32));
    }
};

TEST_F(SaveTest, CancelWritesNothing) {
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    save(QString());
    EXPECT_EQ(info(), "Are you to weak to save a file?\r\nFucker!");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(focus(), c().CmdSave);
    EXPECT_EQ(commands(), kRendered);
    ASSERT_EQ(dialogs.requests().back().kind, ScriptedDialogBackend::Kind::Save);
    EXPECT_EQ(dialogs.requests().back().title, "Why did they treat us this respectless?!");
    EXPECT_EQ(form->comDlg().Filter, "Bitmap File (*.bmp)|*.bmp");
}

TEST_F(SaveTest, ABmpNameIsKeptAndAnyOtherEndingBecomesBmp) {
    const QString upper = path("Result.BMP");
    save(upper);
    expectResultIn(upper);
    EXPECT_EQ(info(), savedText(upper));
    EXPECT_EQ(focus(), c().CmdLoad);
    EXPECT_EQ(commands(), kRendered);

    const QString jpg = path("out.jpg");
    save(jpg);
    expectResultIn(path("out.bmp"));
    EXPECT_FALSE(QFileInfo::exists(jpg));
    EXPECT_EQ(info(), savedText(path("out.bmp")));
    // The dialog's name stays what the user chose; a scale pick names it.
    pickScale(1);
    EXPECT_TRUE(info().startsWith("Pic: " + jpg + "\r\nWidth: 3 Hight: 2\r\n"));
}

// The dialog asks before it replaces a file (QtDialogs tests its question); it asks about the
// file the chosen name is written as.
TEST_F(SaveTest, TheDialogIsToldTheNameTheFileIsWrittenAs) {
    const QString target = path("out.bmp");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("replace me");
    }
    save(path("out.jpg"));
    const auto& writtenName = dialogs.requests().back().writtenName;
    ASSERT_TRUE(writtenName);
    EXPECT_EQ(writtenName(path("out.jpg")), target);
    EXPECT_EQ(writtenName(path("Out.BMP")), path("Out.BMP"));
    expectResultIn(target);  // confirmed in the dialog: replaced without a second question
    EXPECT_TRUE(messages.errors().isEmpty());
}

TEST_F(SaveTest, ABrokenOffResultIsSavedWithTheRowsNeverDrawnInTheBackground) {
    open(writePicture("tall.png", sourcePicture(3, 6)));
    atRow(1, [this] { c().CmdBreak->click(); });
    render();
    ASSERT_EQ(commands(), kRendered);
    save(path("partial.bmp"));
    const QImage saved(path("partial.bmp"), "BMP");
    ASSERT_EQ(saved.size(), QSize(6, 12));
    EXPECT_EQ(saved.pixel(5, 11), pixelOf(c().PicDst->backColor()));
    expectResultIn(path("partial.bmp"));
}

TEST_F(SaveTest, AFileThatCannotBeWrittenIsReportedAndTheNextTryWorks) {
    const QString infoBefore = info();
    c().CmdSave->setFocus();
    save(path("missing-folder/out.bmp"));
    EXPECT_EQ(messages.errors(), QStringList{kSaveError});
    EXPECT_EQ(info(), infoBefore);
    EXPECT_EQ(focus(), c().CmdSave);
    EXPECT_EQ(commands(), kRendered);

    save(path("out.bmp"));
    expectResultIn(path("out.bmp"));
    EXPECT_EQ(messages.errors().size(), 1);
}

// A photo that records a quarter turn opens upright: the boxes and the Info text take the
// upright size.
TEST_F(OpenTest, ATurnedPhotoOpensUprightWithItsUprightSize) {
    const QString file = path("turned.tiff");
    QImageWriter writer(file);
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(sourcePicture(320, 240)));
    open(file);
    EXPECT_EQ(commands(), kLoaded);
    EXPECT_EQ(c().PicSrc->outerWidth(), 244.0f);
    EXPECT_EQ(c().PicSrc->outerHeight(), 324.0f);
    EXPECT_TRUE(info().contains("\r\nWidth: 240 Hight: 320\r\n")) << info().toStdString();
}

}  // namespace
}  // namespace glint::test
