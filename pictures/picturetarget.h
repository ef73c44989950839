#pragma once

// The bitmap that a decoder draws a picture into.

#include "bitmap.h"
#include "loadmemory.h"

#include <exception>
#include <optional>

class PictureInput;

// Makes target a bitmap of width by height at the depth PixelFormatFor
// gives for bitsPerPixel, its pixels left for the decoder to write, once the
// pixel budget has room to turn the picture as a reading may: any card can
// lie reversed, and in the Celtic Cross the crossing card is turned again,
// and a turn holds the picture and its turned copy at once, so two
// full-colour copies of the picture must fit beside everything held now. A
// picture that shows is then never refused by a turn. The target takes as
// much of the budget as its turned copy would, whichever way it comes to
// lie: what a slot takes does not depend on the deal, and a deck that fits
// once fits every time. Otherwise throws the BitmapError of a picture too
// large, before allocating. Once the target is made, input may go on as
// far as a picture of its size needs. The target comes from the load's
// memory (loadmemory.h): this process's budget, through admitTarget, or
// in a decoder process the window's.
// then says what the loader will ask for next (loadmemory.h).
void makeTarget(Bitmap &target, PictureInput &input, int width, int height, int bitsPerPixel, ThenAsks then);

// The budget's part of makeTarget, the one test of a picture's room
// wherever it is decoded: the caps, room for two turned copies, then the
// target charged as its turned copy. With a sharer, its pixels are memory
// that a decoder process maps too, as Bitmap's constructor says.
Bitmap admitTarget(int width, int height, int bitsPerPixel,
                   std::optional<PixelMemory::SharedWith> sharer = std::nullopt);

// One channel of a colour of that alpha drawn over white, as transparent
// parts of every picture are: (c * alpha + 255 * (255 - alpha) + 127) / 255,
// rounded down, the division as a multiplication, exact for every value it
// meets. Inline and without a branch: decoders call it for every pixel, and
// a loop over it can take several pixels at once.
inline uint8_t channelOverWhite(uint32_t channel, uint32_t alpha)
{
    return uint8_t((channel * alpha + 255 * (255 - alpha) + 127) * 32897u >> 23);
}

inline Rgb overWhite(int red, int green, int blue, int alpha)
{
    const auto a = uint32_t(alpha);
    return Rgb(channelOverWhite(uint32_t(red), a)) << 16 | Rgb(channelOverWhite(uint32_t(green), a)) << 8
         | channelOverWhite(uint32_t(blue), a);
}

// Draws count pixels of 8-bit red, green, blue and alpha, in that order,
// over white into words 0xFFRRGGBB, as channelOverWhite does, several
// pixels at a time. from and to may be the same memory.
void drawOverWhite(const uint8_t *from, uint32_t *to, int count);

// Makes the rows from first on white: a decoder stopped before them.
void whitenRowsFrom(Bitmap &target, int first);

// What a decoder that draws into target leaves of a load: the error that
// its callbacks kept for it (a bitmap that could not be made) thrown now;
// otherwise its result, with the rows from rowsDone on made white when it
// did not decode the whole picture, whatever stopped it: a file cut short
// or damaged, or one that asked for more work than its picture's size
// warrants (pictureinput.h). Such a file is no picture the program can
// read, not a picture too large: its size would fit.
bool concludeLoad(const std::exception_ptr &error, bool decoded, Bitmap &target, int rowsDone);

// Writes row y of a target of 1, 4 or 8 bits from values of a byte a
// pixel, each through indexFor: a palette's or a grey ramp's table of the
// target's nearest entries, worked out once for each value.
void writeIndices(Bitmap &target, int y, const uint8_t *values, const uint8_t *indexFor);
