#include "pictureinput.h"

PictureInput::PictureInput(const std::string &utf8Path)
    : m_buffer(std::make_unique_for_overwrite<unsigned char[]>(BufferSize))
{
    int error = 0;
    if (!utf8Path.empty())
        m_file = SharedFile::open(utf8Path, error);
    if (!m_file || m_file->size() > MaxFileBytes)
        return;
    // A file that fits the buffer comes in one read: once the bytes that it
    // held when it was opened are in, no second read looks for its end. (A
    // special file may say it is empty and still hold bytes.)
    const size_t opened = m_file->size();
    while (m_filled < BufferSize && (m_filled == 0 || m_filled != opened)) {
        const long got = read(m_buffer.get() + m_filled, BufferSize - m_filled);
        if (got < 0)
            m_filled = 0;
        if (got <= 0)
            break;
        m_filled += size_t(got);
    }
}

long PictureInput::read(unsigned char *into, size_t size)
{
    int error = 0;
    return m_file->read(reinterpret_cast<char *>(into), size, error);
}

FileSource PictureInput::source()
{
    const auto readMore = [](void *input, unsigned char *into, size_t size) {
        return static_cast<PictureInput *>(input)->read(into, size);
    };
    return {readMore, this, m_buffer.get(), BufferSize, m_filled};
}

bool PictureInput::readAll(std::string &bytes)
{
    bytes.assign(reinterpret_cast<const char *>(m_buffer.get()), m_filled);
    if (m_filled < BufferSize)
        return true;
    bytes.reserve(size() + 1);
    for (;;) {
        const size_t at = bytes.size();
        if (at > MaxFileBytes)
            return false;
        bytes.resize(at + BufferSize);
        const long got = read(reinterpret_cast<unsigned char *>(bytes.data() + at), BufferSize);
        if (got < 0)
            return false;
        bytes.resize(at + size_t(got));
        if (got == 0)
            return true;
    }
}
