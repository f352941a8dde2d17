#include "FormFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>
#include <ostream>

#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {

void PrintTo(const Commands& c, std::ostream* os) {
    *os << "{load " << c.load << ", raster " << c.raster << ", save " << c.save << ", break shown "
        << c.breakShown << "}";
}

QImage sourcePicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(x, y, qRgb(64 + x, (10 * x + 40 * y + 5) & 0xFF, 255 - y));
        }
    }
    return picture;
}

unsigned pixelOf(ColorValue color) { return toPixel(color); }

void FormTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    form = std::make_unique<YieldingForm>(dialogs, messages, clipboard);
    form->Form_Load();
}

void FormTest::TearDown() {
    form.reset();
    QApplication::clipboard()->clear();
}

Commands FormTest::commands() const {
    return {c().CmdLoad->isEnabled(), c().CmdRaster->isEnabled(), c().CmdSave->isEnabled(),
            c().CmdBreak->isVisible()};
}

QString FormTest::info() const { return c().LblInfo->caption(); }

QString FormTest::writePicture(const QString& name, const QImage& picture) {
    const QString file = dir.filePath(name);
    EXPECT_TRUE(picture.save(file, "PNG")) << file.toStdString();
    return file;
}

void FormTest::open(const QString& file) {
    if (file.isEmpty()) {
        dialogs.queueCancel();
    } else {
        dialogs.queuePath(file);
    }
    form->CmdLoad_Click();
}

void FormTest::openAndRender(const QImage& picture) {
    open(writePicture(QStringLiteral("source.png"), picture));
    ASSERT_EQ(commands(), kLoaded) << "the picture did not load";
    render();
    ASSERT_EQ(commands(), kRendered);
}

void FormTest::pickScale(int index) {
    ScaleCombo* combo = c().ComboScale;
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    const QPoint at = view->visualRect(view->model()->index(index, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

void FormTest::press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = form->focusWidget() ? form->focusWidget() : form.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void FormTest::atRow(int row, std::function<void()> action) {
    form->rowActions.emplace(row, std::move(action));
}

}  // namespace glint::test
