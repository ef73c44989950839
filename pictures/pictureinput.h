#pragma once

// A picture file opened for one load, read through a buffer, with an
// allowance: a load reads and works at most in proportion to its picture's
// pixels, however large or however made its file is.
//
// Before the picture's size is known a load may go ExtraAllowance into the
// file: room for any header, colour table, profile, preview or comment an
// encoder writes. Once the size is known (allowFor) it may go on for
// AllowancePerPixel more bytes for each pixel. Bytes passed over count as
// bytes read, and so does work that reads little but costs much (spend),
// such as data that decompresses to nothing. Nothing past the allowance is
// ever read; a load that runs out of it before its pixels are complete has
// asked for more work than any picture of its size needs.
//
// A load on a thread beside the window that is given up (Worker::stopRequested) reads
// nothing more: it ends at its next block of input as if the file ended
// there, and what it leaves is thrown away.

#include "filesource.h"
#include "sharedfile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class PictureInput
{
public:
    static constexpr size_t BufferSize = 64 * 1024;
    // An ordinary photograph carries some 100 KiB beside its pixels (EXIF
    // with a preview of at most 64 KiB, a colour profile of a few KiB);
    // the largest profiles and XMP packets stay well under 16 MiB.
    static constexpr size_t ExtraAllowance = size_t{16} << 20;
    // Four times a pixel in 32-bit colour: twice what the costliest file an
    // encoder writes needs (16-bit colour with alpha, stored uncompressed).
    static constexpr size_t AllowancePerPixel = 16;

    // Opens utf8Path and reads its first bytes. A file that is missing, no
    // regular file, unreadable or empty is not open.
    explicit PictureInput(const std::string &utf8Path);
    // The same over a file opened already, such as one that the window's
    // process hands to a decoder process; none is not open.
    explicit PictureInput(std::optional<SharedFile> file);

    bool isOpen() const { return m_file.has_value() && m_end > 0; }

    // The file's first bytes, as long as nothing has been taken.
    const unsigned char *head() const { return m_buffer.get(); }
    size_t headSize() const { return m_end; }

    // Raises the allowance to what a picture of width by height may need.
    void allowFor(int width, int height);

    // The buffered bytes not yet taken, refilled from the file when none are
    // left; all of them are taken by the call, and stay valid until the next
    // call of any of these. 0 at the end of the file or of the allowance.
    size_t next(const unsigned char **bytes);
    // Gives back the last count bytes that next() returned, to be taken
    // again.
    void putBack(size_t count) { m_at -= count; }
    // Copies the next count bytes into `into`; how many there were.
    size_t take(unsigned char *into, size_t count);
    // The next byte; false at the end of the file or of the allowance.
    bool get(unsigned char &byte)
    {
        if (m_at == m_end && !refill())
            return false;
        byte = m_buffer[m_at++];
        return true;
    }
    // How far into the file the reading is.
    size_t offset() const { return m_position - (m_end - m_at); }
    // Passes over count bytes, seeking past what is not buffered; false when
    // the file or the allowance ends first.
    bool pass(size_t count);
    // Work beyond reading, counted as that many bytes read; false when the
    // allowance is spent.
    bool spend(size_t bytes);

    // The same file for the C-style decoders.
    FileSource source();

private:
    bool refill();
    size_t room() const { return m_allowance > m_used ? m_allowance - m_used : 0; }

    std::optional<SharedFile> m_file;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_at = 0;        // the first byte of the buffer not yet taken
    size_t m_end = 0;       // the end of what the buffer holds
    size_t m_position = 0;  // of the buffer's end in the file
    size_t m_used = 0;      // bytes read or passed over, and work spent
    size_t m_allowance = ExtraAllowance;
};
