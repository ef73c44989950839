#include "sharedfile.h"

#include "codepage.h"
#include "workdir.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(SharedFile, ReadsARegularFile)
{
    ScopedWorkDir dir;
    ScopedWorkDir::write("f.txt", "hello");
    int error = 0;
    auto file = SharedFile::open("f.txt", error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 5u);
    char buffer[16];
    EXPECT_EQ(file->read(buffer, sizeof buffer, error), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(file->read(buffer, sizeof buffer, error), 0);
}

TEST(SharedFile, RefusesWhatIsNoRegularFile)
{
    ScopedWorkDir dir;
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    int error = 0;
    EXPECT_FALSE(SharedFile::open("fifo", error)); // must not block
    EXPECT_EQ(error, SharedFile::NotRegularFile);
    EXPECT_FALSE(SharedFile::open("/dev/zero", error));
    EXPECT_EQ(error, SharedFile::NotRegularFile);
    EXPECT_FALSE(SharedFile::open("cardimages", error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(SharedFile::open("missing", error));
    EXPECT_EQ(error, ENOENT);
}

TEST(SharedFile, RefusesAFileLockedByAWriter)
{
    ScopedWorkDir dir;
    ScopedWorkDir::write("f.txt", "x");
    const int writer = ::open("f.txt", O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    int error = 0;
    EXPECT_FALSE(SharedFile::open("f.txt", error));
    EXPECT_EQ(error, EWOULDBLOCK);
    flock(writer, LOCK_UN);

    // A POSIX record lock taken for writing keeps readers out as well; it has
    // to be held by another process to be seen.
    const pid_t child = fork();
    if (child == 0) {
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        fcntl(writer, F_SETLK, &lock);
        sleep(5);
        _exit(0);
    }
    usleep(200000);
    EXPECT_FALSE(SharedFile::open("f.txt", error));
    EXPECT_EQ(error, EWOULDBLOCK);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ::close(writer);
}

// Every reason the system can give is told in Japanese, without the full
// stop that the message adds: no letter of the system's English text.
TEST(SharedFile, DescribesEveryFailureInJapaneseWithoutFullStop)
{
    EXPECT_EQ(CodePage::toUtf8(describeFileError(ENOENT)), "指定されたファイルが見つかりません");
    EXPECT_EQ(CodePage::toUtf8(describeFileError(EWOULDBLOCK)), "別のプログラムがこのファイルを使用中です");
    for (int error = SharedFile::NotRegularFile; error <= 200; ++error) {
        const QString text = CodePage::toQString(describeFileError(error));
        ASSERT_FALSE(text.isEmpty()) << error;
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) << error << ": " << text.toStdString();
        EXPECT_FALSE(text.endsWith(QLatin1Char('.')) || text.endsWith(QStringLiteral("。")) || text.endsWith(QLatin1Char(' ')))
            << error;
    }
    EXPECT_TRUE(CodePage::toQString(describeFileError(4321)).contains(QStringLiteral("4321")))
        << "a reason of no known kind gives its number";
}
