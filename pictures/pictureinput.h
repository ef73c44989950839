#pragma once

// A picture file opened for one load: a regular file that can be read, with
// its first bytes already in a buffer that the decoders go on reading
// through.

#include "filesource.h"
#include "sharedfile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class PictureInput
{
public:
    // No picture file needs more than this: the largest bitmap's pixels
    // twice over, with room for headers.
    static constexpr size_t MaxFileBytes = (size_t{512} << 20) + (size_t{1} << 20);
    static constexpr size_t BufferSize = 64 * 1024;

    // Opens utf8Path and reads its first bytes. A file that is missing, no
    // regular file, unreadable, empty or too large is not open.
    explicit PictureInput(const std::string &utf8Path);

    bool isOpen() const { return m_file.has_value() && m_filled > 0; }
    // The file's size when it was opened.
    size_t size() const { return m_file ? m_file->size() : 0; }

    // The buffer, which holds the first headSize() bytes of the file until a
    // read replaces them.
    unsigned char *buffer() const { return m_buffer.get(); }
    size_t headSize() const { return m_filled; }

    // Reads up to size more bytes into buffer; 0 at the end of the file,
    // below 0 on a failed read.
    long read(unsigned char *into, size_t size);
    // The same file for a C-style decoder, from its first bytes on.
    FileSource source();
    // The whole file, its first bytes included, as long as no read has
    // replaced them; false when a read fails or it passes MaxFileBytes.
    bool readAll(std::string &bytes);

private:
    std::optional<SharedFile> m_file;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_filled = 0;
};
