// Output files: only a complete file ever takes the target's place, only a regular file or a
// link (itself) is replaced, and a kept target is kept whenever it came to be.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <vector>

#include "../support/Unprivileged.h"
#include "io/output/OutputFile.h"

namespace glint {
namespace {

constexpr rlim_t kLimitBytes = 4096;

// Limits the size of the files this process writes, which holds for the superuser too;
// writes past it fail (EFBIG) instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const char* name) const { return dir_.filePath(name); }
    QStringList entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    QByteArray contents(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeOld(const char* name) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }

    QTemporaryDir dir_;
};

TEST_F(OutputFileTest, AnyFailedWriteKeepsTheTargetAndLeavesNoTemporary) {
    const std::vector<char> bytes(3 * kLimitBytes, 'x');
    const iovec third{const_cast<char*>(bytes.data()), kLimitBytes / 3 * 2};
    const struct {
        const char* what;
        std::function<void(OutputFile&)> write;
    } cases[] = {
        {"one write over the limit",
         [&](OutputFile& f) { (void)f.writeAt(0, bytes.data(), 9000); }},
        {"pieces that cross it",
         [&](OutputFile& f) {
             const std::vector<iovec> pieces(4, third);
             (void)f.writeAt(0, pieces.data(), 4);
         }},
        {"a write that starts past it",
         [&](OutputFile& f) { (void)f.writeAt(2 * kLimitBytes, bytes.data(), 10); }},
        {"small device writes, the last one crossing it",
         [&](OutputFile& f) {
             for (int i = 0; i < 41; ++i) f.write(bytes.data(), 100);
         }},
        {"a device write after a seek past it",
         [&](OutputFile& f) {
             f.write("head");
             f.seek(kLimitBytes + 1);
             f.write("tail");
             f.seek(4);
             f.write("more");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeOld("out.bin");
        OutputFile file(path("out.bin"));
        ASSERT_TRUE(file.create().isOk());
        {
            const FileSizeLimit limit(kLimitBytes);
            c.write(file);
        }
        EXPECT_TRUE(file.failed());
        EXPECT_TRUE(file.commit().failed());
        EXPECT_EQ(contents("out.bin"), "old");
        EXPECT_EQ(entries(), QStringList{"out.bin"});
    }

    // Under the limit the same kind of writes replace the target.
    OutputFile file(path("out.bin"));
    ASSERT_TRUE(file.create().isOk());
    {
        const FileSizeLimit limit(kLimitBytes);
        EXPECT_EQ(file.write("new!"), 4);
        EXPECT_TRUE(file.writeAt(2, bytes.data(), 2).isOk());
    }
    ASSERT_TRUE(file.commit().isOk());
    EXPECT_EQ(contents("out.bin"), "nexx");
}

TEST_F(OutputFileTest, OnlyARegularFileOrALinkItselfIsReplaced) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    for (const char* name : {"pipe", "folder"}) {
        SCOPED_TRACE(name);
        OutputFile file(path(name));
        EXPECT_TRUE(file.create().failed());
    }
    // A link is replaced itself: what it points to stays as it was.
    writeOld("kept");
    for (const char* link : {"to-pipe", "to-kept"}) {
        ASSERT_TRUE(QFile::link(path(link + 3), path(link)));
        OutputFile file(path(link));
        ASSERT_TRUE(file.create().isOk());
        ASSERT_TRUE(file.writeAt(0, "new", 3).isOk());
        ASSERT_TRUE(file.commit().isOk());
        EXPECT_FALSE(QFileInfo(path(link)).isSymLink());
        EXPECT_EQ(contents(link), "new");
    }
    EXPECT_EQ(contents("kept"), "old");

    // A target that stops being a regular file while the file is written stays as it is.
    writeOld("late");
    OutputFile file(path("late"));
    ASSERT_TRUE(file.create().isOk());
    ASSERT_TRUE(file.writeAt(0, "data", 4).isOk());
    ASSERT_TRUE(QFile::remove(path("late")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("late")).constData(), 0600), 0);
    EXPECT_TRUE(file.commit().failed());

    struct stat late {};
    ASSERT_EQ(::lstat(QFile::encodeName(path("late")).constData(), &late), 0);
    EXPECT_TRUE(S_ISFIFO(late.st_mode));
    EXPECT_EQ(entries(), (QStringList{"folder", "kept", "late", "pipe", "to-kept", "to-pipe"}));
}

// Without replacing, whatever has the target's name, found at the start or made while the file
// is written (a file, a link that points nowhere), stays.
TEST_F(OutputFileTest, KeptTargetsAreNeverReplaced) {
    const auto keep = [this](const char* name) {
        return OutputFile(QFile::encodeName(path(name)), ExistingTarget::Keep);
    };
    ASSERT_TRUE(QFile::link(path("nowhere"), path("dangling")));
    EXPECT_TRUE(keep("dangling").create().failed());
    for (const bool asLink : {false, true}) {
        SCOPED_TRACE(asLink ? "link" : "file");
        QFile::remove(path("out"));
        OutputFile file = keep("out");
        ASSERT_TRUE(file.create().isOk());
        ASSERT_TRUE(file.writeAt(0, "new", 3).isOk());
        if (asLink) {
            ASSERT_TRUE(QFile::link(path("nowhere"), path("out")));
        } else {
            writeOld("out");
        }
        EXPECT_TRUE(file.commit().failed());
        EXPECT_EQ(entries(), (QStringList{"dangling", "out"}));
        EXPECT_EQ(contents("out"), asLink ? "" : "old");
    }
    OutputFile fresh = keep("fresh");
    ASSERT_TRUE(fresh.create().isOk());
    ASSERT_TRUE(fresh.commit().isOk());
    EXPECT_TRUE(QFileInfo::exists(path("fresh")));

    // Without superuser rights too, both ways of putting a file in place work (the result is
    // the step that failed).
    ASSERT_TRUE(QDir(dir_.path()).mkdir("shared"));
    ASSERT_TRUE(test::openForPassage(dir_.path()));
    ASSERT_TRUE(QFile::setPermissions(path("shared"), QFileDevice::Permissions(0x7777)));
    const int failedStep = test::runUnprivileged([this] {
        const QByteArray target = QFile::encodeName(path("shared/out"));
        int step = 0;
        for (const ExistingTarget existing : {ExistingTarget::Keep, ExistingTarget::Replace}) {
            OutputFile file(target, existing);
            if (++step, file.create().failed()) return step;
            if (++step, file.commit().failed()) return step;
        }
        return 0;
    });
    EXPECT_EQ(failedStep, 0);
    EXPECT_EQ(QDir(path("shared")).entryList(QDir::Files | QDir::Hidden), QStringList{"out"});
}

}  // namespace
}  // namespace glint
