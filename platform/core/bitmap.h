#pragma once

// A picture of a width, a height and a pixel format, with pixels stored at
// the format's depth and a palette of its own where the format has one.
// A value type: copying a Bitmap copies its pixels. Its pixel memory is
// taken from the pixel budget (pixelbudget.h) and given back with it.

#include "apperror.h"
#include "pixelbudget.h"
#include "pixelmemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Qt's image where the code that includes this builds with Qt; the decoder
// process builds without (see toQImage).
#if __has_include(<QImage>)
#include <QImage>
#else
class QImage;
#endif

enum class PixelFormat {
    Indexed1,  // two colours: black and white; leftmost pixel in the high bit
    Indexed4,  // the 16-colour system palette; leftmost pixel in the high nibble
    Indexed8,  // a 256-entry halftone palette: 40 greys, then a 6x6x6 colour cube
    Rgb565,    // 16 bits: masks 0xF800, 0x07E0, 0x001F
    Rgb24,     // 8 bits each of red, green, blue, in that order
    Rgb32,     // a 32-bit word 0xFFRRGGBB per pixel (bytes blue, green, red, unused)
    Device,    // the display's own format, what a turn produces: here always 32 bits,
               // laid out as Rgb32, so that any picture can be turned into it
};

// Bits per pixel of a format as stored.
int bitsPerPixel(PixelFormat format);
bool hasPalette(PixelFormat format);

// A colour as 0x00RRGGBB. A point outside a bitmap reads as InvalidColor.
using Rgb = uint32_t;
inline constexpr Rgb InvalidColor = 0xFFFFFFFFu;

// A bitmap that cannot be made at the size asked for. The message is the
// user's to read: for a size past the caps or past what the pixel budget
// has left, 画像が大きすぎるため作成できません and the size, as "(W x H)".
class BitmapError : public AppError
{
public:
    using AppError::AppError;
};

class Bitmap
{
public:
    // The largest bitmap we make: its pixels must fit in 256 MiB and neither
    // side may pass 65535. Larger sizes, and sizes the pixel budget has no
    // room for, throw BitmapError before allocating.
    static constexpr int MaxSide = 65535;
    static constexpr size_t MaxPixelBytes = size_t{256} << 20;

    Bitmap() = default; // 0 by 0, Device format
    Bitmap(const Bitmap &other);
    Bitmap &operator=(const Bitmap &other);
    // The bitmap moved from is left 0 by 0.
    Bitmap(Bitmap &&other) noexcept;
    Bitmap &operator=(Bitmap &&other) noexcept;

    // A white bitmap of that size and format; throws BitmapError for a size
    // that cannot be made.
    Bitmap(int width, int height, PixelFormat format);

    // What a bitmap takes of the pixel budget: its own pixels, or as much
    // as a turn of it holds (a picture that a slot is to show, which any
    // reading may turn), so that what a slot takes never depends on which
    // way its card lies.
    enum class Charge { OwnPixels, AsTurned };

    // The same, with its pixels left for the caller to write whole, as a
    // decoder or a turn does: no pass over memory that is about to be
    // overwritten. Only the padding at the end of each row is made white.
    enum ForOverwrite { Unwritten };
    Bitmap(int width, int height, PixelFormat format, ForOverwrite, Charge charge = Charge::OwnPixels);
    // The same in memory that another process maps too
    // (PixelMemory::allocateShared), such as a decoder process that draws
    // the picture: sharedFile() is the file of its pixels to hand over.
    Bitmap(int width, int height, PixelFormat format, ForOverwrite, Charge charge, PixelMemory::SharedWith sharer);
    // A bitmap over pixels that another process made and charged to its own
    // pixel budget, such as the picture that a decoder process draws into
    // the window's memory (PixelMemory::mapShared): it takes nothing of the
    // budget here. pixels hold pixelBytes(width, height, format), laid out
    // as a bitmap of that size's own.
    Bitmap(int width, int height, PixelFormat format, PixelMemory::Words pixels);

    // The bytes of pixels a bitmap of that size and format holds; throws the
    // BitmapError of a size that no bitmap can have.
    static size_t pixelBytes(int width, int height, PixelFormat format);
    // Bytes of the pixel budget for other work on a picture of width by
    // height, such as a decoder's; throws the BitmapError of a picture too
    // large when they do not fit.
    static PixelReservation reserve(size_t bytes, int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    PixelFormat pixelFormat() const { return m_format; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }
    // What the bitmap takes of the pixel budget; a copy takes as much.
    size_t budgetBytes() const { return m_reservation.bytes(); }
    // The file of pixels shared with another process; -1 when they are not
    // (a copy's never are) or there are none.
    int sharedFile() const { return PixelMemory::sharedFile(m_pixels); }

    // Setting the size keeps the pixels that still fit, new ones white;
    // setting the format converts the pixels at the present size.
    void setWidth(int width);
    void setHeight(int height);
    void setSize(int width, int height);
    void setPixelFormat(PixelFormat format);

    // A copy of the picture in another format, each pixel converted.
    Bitmap convertedTo(PixelFormat format) const;

    Rgb pixel(int x, int y) const;
    // Outside the bitmap: ignored. Bits above the 24 of the colour are
    // dropped, so InvalidColor is written as white.
    void setPixel(int x, int y, Rgb colour);

    // The colours of count pixels of row y from x on, which must all lie
    // inside the bitmap. Writing converts each colour to the format.
    void readPixels(int x, int y, int count, Rgb *colours) const;
    void writePixels(int x, int y, int count, const Rgb *colours);

    // Raw rows for decoders and turns that work a row at a time. Rows start
    // on 32-bit boundaries; scanLine32 is for the two 32-bit formats.
    uint8_t *scanLine(int y) { return reinterpret_cast<uint8_t *>(scanLine32(y)); }
    const uint8_t *scanLine(int y) const { return reinterpret_cast<const uint8_t *>(scanLine32(y)); }
    uint32_t *scanLine32(int y) { return m_pixels.get() + size_t(y) * (m_stride / 4); }
    const uint32_t *scanLine32(int y) const { return m_pixels.get() + size_t(y) * (m_stride / 4); }
    size_t bytesPerLine() const { return m_stride; }
    const std::vector<Rgb> &palette() const { return m_palette; }

    // Nearest palette entry for a colour (formats with a palette only).
    uint8_t nearestIndex(Rgb colour) const;

    // Qt's half of the bitmap (bitmapqimage.cpp, in the library
    // platformqt), for what shows it.
    // The picture as the screen shows it, independent of this bitmap.
    QImage toQImage() const;
    // Rows top to top + count - 1 of it the same way; a 4-bit picture,
    // which Qt has no format for, is widened to a byte a pixel. A null
    // image when there is no memory for it.
    QImage rowsToQImage(int top, int count) const;
    // The picture over this bitmap's own memory, without a copy: valid while
    // the bitmap lives unchanged. Null for an empty bitmap and for the 4-bit
    // format.
    QImage view() const;

private:
    void copyOverlapFrom(const Bitmap &other);
    // A new picture charged as turned is admitted only with room for its
    // turn (PixelReservation::tryTakePicture); a copy takes what its
    // original takes.
    enum class Admission { WithRoomToTurn, AsCharged };
    void allocate(int width, int height, bool white, Charge charge, Admission admission,
                  std::optional<PixelMemory::SharedWith> sharer = std::nullopt);
    void whitenPadding();

    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Device;
    size_t m_stride = 0;
    PixelMemory::Words m_pixels; // words keep every row 32-bit aligned
    std::vector<Rgb> m_palette;
    PixelReservation m_reservation; // what m_pixels takes from the budget
    Charge m_charge = Charge::OwnPixels;
};
