#include "picturetarget.h"

#include "loadmemory.h"
#include "picturedepth.h"
#include "pictureinput.h"

#include <cstring>

void makeTarget(Bitmap &target, PictureInput &input, int width, int height, int bitsPerPixel, ThenAsks then)
{
    target = Bitmap();
    target = LoadMemory::current().target(width, height, bitsPerPixel, then);
    input.allowFor(width, height);
}

Bitmap admitTarget(int width, int height, int bitsPerPixel, std::optional<PixelMemory::SharedWith> sharer)
{
    // The bitmap checks the caps, then, charged as its turned copy, is
    // admitted with room for two such copies (PixelReservation::tryTakePicture).
    const PixelFormat format = PixelFormatFor(bitsPerPixel);
    constexpr Bitmap::Charge charge = Bitmap::Charge::AsTurned;
    return sharer ? Bitmap(width, height, format, Bitmap::Unwritten, charge, *sharer)
                  : Bitmap(width, height, format, Bitmap::Unwritten, charge);
}

void drawOverWhite(const uint8_t *from, uint32_t *to, int count)
{
    // Four pixels at a time, a 16-bit lane for each channel, in which
    // channelOverWhite's c * a + 255 * (255 - a) + 127 is
    // 65152 - a * (255 - c), and for any x below 65535,
    // (x + 1 + (x >> 8)) >> 8 is x / 255.
    typedef uint16_t Lanes __attribute__((vector_size(32)));
    typedef uint8_t Bytes __attribute__((vector_size(16)));
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        Bytes bytes;
        std::memcpy(&bytes, from + 4 * x, sizeof bytes);
        const Lanes rgba = __builtin_convertvector(bytes, Lanes);
        const Lanes alpha = __builtin_shufflevector(rgba, rgba, 3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
        const Lanes sum = 65152 - alpha * (255 - rgba);
        const Lanes drawn = (sum + 1 + (sum >> 8)) >> 8;
        // Blue, green, red in the bytes of a little-endian word, then opaque.
        const Lanes bgrx = __builtin_shufflevector(drawn, drawn, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                           | Lanes{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
        bytes = __builtin_convertvector(bgrx, Bytes);
        std::memcpy(to + x, &bytes, sizeof bytes);
    }
    for (; x < count; ++x) {
        const uint8_t *p = from + 4 * x;
        to[x] = 0xFF000000u | overWhite(p[0], p[1], p[2], p[3]);
    }
}

void whitenRowsFrom(Bitmap &target, int first)
{
    for (int y = first; y < target.height(); ++y)
        std::memset(target.scanLine(y), 0xFF, target.bytesPerLine());
}

void writeIndices(Bitmap &target, int y, const uint8_t *values, const uint8_t *indexFor)
{
    const int width = target.width();
    const int bits = bitsPerPixel(target.pixelFormat());
    uint8_t *to = target.scanLine(y);
    if (bits == 8) {
#pragma GCC unroll 8
        for (int x = 0; x < width; ++x)
            to[x] = indexFor[values[x]];
        return;
    }
    const int perByte = 8 / bits;
    for (int x = 0; x < width; x += perByte) {
        unsigned byte = 0;
        for (int i = 0; i < perByte; ++i)
            byte = byte << bits | (x + i < width ? indexFor[values[x + i]] : 0u);
        to[x / perByte] = uint8_t(byte);
    }
}

bool concludeLoad(const std::exception_ptr &error, bool decoded, Bitmap &target, int rowsDone)
{
    if (error)
        std::rethrow_exception(error);
    if (!decoded)
        whitenRowsFrom(target, rowsDone);
    return decoded;
}
