// The name a result is saved under.
#include <gtest/gtest.h>

#include "io/output/SaveName.h"

namespace glint {
namespace {

TEST(BmpFileName, KeepsBmpInAnyCaseAndReplacesThreeCharacterEndings) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/out.bmp", "/home/u/out.bmp"}, {"/home/u/Out.BMP", "/home/u/Out.BMP"},
        {"/home/u/out.bMp", "/home/u/out.bMp"}, {"/home/u/out.jpg", "/home/u/out.bmp"},
        {"/home/u/out.JPG", "/home/u/out.bmp"}, {"/home/u/my.pic.gif", "/home/u/my.pic.bmp"},
        {"/home/u/x.a b", "/home/u/x.bmp"},
    };
    for (const auto& [chosen, expected] : cases)
        EXPECT_EQ(bmpFileName(QString::fromUtf8(chosen)), QString::fromUtf8(expected)) << chosen;
}

// Anything else gets ".bmp" appended, so the folder part never changes.
TEST(BmpFileName, AppendsToEveryOtherShape) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/out", "/home/u/out.bmp"},       {"/home/u/out.jpeg", "/home/u/out.jpeg.bmp"},
        {"/home/u/out.gz", "/home/u/out.gz.bmp"}, {"/home/u/out.", "/home/u/out..bmp"},
        {"/home/u/.jpg", "/home/u/.jpg.bmp"},     {".jpg", ".jpg.bmp"},
        {"/home/u.d/pic", "/home/u.d/pic.bmp"},   {"/home/u.d/ab", "/home/u.d/ab.bmp"},
        {"/home/u/x.a/b", "/home/u/x.a/b.bmp"},   {"C:\\pics\\a.b\\c", "C:\\pics\\a.b\\c.bmp"},
    };
    for (const auto& [chosen, expected] : cases)
        EXPECT_EQ(bmpFileName(QString::fromUtf8(chosen)), QString::fromUtf8(expected)) << chosen;
}

}  // namespace
}  // namespace glint
