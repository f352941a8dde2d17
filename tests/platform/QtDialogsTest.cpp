#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ModalDriver.h"
#include "platform/CommonDialog.h"
#include "platform/QtDialogBackend.h"

namespace glint {
namespace {

using test::waitUntil;
using test::whenModal;

const QString kOpenFilter = QStringLiteral(
    "Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf)|"
    "*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf|All Files (*.*)|*.*");

class QtDialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* name : {"X.BMP", "notes.txt"}) {
            QFile file(dir_.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    // Types a name and presses Enter; `whole` sets it at once, so that no completion of an
    // existing name takes its place.
    void typeAndAccept(QFileDialog* dialog, const QString& text, bool whole = false) {
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->clear();
        if (whole) {
            edit->setText(text);
        } else {
            QTest::keyClicks(edit, text);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Names the file list shows, once the folder has been read.
    static QStringList listedNames(QFileDialog* dialog) {
        auto* view = dialog->findChild<QAbstractItemView*>("listView");
        QStringList names;
        if (view == nullptr) return names;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
        return names;
    }

    QTemporaryDir dir_;
    QtDialogBackend backend_;
    CommonDialog dialog_{backend_, nullptr};
};

TEST_F(QtDialogs, OpenShowsFilterAsWrittenListsUpperCaseNamesAndStartsInTheFilesFolder) {
    dialog_.Filter = kOpenFilter;
    dialog_.DialogTitle = "Pick one";
    dialog_.InitDir = dir_.filePath("X.BMP");
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Pick one");
        EXPECT_EQ(QDir(dialog->directory()), QDir(dir_.path()));
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->itemText(0),
                  "Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf)");
        EXPECT_EQ(types->itemText(1), "All Files (*.*)");
        EXPECT_TRUE(waitUntil([&] { return !listedNames(dialog).isEmpty(); }));
        EXPECT_EQ(listedNames(dialog), QStringList{"X.BMP"});
        types->setCurrentIndex(1);
        types->activated(1);
        EXPECT_TRUE(waitUntil([&] { return listedNames(dialog).size() == 2; }));
        typeAndAccept(dialog, dir_.filePath("notes.txt"));
    });
    ASSERT_TRUE(dialog_.ShowOpen().isOk());
    EXPECT_EQ(dialog_.FileName, dir_.filePath("notes.txt"));
}

TEST_F(QtDialogs, CancelLeavesFileNameAsItWas) {
    dialog_.Filter = kOpenFilter;
    dialog_.FileName.clear();
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(dialog_.ShowOpen().isOk());
    EXPECT_TRUE(dialog_.FileName.isEmpty());
}

TEST_F(QtDialogs, SaveAddsBmpToANameTypedWithoutExtension) {
    dialog_.Filter = "Bitmap File (*.bmp)|*.bmp";
    dialog_.InitDir = dir_.path();
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        typeAndAccept(dialog, "result");
    });
    ASSERT_TRUE(dialog_.ShowSave().isOk());
    EXPECT_EQ(dialog_.FileName, dir_.filePath("result.bmp"));
}

// One question before a file is replaced, Qt's own, about the file written: the name the user
// chose may be written under another. No leaves the dialog open for another name.
TEST_F(QtDialogs, SaveAsksOnceBeforeReplacingTheFileWritten) {
    for (const char* name : {"out.bmp", "out.jpg"}) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    dialog_.Filter = "Bitmap File (*.bmp)|*.bmp";
    dialog_.DialogTitle = "Save it";
    dialog_.InitDir = dir_.path();
    const auto asBmp = [](const QString& chosen) { return chosen.chopped(4) + ".bmp"; };
    QStringList asked;
    const auto answer = [&asked](QMessageBox::StandardButton button) {
        whenModal<QMessageBox>([&asked, button](QMessageBox* box) {
            asked << box->windowTitle() + "|" + box->text();
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            box->button(button)->click();
        });
    };
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        answer(QMessageBox::No);
        typeAndAccept(dialog, "out.jpg", true);
        ASSERT_TRUE(dialog->isVisible()) << "No closed the dialog";
        answer(QMessageBox::Yes);
        typeAndAccept(dialog, "out.jpg", true);
    });
    ASSERT_TRUE(dialog_.ShowSave(asBmp).isOk());
    EXPECT_EQ(dialog_.FileName, dir_.filePath("out.jpg"));
    const QString question = "Save it|out.bmp already exists.\nDo you want to replace it?";
    EXPECT_EQ(asked, (QStringList{question, question}));

    // A file that is not there is not asked about, whatever lies under the name typed.
    QFile::remove(dir_.filePath("out.bmp"));
    whenModal<QFileDialog>([&](QFileDialog* dialog) { typeAndAccept(dialog, "out.jpg", true); });
    ASSERT_TRUE(dialog_.ShowSave(asBmp).isOk());
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(QtDialogs, ColourIsTakenOnAcceptAndKeptOnCancel) {
    whenModal<QColorDialog>([](QColorDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(dialog_.ShowColor().isOk());
    EXPECT_EQ(dialog_.Color, 0);

    whenModal<QColorDialog>([](QColorDialog* dialog) {
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
    });
    ASSERT_TRUE(dialog_.ShowColor().isOk());
    EXPECT_EQ(dialog_.Color, RGB(10, 20, 30));

    whenModal<QColorDialog>([](QColorDialog* dialog) {
        EXPECT_EQ(dialog->currentColor(), QColor(10, 20, 30));
        dialog->setCurrentColor(QColor(200, 0, 0));
        dialog->reject();
    });
    ASSERT_TRUE(dialog_.ShowColor().isOk());
    EXPECT_EQ(dialog_.Color, RGB(10, 20, 30));
}

}  // namespace
}  // namespace glint
