#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/CommonDialog.h"
#include "support/ScriptedDialogBackend.h"

namespace glint {
namespace {

const QString kOpenFilter = QStringLiteral(
    "Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf)|"
    "*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf|All Files (*.*)|*.*");
const QString kSaveFilter = QStringLiteral("Bitmap File (*.bmp)|*.bmp");

// The patterns of a Qt name filter "Description (p1 p2)".
QStringList patternsOf(const QString& qtFilter) {
    const qsizetype open = qtFilter.lastIndexOf(u'(');
    return qtFilter.mid(open + 1, qtFilter.size() - open - 2).split(u' ');
}

bool anyMatches(const QStringList& patterns, const QString& name) {
    for (const QString& p : patterns) {
        if (QRegularExpression::fromWildcard(p, Qt::CaseSensitive).match(name).hasMatch())
            return true;
    }
    return false;
}

TEST(CommonDialogFilters, KeepDescriptionsAndMatchInAnyLetterCase) {
    const QStringList filters = CommonDialog::qtNameFilters(kOpenFilter);
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(
        filters[0].startsWith("Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf) ("));
    const QStringList pictures = patternsOf(filters[0]);
    EXPECT_EQ(pictures.size(), 8);
    for (const char* name : {"X.BMP", "x.bmp", "a.Jpg", "b.WMF", "c.rle"})
        EXPECT_TRUE(anyMatches(pictures, name)) << name;
    for (const char* name : {"x.bmpx", "x.png", "bmp"})
        EXPECT_FALSE(anyMatches(pictures, name)) << name;
    EXPECT_TRUE(filters[1].startsWith("All Files (*.*) ("));
    EXPECT_TRUE(anyMatches(patternsOf(filters[1]), "README"));  // no dot needed

    EXPECT_EQ(CommonDialog::qtNameFilters(kSaveFilter).size(), 1);
    EXPECT_TRUE(CommonDialog::qtNameFilters(QString()).isEmpty());
}

TEST(CommonDialogFilters, StartFolderOfFolderFileOrNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath("pic.bmp");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(CommonDialog::startFolder(dir.path()), dir.path());
    EXPECT_EQ(QDir(CommonDialog::startFolder(file)), QDir(dir.path()));
    EXPECT_EQ(QDir(CommonDialog::startFolder(dir.filePath("gone.bmp"))), QDir(dir.path()));
    EXPECT_EQ(CommonDialog::startFolder(QString()), QDir::currentPath());
}

TEST(CommonDialog, FileDialogsPassTheirPropertiesAndKeepFileNameOnCancel) {
    ScriptedDialogBackend backend;
    CommonDialog dialog(backend, nullptr);
    QTemporaryDir dir;
    dialog.InitDir = dir.path();
    dialog.Filter = kOpenFilter;
    dialog.DialogTitle = "Open it";
    backend.queuePath("/pics/a.bmp");
    backend.queueCancel();
    ASSERT_TRUE(dialog.ShowOpen().isOk());
    EXPECT_EQ(dialog.FileName, "/pics/a.bmp");
    dialog.FileName.clear();
    ASSERT_TRUE(dialog.ShowOpen().isOk());
    EXPECT_TRUE(dialog.FileName.isEmpty());

    dialog.Filter = kSaveFilter;
    dialog.DialogTitle = "Save it";
    dialog.FileName = "kept";
    backend.queueCancel();
    ASSERT_TRUE(dialog.ShowSave().isOk());
    EXPECT_EQ(dialog.FileName, "kept");

    const auto& requests = backend.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, ScriptedDialogBackend::Kind::Open);
    EXPECT_EQ(requests[0].title, "Open it");
    EXPECT_EQ(requests[0].nameFilters, CommonDialog::qtNameFilters(kOpenFilter));
    EXPECT_EQ(requests[0].startDir, dir.path());
    EXPECT_EQ(requests[0].defaultSuffix, "");
    EXPECT_EQ(requests[2].kind, ScriptedDialogBackend::Kind::Save);
    EXPECT_EQ(requests[2].title, "Save it");
    EXPECT_EQ(requests[2].defaultSuffix, "bmp");
}

TEST(CommonDialog, BackendFailuresAndAnEmptyScriptAreReported) {
    ScriptedDialogBackend backend;
    CommonDialog dialog(backend, nullptr);
    dialog.FileName = "before";
    backend.queueFailure("dialog broke");
    const Status broken = dialog.ShowOpen();
    ASSERT_TRUE(broken.failed());
    EXPECT_EQ(broken.reason(), "dialog broke");
    EXPECT_EQ(dialog.FileName, "before");

    const Status empty = dialog.ShowSave();
    ASSERT_TRUE(empty.failed());
    EXPECT_NE(empty.reason().find("no answer left"), std::string::npos);

    backend.queuePath("/x.bmp");
    EXPECT_TRUE(dialog.ShowColor().failed());  // wrong kind of answer
    backend.queueColor(RGB(9, 9, 9));
    EXPECT_TRUE(dialog.ShowOpen().failed());
    EXPECT_EQ(dialog.Color, 0);
    EXPECT_EQ(dialog.FileName, "before");
    EXPECT_EQ(backend.pendingAnswers(), 0);
}

}  // namespace
}  // namespace glint
