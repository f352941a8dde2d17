#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include "ModalDriver.h"
#include "platform/QtMessageBox.h"

namespace glint {
namespace {

using test::whenModal;

TEST(QtMessageBox, ErrorHasTitleTextWithoutIconAndOnlyOk) {
    QtMessageBox boxes;
    whenModal<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Glintwork Error");
        EXPECT_EQ(box->text(), "Open file error.\nOnly open valid picture files!");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons().first()), QMessageBox::Ok);
        box->buttons().first()->click();
    });
    boxes.showError(nullptr, "Open file error.\r\nOnly open valid picture files!");
}

}  // namespace
}  // namespace glint
