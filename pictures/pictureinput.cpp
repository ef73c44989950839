#include "pictureinput.h"

#include "workerthread.h"

#include <algorithm>
#include <cstring>

namespace {

std::optional<SharedFile> openPicture(const std::string &utf8Path)
{
    int error = 0;
    return utf8Path.empty() ? std::nullopt : SharedFile::open(utf8Path, error);
}

} // namespace

PictureInput::PictureInput(const std::string &utf8Path) : PictureInput(openPicture(utf8Path))
{
}

PictureInput::PictureInput(std::optional<SharedFile> file)
    : m_file(std::move(file)), m_buffer(std::make_unique_for_overwrite<unsigned char[]>(BufferSize))
{
    int error = 0;
    if (!m_file)
        return;
    // The head is read whole where the file has it, so that a format can be
    // told from it and a decoder finds its header there. A file that fits
    // the buffer comes in one read: once the bytes that it held when it was
    // opened are in, no second read looks for its end. (A special file may
    // say it is empty and still hold bytes.)
    const size_t opened = m_file->size();
    while (m_end < BufferSize && (m_end == 0 || m_end != opened)) {
        const long got = m_file->read(reinterpret_cast<char *>(m_buffer.get() + m_end), BufferSize - m_end, error);
        if (got < 0)
            m_end = 0;
        if (got <= 0)
            break;
        m_end += size_t(got);
    }
    m_position = m_used = m_end;
}

void PictureInput::allowFor(int width, int height)
{
    const size_t pixels = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    m_allowance = std::max(m_allowance, ExtraAllowance + AllowancePerPixel * pixels);
}

bool PictureInput::refill()
{
    if (!m_file || Worker::stopRequested())
        return false;
    if (room() == 0)
        return false;
    int error = 0;
    const long got = m_file->read(reinterpret_cast<char *>(m_buffer.get()), std::min(BufferSize, room()), error);
    if (got <= 0)
        return false;
    m_at = 0;
    m_end = size_t(got);
    m_position += m_end;
    m_used += m_end;
    return true;
}

size_t PictureInput::next(const unsigned char **bytes)
{
    if (m_at == m_end && !refill())
        return 0;
    *bytes = m_buffer.get() + m_at;
    const size_t count = m_end - m_at;
    m_at = m_end;
    return count;
}

size_t PictureInput::take(unsigned char *into, size_t count)
{
    size_t copied = 0;
    while (copied < count) {
        if (m_at == m_end && !refill())
            break;
        const size_t now = std::min(count - copied, m_end - m_at);
        std::memcpy(into + copied, m_buffer.get() + m_at, now);
        m_at += now;
        copied += now;
    }
    return copied;
}

bool PictureInput::pass(size_t count)
{
    const size_t buffered = std::min(count, m_end - m_at);
    m_at += buffered;
    count -= buffered;
    if (count == 0)
        return true;
    if (!m_file || Worker::stopRequested() || count > m_file->size() - std::min(m_position, m_file->size()))
        return false; // the file ends first: it is cut short, whatever the allowance
    if (count > room())
        return false;
    int error = 0;
    if (!m_file->skip(count, error))
        return false;
    m_position += count;
    m_used += count;
    return true;
}

bool PictureInput::spend(size_t bytes)
{
    if (Worker::stopRequested())
        return false;
    if (bytes > room()) {
        m_used = m_allowance;
        return false;
    }
    m_used += bytes;
    return true;
}

FileSource PictureInput::source()
{
    const auto next = [](void *input, const unsigned char **bytes) {
        return static_cast<PictureInput *>(input)->next(bytes);
    };
    const auto pass = [](void *input, size_t count) { return static_cast<PictureInput *>(input)->pass(count); };
    return {next, pass, this};
}
