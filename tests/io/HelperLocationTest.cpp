// Finding a helper executable from the program's folder, installed or in a build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "io/helper/HelperLocation.h"

namespace glint {
namespace {

constexpr const char* kName = "glintwork-metafile";

TEST(HelperLocation, FoundInstalledBesideOrInTheBuildTree) {
    struct Case {
        const char* programDir;
        const char* helper;  // relative to the test folder; nullptr: none
        bool executable;
        const char* expected;  // relative to the test folder; nullptr: not found
    };
    const Case cases[] = {
        {"usr/bin", "usr/libexec/glintwork/glintwork-metafile", true,
         "usr/libexec/glintwork/glintwork-metafile"},
        {"opt/gw/bin", "opt/gw/libexec/glintwork/glintwork-metafile", true,
         "opt/gw/libexec/glintwork/glintwork-metafile"},
        {"build/src/cli", "build/bin/glintwork-metafile", true, "build/bin/glintwork-metafile"},
        {"here", "here/glintwork-metafile", true, "here/glintwork-metafile"},
        {"usr/bin", "usr/libexec/glintwork/glintwork-metafile", false, nullptr},
        {"usr/bin", "usr/libexec/glintwork-metafile", true, nullptr},
        {"usr/bin", nullptr, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.programDir) + " " + (c.helper ? c.helper : "-"));
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QDir root(dir.path());
        ASSERT_TRUE(root.mkpath(c.programDir));
        if (c.helper) {
            const QString helper = root.filePath(c.helper);
            ASSERT_TRUE(root.mkpath(QFileInfo(helper).path()));
            QFile file(helper);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            const auto mode = QFile::ReadOwner | QFile::WriteOwner |
                              (c.executable ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                            : QFile::Permissions{});
            ASSERT_TRUE(file.setPermissions(mode));
        }
        const QString found = findHelper(root.filePath(c.programDir), kName);
        EXPECT_EQ(found, c.expected ? QDir::cleanPath(root.filePath(c.expected)) : QString());
    }
}

TEST(HelperLocation, InstalledPrefixIsTheLastResort) {
    const QStringList candidates = helperCandidates(QStringLiteral("/x/bin"), kName);
    ASSERT_EQ(candidates.size(), 4);
    EXPECT_TRUE(candidates.last().endsWith("/glintwork/glintwork-metafile"));
    EXPECT_EQ(helperCandidates(QString(), kName), candidates.mid(3));
}

}  // namespace
}  // namespace glint
