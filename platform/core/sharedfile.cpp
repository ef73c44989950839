#include "sharedfile.h"

#include "codepage.h"

#include <cerrno>
#include <string>
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
    std::optional<SharedFile> file = adopt(fd, error);
    if (file && (flock(fd, LOCK_SH | LOCK_NB) != 0 || hasForeignWriteLock(fd))) {
        error = EWOULDBLOCK;
        return std::nullopt;
    }
    return file;
}

std::optional<SharedFile> SharedFile::adopt(int fd, int &error)
{
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
    // Every reason an open, a lock or a read of a file can give, in the
    // window's language: the system's own texts are English.
    static const struct
    {
        int error;
        const char8_t *text;
    } reasons[] = {
        {ENOENT, u8"指定されたファイルが見つかりません"},
        {ENOTDIR, u8"パスの途中にフォルダーでないものがあります"},
        {EISDIR, u8"ファイルではなくフォルダーです"},
        {EACCES, u8"アクセスが拒否されました"},
        {EPERM, u8"アクセスが拒否されました"},
        {EWOULDBLOCK, u8"別のプログラムがこのファイルを使用中です"},
        {SharedFile::NotRegularFile, u8"通常のファイルではありません"},
        {ELOOP, u8"シンボリックリンクが多すぎるか、循環しています"},
        {ENAMETOOLONG, u8"ファイル名が長すぎます"},
        {EMFILE, u8"このプログラムが開いているファイルが多すぎます"},
        {ENFILE, u8"システムで開かれているファイルが多すぎます"},
        {ENXIO, u8"デバイスが存在しません"},
        {ENODEV, u8"デバイスがこの操作に対応していません"},
        {EIO, u8"入出力エラーが発生しました"},
        {EOVERFLOW, u8"ファイルが大きすぎて扱えません"},
        {EFBIG, u8"ファイルが大きすぎます"},
        {ETXTBSY, u8"ファイルは実行中のプログラムが使用しています"},
        {ENOMEM, u8"メモリが不足しています"},
        {EINTR, u8"操作が中断されました"},
        {EINVAL, u8"ファイルをこの方法では読み込めません"},
        {ESTALE, u8"ファイルの参照が古くなっています"},
        {ETIMEDOUT, u8"接続がタイムアウトしました"},
        {EOPNOTSUPP, u8"この操作には対応していません"},
        {ENOLCK, u8"ファイルをロックできません"},
        {EDEADLK, u8"ロックを待つとデッドロックになります"},
        {EBADF, u8"ファイル記述子が正しくありません"},
        {EFAULT, u8"アドレスが正しくありません"},
        {ENOSPC, u8"ディスクに空きがありません"},
        {EROFS, u8"読み取り専用のファイルシステムです"},
        {ENOTCONN, u8"接続されていません"},
        {EHOSTDOWN, u8"ホストが停止しています"},
        {ENOMEDIUM, u8"メディアがありません"},
        {EREMOTEIO, u8"リモートの入出力エラーが発生しました"},
        {ECONNRESET, u8"接続がリセットされました"},
        {ENETDOWN, u8"ネットワークが停止しています"},
        {ENETUNREACH, u8"ネットワークに到達できません"},
        {EHOSTUNREACH, u8"ホストに到達できません"},
        {ECONNREFUSED, u8"接続が拒否されました"},
        {EKEYEXPIRED, u8"キーの有効期限が切れています"},
        {EKEYREJECTED, u8"キーが拒否されました"},
        {ENOKEY, u8"必要なキーがありません"},
        {EDQUOT, u8"ディスクの使用量の上限を超えています"},
    };
    for (const auto &reason : reasons) {
        if (reason.error == error)
            return CodePage::fromUtf8(reinterpret_cast<const char *>(reason.text));
    }
    // Without a full stop: the message adds its own.
    return CodePage::fromUtf8("システムエラーが発生しました（エラー番号 " + std::to_string(error) + "）");
}
