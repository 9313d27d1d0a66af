// Saving writes aside and renames: names of every length and encoding reach
// the system as given, the new file keeps the old one's owner and group, other
// hard links keep their content, and what a killed save left is removed by
// the next save of the same file.
#include "common/filename.h"
#include "common/savefile.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orugif;

namespace {

// Files are looked at through their bytes, as the system knows them.
QByteArray nativePath(const QTemporaryDir& dir, const QByteArray& name) { return QFile::encodeName(dir.path()) + '/' + name; }

QByteArray contentOf(const QByteArray& path)
{
    QFile file;
    QString reason;
    if (!openForReading(file, fileNameFromBytes(path), reason))
        return "(missing: " + reason.toUtf8() + ")";
    return file.readAll();
}

void put(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// The names in the folder as the system holds them, hidden ones too.
QList<QByteArray> namesIn(const QTemporaryDir& dir)
{
    QList<QByteArray> names;
    DIR* d = ::opendir(QFile::encodeName(dir.path()).constData());
    while (const dirent* e = d ? ::readdir(d) : nullptr)
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << QByteArray(e->d_name);
    if (d)
        ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// Removes files whose names Qt cannot spell, which QTemporaryDir would leave.
void removeAll(const QTemporaryDir& dir)
{
    for (const QByteArray& name : namesIn(dir))
        ::unlink(nativePath(dir, name).constData());
}

} // namespace

// --- names -------------------------------------------------------------------

struct NameCase {
    const char* label;
    QByteArray bytes;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << c.label; }

class FileNameBytes : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameBytes, surviveTheWayThroughTextAndAreWrittenAsGiven)
{
    const QByteArray bytes = GetParam().bytes;
    const QString name = fileNameFromBytes(bytes);
    EXPECT_EQ(fileNameBytes(name), bytes);
    EXPECT_EQ(hasRawBytes(name), QString::fromUtf8(bytes).toUtf8() != bytes);

    QTemporaryDir dir;
    writeFileSafely(fileNameFromBytes(nativePath(dir, bytes)), "content");
    EXPECT_EQ(namesIn(dir).size(), 1);
    EXPECT_EQ(contentOf(nativePath(dir, bytes)), "content");
    removeAll(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameBytes,
    ::testing::Values(NameCase{"ascii", "plain.gif"}, NameCase{"utf8", "\xc3\xa9t\xc3\xa9-\xf0\x9f\x98\x80.gif"},
                      NameCase{"latin1", "holiday-\xe9.gif"}, NameCase{"loneContinuation", "a\x80\xbf.gif"},
                      NameCase{"truncatedSequence", "a\xe2\x82.gif"}, NameCase{"overlongSlash", "a\xc0\xaf.gif"},
                      NameCase{"encodedSurrogate", "a\xed\xa0\x80.gif"}, NameCase{"pastUnicode", "a\xf4\x90\x80\x80.gif"},
                      NameCase{"lastByteRaw", "a.gif\xff"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FileNameBytes, rawBytesAreShownAsEscapes)
{
    EXPECT_EQ(displayName(fileNameFromBytes("holiday-\xe9.gif")), "holiday-\\xe9.gif");
    EXPECT_EQ(displayName(QStringLiteral("été.gif")), "été.gif");
}

// --- the file written aside --------------------------------------------------

class LongName : public ::testing::TestWithParam<int> {};

TEST_P(LongName, isOverwrittenAndLeavesNoTemporary)
{
    QTemporaryDir dir;
    const QByteArray name = QByteArray(GetParam() - 4, 'n') + ".gif";
    put(nativePath(dir, name), "old");
    writeFileSafely(fileNameFromBytes(nativePath(dir, name)), "new");
    EXPECT_EQ(contentOf(nativePath(dir, name)), "new");
    EXPECT_EQ(namesIn(dir), QList<QByteArray>{name});
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongName, ::testing::Values(249, 250, 254, 255));

TEST(WriteAside, anotherHardLinkKeepsTheOldContent)
{
    QTemporaryDir dir;
    put(nativePath(dir, "a.gif"), "old");
    ASSERT_EQ(::link(nativePath(dir, "a.gif").constData(), nativePath(dir, "b.gif").constData()), 0);
    writeFileSafely(dir.filePath("a.gif"), "new");
    EXPECT_EQ(contentOf(nativePath(dir, "a.gif")), "new");
    EXPECT_EQ(contentOf(nativePath(dir, "b.gif")), "old");
}

TEST(WriteAside, aSymbolicLinkIsFollowedToTheFileItNames)
{
    QTemporaryDir dir;
    put(nativePath(dir, "real.gif"), "old");
    ASSERT_EQ(::symlink("real.gif", nativePath(dir, "link.gif").constData()), 0);
    writeFileSafely(dir.filePath("link.gif"), "new");
    EXPECT_EQ(contentOf(nativePath(dir, "real.gif")), "new");
    struct stat st{};
    ASSERT_EQ(::lstat(nativePath(dir, "link.gif").constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(WriteAside, theModeIsKept)
{
    QTemporaryDir dir;
    put(nativePath(dir, "a.gif"), "old");
    ASSERT_EQ(::chmod(nativePath(dir, "a.gif").constData(), 0640), 0);
    writeFileSafely(dir.filePath("a.gif"), "new");
    struct stat st{};
    ASSERT_EQ(::stat(nativePath(dir, "a.gif").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(WriteAside, theOwnerAndGroupAreKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    QTemporaryDir dir;
    put(nativePath(dir, "a.gif"), "old");
    // nobody, and a group that is not root's.
    ASSERT_EQ(::chown(nativePath(dir, "a.gif").constData(), 65534, 100), 0);
    ASSERT_EQ(::chmod(nativePath(dir, "a.gif").constData(), 0600), 0);
    writeFileSafely(dir.filePath("a.gif"), "new");
    struct stat st{};
    ASSERT_EQ(::stat(nativePath(dir, "a.gif").constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 100u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(contentOf(nativePath(dir, "a.gif")), "new");
}

TEST(WriteAside, aWriteProtectedFileIsLeftAsItIs)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    QTemporaryDir dir;
    put(nativePath(dir, "a.gif"), "old");
    ASSERT_EQ(::chmod(nativePath(dir, "a.gif").constData(), 0444), 0);
    try {
        writeFileSafely(dir.filePath("a.gif"), "new");
        FAIL() << "written";
    } catch (const SaveError& e) {
        EXPECT_EQ(e.reason(), "permission refusée");
    }
    EXPECT_EQ(contentOf(nativePath(dir, "a.gif")), "old");
}

TEST(WriteAside, whatAKilledSaveLeftIsRemovedByTheNextSaveOfTheSameFile)
{
    QTemporaryDir dir;
    const QByteArray stale = temporaryPrefix("a.gif") + "abc123.tmp";
    const QByteArray live = temporaryPrefix("a.gif") + "def456.tmp";
    const QByteArray otherFile = temporaryPrefix("b.gif") + "abc123.tmp";
    for (const QByteArray& n : {stale, live, otherFile})
        put(nativePath(dir, n), "complete file");
    // A save still running holds its temporary locked.
    const int writer = ::open(nativePath(dir, live).constData(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);

    writeFileSafely(dir.filePath("a.gif"), "new");
    ::close(writer);
    const QList<QByteArray> names = namesIn(dir);
    QList<QByteArray> expected{"a.gif", live, otherFile};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(WriteAside, aFailedWriteKeepsThePreviousFileAndLeavesNoTemporary)
{
    QTemporaryDir dir;
    put(nativePath(dir, "a.gif"), "old");
    const int outcome = testsupport::withFileSizeLimit(1024, [&] {
        try {
            writeFileSafely(dir.filePath("a.gif"), QByteArray(4096, 'x'));
            return 1;
        } catch (const SaveError& e) {
            return e.reason() == "fichier trop volumineux" && e.message().startsWith("Impossible d'écrire le fichier") ? 0 : 2;
        }
    });
    EXPECT_EQ(outcome, 0) << "1: reported as a success; 2: another message";
    EXPECT_EQ(contentOf(nativePath(dir, "a.gif")), "old");
    EXPECT_EQ(namesIn(dir), QList<QByteArray>{"a.gif"});
}
