#include "bitmap.h"

#include "codepage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr Rgb White = 0xFFFFFF;
constexpr uint32_t OpaqueWord = 0xFF000000u;

constexpr int red(Rgb c) { return int(c >> 16 & 0xFF); }
constexpr int green(Rgb c) { return int(c >> 8 & 0xFF); }
constexpr int blue(Rgb c) { return int(c & 0xFF); }
constexpr Rgb rgb(int r, int g, int b) { return Rgb(r) << 16 | Rgb(g) << 8 | Rgb(b); }

int distanceSquared(Rgb a, Rgb b)
{
    const int dr = red(a) - red(b), dg = green(a) - green(b), db = blue(a) - blue(b);
    return dr * dr + dg * dg + db * db;
}

// The halftone palette: 40 greys first, then the 6x6x6 cube with levels in
// steps of 51, so that white is entry 255 like the white of every other
// format is all bits set. Together with the cube's own six greys the ramp
// has 46 levels, round(k * 255 / 45) for k = 0 to 45; every ninth level is
// a grey of the cube.
constexpr int HalftoneGreys = 40;
constexpr int CubeStep = 51;
constexpr int RampSteps = 45;

constexpr int rampLevel(int k) { return (34 * k + 3) / 6; } // round(k * 17 / 3)
constexpr int cubeIndex(int r, int g, int b) { return HalftoneGreys + r * 36 + g * 6 + b; }
constexpr int rampIndex(int k) { return k % 9 == 0 ? cubeIndex(k / 9, k / 9, k / 9) : k - 1 - k / 9; }

std::vector<Rgb> halftonePalette()
{
    std::vector<Rgb> palette(256);
    for (int k = 0; k <= RampSteps; ++k)
        palette[rampIndex(k)] = rgb(rampLevel(k), rampLevel(k), rampLevel(k));
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette[cubeIndex(r, g, b)] = rgb(r * CubeStep, g * CubeStep, b * CubeStep);
    return palette;
}

const std::vector<Rgb> &paletteOf(PixelFormat format)
{
    static const std::vector<Rgb> none;
    static const std::vector<Rgb> twoColours = {0x000000, 0xFFFFFF};
    static const std::vector<Rgb> system16 = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
    };
    static const std::vector<Rgb> halftone = halftonePalette();
    switch (format) {
    case PixelFormat::Indexed1: return twoColours;
    case PixelFormat::Indexed4: return system16;
    case PixelFormat::Indexed8: return halftone;
    default: return none;
    }
}

// A grey's squared distance from a colour is the channels' own spread about
// their mean plus three times the square of the grey's distance from that
// mean, so the ramp's nearest grey depends on the sum of the channels alone:
// for each sum, the step whose level lies nearest to a third of it (the
// first of two as near), found next to mean * 45 / 255.
constexpr int MaxChannelSum = 3 * 255;
constexpr auto NearestRampStep = [] {
    const auto offMean = [](int k, int sum) {
        const int off = 3 * rampLevel(k) - sum;
        return off < 0 ? -off : off;
    };
    std::array<uint8_t, MaxChannelSum + 1> steps{};
    for (int sum = 0; sum <= MaxChannelSum; ++sum) {
        const int k0 = sum / 17;
        int best = std::max(0, k0 - 1);
        for (int k = best + 1; k <= std::min(RampSteps, k0 + 1); ++k) {
            if (offMean(k, sum) < offMean(best, sum))
                best = k;
        }
        steps[size_t(sum)] = uint8_t(best);
    }
    return steps;
}();

// Exact nearest entry of the halftone palette: the cube's nearest point is
// found channel by channel, the ramp's nearest grey from the channels' sum;
// the cube's wins unless the grey is strictly closer.
uint8_t nearestHalftone(Rgb colour)
{
    const auto cubeLevel = [](int c) { return (c + CubeStep / 2) / CubeStep; };
    const int r = cubeLevel(red(colour)), g = cubeLevel(green(colour)), b = cubeLevel(blue(colour));
    const int cubeDistance = distanceSquared(colour, rgb(r * CubeStep, g * CubeStep, b * CubeStep));
    const int k = NearestRampStep[size_t(red(colour) + green(colour) + blue(colour))];
    const int level = rampLevel(k);
    const bool greyCloser = distanceSquared(colour, rgb(level, level, level)) < cubeDistance;
    return uint8_t(greyCloser ? rampIndex(k) : cubeIndex(r, g, b));
}

uint8_t nearestInPalette(const std::vector<Rgb> &palette, Rgb colour)
{
    size_t best = 0;
    int bestDistance = distanceSquared(colour, palette[0]);
    for (size_t i = 1; i < palette.size() && bestDistance > 0; ++i) {
        const int distance = distanceSquared(colour, palette[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return uint8_t(best);
}

// 5-6-5 fields, widened by repeating their top bits and narrowed to the
// nearest field value.
Rgb from565(uint16_t v)
{
    const int r = v >> 11, g = v >> 5 & 0x3F, b = v & 0x1F;
    return rgb(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

uint16_t to565(Rgb c)
{
    const int r = (red(c) * 31 + 127) / 255, g = (green(c) * 63 + 127) / 255,
              b = (blue(c) * 31 + 127) / 255;
    return uint16_t(r << 11 | g << 5 | b);
}

size_t strideFor(int width, PixelFormat format)
{
    return (size_t(width) * size_t(bitsPerPixel(format)) + 31) / 32 * 4;
}

std::string sizeMessage(const char8_t *prefix, int width, int height)
{
    const std::string size = " (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    return CodePage::fromUtf8(reinterpret_cast<const char *>(prefix)) + size;
}

// The error of a bitmap that cannot be made: past the caps, or past what
// the pixel budget has left. Only these say that a picture is too large;
// a file that asks for more work than its picture's size warrants is no
// picture the program can read.
BitmapError pictureTooLarge(int width, int height)
{
    static const char8_t *const text = u8"画像が大きすぎるため作成できません";
    // What the user can do about it: cards are shown at their pictures' own
    // size, so a deck of photographs is best made small. No full stop: the
    // error report ends the message with one.
    static const std::string advice = CodePage::fromUtf8(reinterpret_cast<const char *>(
        u8"\nカードの画像は原寸で表示されます。105 × 153 ピクセル程度に縮小してください"));
    // An empty bitmap is refused only by a budget already past its ceiling,
    // and has no size worth naming.
    if (width == 0 && height == 0)
        return BitmapError(CodePage::fromUtf8(reinterpret_cast<const char *>(text)) + advice);
    return BitmapError(sizeMessage(text, width, height) + advice);
}

} // namespace

int bitsPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return 1;
    case PixelFormat::Indexed4: return 4;
    case PixelFormat::Indexed8: return 8;
    case PixelFormat::Rgb565: return 16;
    case PixelFormat::Rgb24: return 24;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: return 32;
    }
    return 32;
}

bool hasPalette(PixelFormat format)
{
    return format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4
        || format == PixelFormat::Indexed8;
}

size_t Bitmap::pixelBytes(int width, int height, PixelFormat format)
{
    if (width < 0 || height < 0)
        throw BitmapError(sizeMessage(u8"画像の大きさが正しくありません", width, height));
    const size_t bytes = strideFor(width, format) * size_t(height);
    if (width > MaxSide || height > MaxSide || bytes > MaxPixelBytes)
        throw pictureTooLarge(width, height);
    return bytes;
}

PixelReservation Bitmap::reserve(size_t bytes, int width, int height)
{
    PixelReservation reservation;
    if (!PixelReservation::tryTake(bytes, reservation))
        throw pictureTooLarge(width, height);
    return reservation;
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : m_format(format), m_palette(paletteOf(format))
{
    allocate(width, height, true, Charge::OwnPixels, Admission::AsCharged);
}

Bitmap::Bitmap(int width, int height, PixelFormat format, ForOverwrite, Charge charge)
    : m_format(format), m_palette(paletteOf(format))
{
    allocate(width, height, false, charge, Admission::WithRoomToTurn);
    whitenPadding();
}

Bitmap::Bitmap(int width, int height, PixelFormat format, ForOverwrite, Charge charge,
               PixelMemory::SharedWith sharer)
    : m_format(format), m_palette(paletteOf(format))
{
    allocate(width, height, false, charge, Admission::WithRoomToTurn, sharer);
    whitenPadding();
}

Bitmap::Bitmap(int width, int height, PixelFormat format, PixelMemory::Words pixels)
    : m_width(width), m_height(height), m_format(format), m_stride(strideFor(width, format)),
      m_pixels(std::move(pixels)), m_palette(paletteOf(format))
{
}

// Padding lies in the last word of a row, which the row's pixels may share:
// white first, the caller's pixels go over it.
void Bitmap::whitenPadding()
{
    if (!isEmpty() && size_t(m_width) * size_t(bitsPerPixel(m_format)) < m_stride * 8) {
        for (int y = 0; y < m_height; ++y)
            scanLine32(y)[m_stride / 4 - 1] = 0xFFFFFFFFu;
    }
}

void Bitmap::allocate(int width, int height, bool white, Charge charge, Admission admission,
                      std::optional<PixelMemory::SharedWith> sharer)
{
    const size_t bytes = pixelBytes(width, height, m_format);
    // A turn's copy is in the device's format, of 32 bits, the deepest.
    const size_t charged = charge == Charge::AsTurned ? pixelBytes(width, height, PixelFormat::Device) : bytes;
    if (charge == Charge::AsTurned && admission == Admission::WithRoomToTurn) {
        if (!PixelReservation::tryTakePicture(PixelMemory::footprint(charged), m_reservation))
            throw pictureTooLarge(width, height);
    } else {
        m_reservation = reserve(PixelMemory::footprint(charged), width, height);
    }
    m_charge = charge;
    if (bytes > 0) {
        m_pixels = sharer ? PixelMemory::allocateShared(bytes, *sharer) : PixelMemory::allocate(bytes);
        if (!m_pixels)
            throw pictureTooLarge(width, height);
        // All bits set is white in every format, padding included.
        if (white)
            std::memset(m_pixels.get(), 0xFF, bytes);
    }
    m_width = width;
    m_height = height;
    m_stride = strideFor(width, m_format);
}

Bitmap::Bitmap(const Bitmap &other)
    : m_format(other.m_format), m_palette(other.m_palette)
{
    allocate(other.m_width, other.m_height, false, other.m_charge, Admission::AsCharged);
    if (m_pixels)
        std::memcpy(m_pixels.get(), other.m_pixels.get(), m_stride * size_t(m_height));
}

Bitmap &Bitmap::operator=(const Bitmap &other)
{
    if (this != &other)
        *this = Bitmap(other);
    return *this;
}

Bitmap::Bitmap(Bitmap &&other) noexcept
    : m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)),
      m_format(other.m_format), m_stride(std::exchange(other.m_stride, 0)), m_pixels(std::move(other.m_pixels)),
      m_palette(std::move(other.m_palette)), m_reservation(std::move(other.m_reservation)),
      m_charge(other.m_charge)
{
}

Bitmap &Bitmap::operator=(Bitmap &&other) noexcept
{
    if (this != &other) {
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_format = other.m_format;
        m_stride = std::exchange(other.m_stride, 0);
        m_pixels = std::move(other.m_pixels);
        m_palette = std::move(other.m_palette);
        m_reservation = std::move(other.m_reservation);
        m_charge = other.m_charge;
    }
    return *this;
}

void Bitmap::setWidth(int width)
{
    setSize(width, m_height);
}

void Bitmap::setHeight(int height)
{
    setSize(m_width, height);
}

void Bitmap::setSize(int width, int height)
{
    if (width == m_width && height == m_height)
        return;
    Bitmap resized(width, height, m_format);
    resized.copyOverlapFrom(*this);
    *this = std::move(resized);
}

void Bitmap::copyOverlapFrom(const Bitmap &other)
{
    const int width = std::min(m_width, other.m_width);
    const int height = std::min(m_height, other.m_height);
    if (width <= 0 || height <= 0)
        return;
    const int bits = bitsPerPixel(m_format);
    const size_t rowBytes = (size_t(width) * size_t(bits) + 7) / 8;
    // Below a byte per pixel the last byte copied may carry the other
    // bitmap's padding into pixels that are new here: they are made white.
    const int copiedPixels = int(rowBytes * 8 / size_t(bits));
    std::vector<Rgb> white(size_t(std::max(0, copiedPixels - other.m_width)), White);
    for (int y = 0; y < height; ++y) {
        std::memcpy(scanLine(y), other.scanLine(y), rowBytes);
        if (!white.empty() && other.m_width < m_width)
            writePixels(other.m_width, y, std::min(copiedPixels, m_width) - other.m_width, white.data());
    }
}

void Bitmap::setPixelFormat(PixelFormat format)
{
    if (format != m_format)
        *this = convertedTo(format);
}

Bitmap Bitmap::convertedTo(PixelFormat format) const
{
    Bitmap converted(m_width, m_height, format, Unwritten);
    const bool sameLayout = bitsPerPixel(format) == 32 && bitsPerPixel(m_format) == 32;
    std::vector<Rgb> row(static_cast<size_t>(m_width));
    for (int y = 0; y < m_height; ++y) {
        if (sameLayout) {
            std::memcpy(converted.scanLine(y), scanLine(y), m_stride);
        } else {
            readPixels(0, y, m_width, row.data());
            converted.writePixels(0, y, m_width, row.data());
        }
    }
    return converted;
}

Rgb Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return InvalidColor;
    Rgb colour;
    readPixels(x, y, 1, &colour);
    return colour;
}

void Bitmap::setPixel(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    writePixels(x, y, 1, &colour);
}

void Bitmap::readPixels(int x, int y, int count, Rgb *colours) const
{
    const uint8_t *row = scanLine(y);
    const int end = x + count;
    switch (m_format) {
    case PixelFormat::Indexed1:
        for (int i = x; i < end; ++i)
            *colours++ = m_palette[row[i >> 3] >> (7 - (i & 7)) & 1];
        break;
    case PixelFormat::Indexed4:
        for (int i = x; i < end; ++i)
            *colours++ = m_palette[row[i >> 1] >> ((i & 1) ? 0 : 4) & 0xF];
        break;
    case PixelFormat::Indexed8:
        for (int i = x; i < end; ++i)
            *colours++ = m_palette[row[i]];
        break;
    case PixelFormat::Rgb565:
        for (int i = x; i < end; ++i) {
            uint16_t v;
            std::memcpy(&v, row + 2 * i, 2);
            *colours++ = from565(v);
        }
        break;
    case PixelFormat::Rgb24:
        for (const uint8_t *p = row + 3 * x; p < row + 3 * end; p += 3)
            *colours++ = rgb(p[0], p[1], p[2]);
        break;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: {
        const uint32_t *words = scanLine32(y);
        for (int i = x; i < end; ++i)
            *colours++ = words[i] & White;
        break;
    }
    }
}

void Bitmap::writePixels(int x, int y, int count, const Rgb *colours)
{
    uint8_t *row = scanLine(y);
    const int end = x + count;
    switch (m_format) {
    case PixelFormat::Indexed1:
        for (int i = x; i < end; ++i) {
            const int shift = 7 - (i & 7);
            row[i >> 3] = uint8_t((row[i >> 3] & ~(1 << shift)) | nearestIndex(*colours++) << shift);
        }
        break;
    case PixelFormat::Indexed4:
        for (int i = x; i < end; ++i) {
            const int shift = (i & 1) ? 0 : 4;
            row[i >> 1] = uint8_t((row[i >> 1] & ~(0xF << shift)) | nearestIndex(*colours++) << shift);
        }
        break;
    case PixelFormat::Indexed8:
        for (int i = x; i < end; ++i)
            row[i] = nearestHalftone(*colours++ & White);
        break;
    case PixelFormat::Rgb565:
        for (int i = x; i < end; ++i) {
            const uint16_t v = to565(*colours++);
            std::memcpy(row + 2 * i, &v, 2);
        }
        break;
    case PixelFormat::Rgb24:
        for (uint8_t *p = row + 3 * x; p < row + 3 * end; p += 3) {
            const Rgb c = *colours++;
            p[0] = uint8_t(red(c));
            p[1] = uint8_t(green(c));
            p[2] = uint8_t(blue(c));
        }
        break;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: {
        uint32_t *words = scanLine32(y);
        for (int i = x; i < end; ++i)
            words[i] = OpaqueWord | *colours++;
        break;
    }
    }
}

uint8_t Bitmap::nearestIndex(Rgb colour) const
{
    colour &= White;
    if (m_format == PixelFormat::Indexed8)
        return nearestHalftone(colour);
    return m_palette.empty() ? 0 : nearestInPalette(m_palette, colour);
}
