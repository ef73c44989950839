#include "hostilefiles.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <iterator>
#include <stdexcept>
#include <unistd.h>
#include <vector>

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

std::string withDataInChunksOf(const std::string &png, size_t bytes)
{
    const auto bigEndian = [&png](size_t at) {
        uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i)
            value = value << 8 | uint8_t(png[at + i]);
        return value;
    };
    std::string before = png.substr(0, 8), data, after;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = bigEndian(at);
        const std::string type = png.substr(at + 4, 4);
        if (type == "IDAT")
            data += png.substr(at + 8, length);
        else
            (data.empty() ? before : after) += png.substr(at, length + 12);
        at += length + 12;
    }
    std::string chunks;
    for (size_t at = 0; at < data.size(); at += bytes)
        chunks += pngChunk("IDAT", data.substr(at, bytes));
    return before + chunks + after;
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

void writeSparse(const std::string &path, const std::string &head, size_t size, const std::string &tail)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, head.data(), head.size()) != ssize_t(head.size())
        || ::ftruncate(fd, off_t(size)) != 0
        || ::pwrite(fd, tail.data(), tail.size(), off_t(size - tail.size())) != ssize_t(tail.size())
        || ::close(fd) != 0)
        throw std::runtime_error("cannot write " + path);
}

namespace {

void putLittle16(std::string &out, uint32_t value)
{
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}

void putLittle32(std::string &out, uint32_t value)
{
    putLittle16(out, value & 0xFFFF);
    putLittle16(out, value >> 16);
}

// Bytes into the data blocks of a GIF picture, and the empty block after.
std::string gifBlocks(const std::string &data)
{
    std::string out;
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t length = std::min<size_t>(255, data.size() - at);
        out += char(length);
        out += data.substr(at, length);
    }
    return out + '\0';
}

} // namespace

std::string gifOfClearCodes(size_t count)
{
    // Two colours, codes of 3 bits: 4 is the clear code, 5 the end.
    std::string out = "GIF89a";
    putLittle16(out, 1);
    putLittle16(out, 1);
    out += std::string("\x80\0\0\0\0\0\xFF\xFF\xFF", 9); // a table of black and white
    out += ',';
    putLittle16(out, 0); // at the top left
    putLittle16(out, 0);
    putLittle16(out, 1); // 1 by 1
    putLittle16(out, 1);
    out += '\0';        // no table of its own, not interlaced
    out += char(2);     // the smallest code size
    std::string data;
    uint32_t bits = 0;
    int held = 0;
    const auto code = [&](uint32_t value) {
        bits |= value << held;
        held += 3;
        while (held >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            held -= 8;
        }
    };
    for (size_t i = 0; i < count; ++i)
        code(4);
    code(1); // the pixel, white
    code(5);
    if (held > 0)
        data += char(bits & 0xFF);
    return out + gifBlocks(data) + ';';
}

std::string gifOfClearedRuns(int width, int height, size_t count)
{
    // Four colours, codes from 3 bits: 4 is the clear code, 5 the end.
    std::string out = "GIF89a";
    putLittle16(out, uint32_t(width));
    putLittle16(out, uint32_t(height));
    out += std::string("\x81\0\0" "\0\0\0" "\xFF\xFF\xFF" "\xFF\0\0" "\0\0\xFF", 15);
    out += ',';
    putLittle16(out, 0);
    putLittle16(out, 0);
    putLittle16(out, uint32_t(width));
    putLittle16(out, uint32_t(height));
    out += '\0';
    out += char(2);
    const size_t pixels = size_t(width) * size_t(height);
    static const size_t runs[] = {1, 3, 30, 300, 5000};
    // The runs, each but the last followed by a clear code.
    std::vector<size_t> lengths;
    for (size_t done = 0, k = 0; done < pixels; k = (k + 1) % std::size(runs)) {
        lengths.push_back(std::min(runs[k], pixels - done));
        done += lengths.back();
    }
    if (count + 1 < lengths.size())
        throw std::invalid_argument("a GIF of these runs needs more clear codes");
    std::string data;
    uint64_t bits = 0;
    int held = 0, codeWidth = 3, next = 6, limit = 8;
    // Every code counts towards the next width, the clear code too; the
    // width stays at 12 bits once there.
    const auto code = [&](uint32_t value) {
        bits |= uint64_t(value) << held;
        for (held += codeWidth; held >= 8; held -= 8, bits >>= 8)
            data += char(bits & 0xFF);
        if (next < 4097 && ++next > limit && codeWidth < 12) {
            limit <<= 1;
            ++codeWidth;
        }
        if (value == 4) {
            codeWidth = 3;
            next = 6;
            limit = 8;
        }
    };
    for (size_t i = 0; i + lengths.size() - 1 < count; ++i)
        code(4);
    size_t pixel = 0;
    for (size_t run = 0; run < lengths.size(); ++run) {
        for (size_t i = 0; i < lengths[run]; ++i, ++pixel)
            code(uint32_t(pixel / 7 % 4));
        if (run + 1 < lengths.size())
            code(4);
    }
    code(5);
    if (held > 0)
        data += char(bits & 0xFF);
    return out + gifBlocks(data) + ';';
}

std::string withGifComment(const std::string &gif, size_t count)
{
    const size_t table = (uint8_t(gif[10]) & 0x80) ? size_t(3) << ((uint8_t(gif[10]) & 7) + 1) : 0;
    std::string comment = "\x21\xFE";
    comment.reserve(2 * count + 3);
    for (size_t i = 0; i < count; ++i)
        comment += "\x01x";
    comment += '\0';
    return gif.substr(0, 13 + table) + comment + gif.substr(13 + table);
}

std::string bmpOfEmptyMoves(size_t count)
{
    std::string rows;
    rows.reserve(4 * count + 8);
    for (size_t i = 0; i < count; ++i)
        rows += std::string("\0\x02\0\0", 4);
    rows += std::string("\x01\x00\0\0\0\x01", 6); // the pixel, its row's end, the picture's end
    const uint32_t offset = 14 + 40 + 2 * 4;
    std::string bmp = "BM";
    putLittle32(bmp, offset + uint32_t(rows.size()));
    putLittle32(bmp, 0);
    putLittle32(bmp, offset);
    putLittle32(bmp, 40);
    putLittle32(bmp, 1); // 1 by 1
    putLittle32(bmp, 1);
    putLittle16(bmp, 1); // planes
    putLittle16(bmp, 8); // bits per pixel
    putLittle32(bmp, 1); // run-length encoded, 8 bits
    putLittle32(bmp, uint32_t(rows.size()));
    putLittle32(bmp, 0);
    putLittle32(bmp, 0);
    putLittle32(bmp, 2); // colours
    putLittle32(bmp, 0);
    putLittle32(bmp, 0x000000);
    putLittle32(bmp, 0xFFFFFF);
    return bmp + rows;
}

std::string deflatedAfterEmptyBlocks(const std::string &bytes, size_t count)
{
    std::string stream = deflated(bytes);
    std::string blocks;
    blocks.reserve(5 * count);
    for (size_t i = 0; i < count; ++i)
        blocks += std::string("\0\0\0\xFF\xFF", 5); // not final, stored, no bytes
    // After zlib's two-byte header; its checksum of the bytes stays right.
    return stream.substr(0, 2) + blocks + stream.substr(2);
}
