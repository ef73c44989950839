#include "hostilefiles.h"

#include <zlib.h>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

void put32(std::string &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(value >> shift & 0xFF);
}

} // namespace

std::string pngChunk(const char type[4], const std::string &data)
{
    std::string chunk;
    put32(chunk, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    chunk += body;
    put32(chunk, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(body.data()), uInt(body.size()))));
    return chunk;
}

std::string pngFile(int width, int height, int bitDepth, int colourType, const std::string &imageData,
                    const std::string &chunksBefore)
{
    std::string header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header += char(bitDepth);
    header += char(colourType);
    header += std::string(3, '\0'); // deflate, adaptive filters, no interlace
    return "\x89PNG\r\n\x1A\n" + pngChunk("IHDR", header) + chunksBefore + pngChunk("IDAT", imageData)
           + pngChunk("IEND", {});
}

std::string deflated(const std::string &bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    std::string out(size, '\0');
    if (compress(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(bytes.data()),
                 uLong(bytes.size()))
        != Z_OK)
        throw std::runtime_error("compress");
    out.resize(size);
    return out;
}

std::string deflatedZeros(size_t count)
{
    z_stream stream = {};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflateInit");
    const std::string zeros(1 << 20, '\0');
    std::string out;
    char buffer[1 << 16];
    for (;;) {
        const size_t now = std::min(count, zeros.size());
        count -= now;
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
        stream.avail_in = uInt(now);
        const int flush = count == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer);
            stream.avail_out = sizeof buffer;
            result = deflate(&stream, flush);
            out.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
        if (result == Z_STREAM_END)
            break;
    }
    deflateEnd(&stream);
    return out;
}

void writeSparse(const std::string &path, const std::string &head, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, head.data(), head.size()) != ssize_t(head.size())
        || ::ftruncate(fd, off_t(size)) != 0 || ::close(fd) != 0)
        throw std::runtime_error("cannot write " + path);
}
