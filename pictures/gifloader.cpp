#include "gifloader.h"

#include "pictureinput.h"
#include "picturetarget.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct GifBytes {
    const std::string &bytes;
    size_t at;
};

int readGif(GifFileType *gif, GifByteType *into, int count)
{
    auto *source = static_cast<GifBytes *>(gif->UserData);
    const size_t now = std::min(size_t(std::max(count, 0)), source->bytes.size() - source->at);
    std::memcpy(into, source->bytes.data() + source->at, now);
    source->at += now;
    return int(now);
}

struct CloseGif {
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, CloseGif>;

size_t colourTableBytes(unsigned char flags)
{
    return flags & 0x80 ? size_t(3) << ((flags & 7) + 1) : 0;
}

// The blocks of a picture's data say how long each is, and an empty block
// closes them. A file that ends inside them, or right after them, is given
// the end that its blocks promise: the last block shortened to what is there
// and the empty block after it. Whether every pixel is in what remains is
// then for the decoder to find; files that end a little early with all their
// pixels are common.
void closeCutData(std::string &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const size_t size = bytes.size();
    if (size < 13)
        return;
    size_t at = 13 + colourTableBytes(data[10]);
    while (at < size) {
        if (data[at] == 0x21) { // an extension: its label, then blocks
            at += 2;
            while (at < size && data[at] != 0)
                at += 1 + size_t(data[at]);
            ++at;
        } else if (data[at] == 0x2C) { // the picture: descriptor, table, code size, blocks
            if (size - at < 10)
                return;
            at += 10 + colourTableBytes(data[at + 9]) + 1;
            while (at < size && data[at] != 0) {
                if (data[at] >= size - at) {
                    bytes[at] = char(size - at - 1);
                    break;
                }
                at += 1 + size_t(data[at]);
            }
            if (at >= size - 1 || data[at] != 0)
                bytes += '\0';
            return;
        } else {
            return;
        }
    }
}

// The transparent colour of the picture, from the extension before it.
int readExtension(GifFileType *gif, int &transparent)
{
    int code = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return GIF_ERROR;
    if (code == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return GIF_ERROR;
    }
    return GIF_OK;
}

// Reads up to the first picture's descriptor; false when there is none.
bool findPicture(GifFileType *gif, int &transparent)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE || readExtension(gif, transparent) == GIF_ERROR)
            return false;
    }
}

// The rows in the order the file holds them: an interlaced picture gives
// every eighth row from the first, then from the fifth, then every fourth
// from the third, then every second from the second.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            order.push_back(y);
    return order;
}

} // namespace

bool loadGif(PictureInput &input, Bitmap &target)
{
    target = Bitmap();
    const unsigned char *head = input.buffer();
    const int screenWidth = input.headSize() >= 10 ? head[6] | head[7] << 8 : 0;
    const int screenHeight = input.headSize() >= 10 ? head[8] | head[9] << 8 : 0;
    const PixelReservation fileMemory = Bitmap::reserve(input.size(), screenWidth, screenHeight);
    std::string bytes;
    if (!input.readAll(bytes))
        return false;
    closeCutData(bytes);

    GifBytes source{bytes, 0};
    int error = 0;
    const GifFile gif(DGifOpen(&source, readGif, &error));
    int transparent = NO_TRANSPARENT_COLOR;
    if (!gif || !findPicture(gif.get(), transparent))
        return false;
    const GifImageDesc &frame = gif->Image;
    const ColorMapObject *colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || frame.Width <= 0 || frame.Height <= 0)
        return false;

    makeTarget(target, frame.Width, frame.Height, 8);
    uint8_t indexFor[256];
    for (int i = 0; i < 256; ++i) {
        const GifColorType black{0, 0, 0};
        const GifColorType &c = i < colours->ColorCount ? colours->Colors[i] : black;
        indexFor[i] = target.nearestIndex(i == transparent ? 0xFFFFFF : Rgb(c.Red << 16 | c.Green << 8 | c.Blue));
    }
    const std::vector<int> order = rowOrder(frame.Height, frame.Interlace);
    for (size_t i = 0; i < order.size(); ++i) {
        uint8_t *row = target.scanLine(order[i]);
        if (DGifGetLine(gif.get(), row, frame.Width) == GIF_ERROR) {
            for (size_t j = i; j < order.size(); ++j)
                std::memset(target.scanLine(order[j]), 0xFF, target.bytesPerLine());
            return false;
        }
        for (int x = 0; x < frame.Width; ++x)
            row[x] = indexFor[row[x]];
    }
    return true;
}
