#include "sharedfile.h"

#include "codepage.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int openReadOnly(const std::string &path)
{
    int fd;
    do {
        // O_NONBLOCK: opening a FIFO must not wait for a writer, and it stays
        // on: reading a regular file never waits for it, but a special file
        // that passes for a regular one (a kernel log under /proc) would wait
        // forever without it.
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// True when another program holds a POSIX write lock on any part of the file.
bool hasForeignWriteLock(int fd)
{
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (fcntl(fd, F_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

} // namespace

std::optional<SharedFile> SharedFile::open(const std::string &utf8Path, int &error)
{
    const int fd = openReadOnly(utf8Path);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        error = errno;
        ::close(fd);
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode) || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : NotRegularFile;
        ::close(fd);
        return std::nullopt;
    }
    if (flock(fd, LOCK_SH | LOCK_NB) != 0 || hasForeignWriteLock(fd)) {
        error = EWOULDBLOCK;
        ::close(fd);
        return std::nullopt;
    }
    return SharedFile(fd, static_cast<size_t>(info.st_size));
}

SharedFile::SharedFile(SharedFile &&other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

SharedFile &SharedFile::operator=(SharedFile &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_size = other.m_size;
        other.m_fd = -1;
    }
    return *this;
}

SharedFile::~SharedFile()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing also drops the shared lock
}

long SharedFile::read(char *buffer, size_t size, int &error)
{
    ssize_t got;
    do {
        got = ::read(m_fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        error = errno;
    return static_cast<long>(got);
}

bool SharedFile::skip(size_t count, int &error)
{
    if (count > size_t(std::numeric_limits<off_t>::max()) || lseek(m_fd, off_t(count), SEEK_CUR) < 0) {
        error = count > size_t(std::numeric_limits<off_t>::max()) ? EOVERFLOW : errno;
        return false;
    }
    return true;
}

std::string describeFileError(int error)
{
    const char8_t *ours = nullptr;
    switch (error) {
    case ENOENT: ours = u8"指定されたファイルが見つかりません"; break;
    case ENOTDIR: ours = u8"パスの途中にフォルダーでないものがあります"; break;
    case EISDIR: ours = u8"ファイルではなくフォルダーです"; break;
    case EACCES:
    case EPERM: ours = u8"アクセスが拒否されました"; break;
    case EWOULDBLOCK: ours = u8"別のプログラムがこのファイルを使用中です"; break;
    case SharedFile::NotRegularFile: ours = u8"通常のファイルではありません"; break;
    default: break;
    }
    std::string text = ours ? CodePage::fromUtf8(reinterpret_cast<const char *>(ours))
                            : CodePage::fromUtf8(std::strerror(error));
    // The message adds its own full stop: drop trailing blanks, control
    // characters and full stops of the system's text.
    while (!text.empty()) {
        const auto last = static_cast<unsigned char>(text.back());
        if (last > ' ' && last != '.')
            break;
        text.pop_back();
    }
    return text;
}
