#pragma once
// A temporary folder for loader tests and the checks they share.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "SampleFiles.h"

namespace glint::test {

class LoaderTest : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        const QString p = path(name);
        EXPECT_TRUE(writeFile(p, bytes)) << p.toStdString();
        return p;
    }
    QByteArray encoded(const QImage& image, const char* format, int quality = -1) const;

    QTemporaryDir dir_;
};

// Red, green and blue of a pixel, for comparisons with a tolerance (lossy formats).
::testing::AssertionResult colourNear(QRgb actual, QRgb expected, int tolerance);

}  // namespace glint::test
