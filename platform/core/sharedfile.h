#pragma once

// A file opened for reading as the program's readers need it: it must exist
// and be a regular file (a FIFO or device would block or never end), and
// while it is open other readers may share it but a writer holding a lock on
// it keeps us out.

#include <cstddef>
#include <optional>
#include <string>

class SharedFile
{
public:
    // Our own error code beside errno's: the name is not a regular file.
    static constexpr int NotRegularFile = -1;

    // Opens utf8Path; on failure returns nothing and sets error to an errno
    // value or NotRegularFile. EWOULDBLOCK means another program locks it.
    static std::optional<SharedFile> open(const std::string &utf8Path, int &error);
    // A file that open() opened in another process and handed over, as the
    // window's process hands a picture to a decoder process: the descriptor
    // is taken, and closed on failure with error set. The lock is the
    // opener's, held as long as it keeps the file open.
    static std::optional<SharedFile> adopt(int fd, int &error);

    SharedFile(SharedFile &&other) noexcept;
    SharedFile &operator=(SharedFile &&other) noexcept;
    SharedFile(const SharedFile &) = delete;
    SharedFile &operator=(const SharedFile &) = delete;
    ~SharedFile();

    // Reads up to size bytes; 0 at the end of the file. Returns -1 and sets
    // error on a failed read.
    long read(char *buffer, size_t size, int &error);
    // Moves count bytes on without reading them, as far as the file's end
    // or past it; false, with error set, when the file cannot be sought.
    bool skip(size_t count, int &error);
    size_t size() const { return m_size; }
    // The open file, to hand over to another process; this one keeps it.
    int descriptor() const { return m_fd; }

private:
    SharedFile(int fd, size_t size) : m_fd(fd), m_size(size) {}
    int m_fd = -1;
    size_t m_size = 0;
};

// A short description of an error code of SharedFile, in code page 932,
// without a full stop, in Japanese: our own words for every reason a file
// can fail to open or read, and for any other its number.
std::string describeFileError(int error);
