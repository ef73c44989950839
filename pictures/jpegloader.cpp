#include "jpegloader.h"

#include "jpegdecoder.h"
#include "pictureinput.h"
#include "picturetarget.h"

#include <exception>

namespace {

struct JpegLoad {
    JpegJob job;
    Bitmap *target;
    PixelReservation working;
    std::exception_ptr error;
};

long readMore(void *input, unsigned char *buffer, size_t size)
{
    return static_cast<PictureInput *>(input)->read(buffer, size);
}

// Called from inside the decoder, so no exception may leave it: the
// bitmap's error waits in the load until the decoder has cleaned up.
unsigned char *prepareTarget(void *context, int width, int height, int bitsPerPixel, size_t workingBytes,
                             size_t *bytesPerLine) noexcept
{
    auto *load = static_cast<JpegLoad *>(context);
    Bitmap &target = *load->target;
    try {
        makeTarget(target, width, height, bitsPerPixel);
        load->working = Bitmap::reserve(workingBytes, width, height);
    } catch (...) {
        load->error = std::current_exception();
        return nullptr;
    }
    if (target.pixelFormat() == PixelFormat::Indexed8) {
        for (unsigned grey = 0; grey < 256; ++grey)
            load->job.greyToPixel[grey] = target.nearestIndex(grey << 16 | grey << 8 | grey);
    }
    *bytesPerLine = target.bytesPerLine();
    return target.isEmpty() ? nullptr : target.scanLine(0);
}

} // namespace

bool loadJpeg(PictureInput &input, Bitmap &target)
{
    JpegLoad load{};
    load.job.read = readMore;
    load.job.file = &input;
    load.job.buffer = input.buffer();
    load.job.bufferSize = PictureInput::BufferSize;
    load.job.filled = input.headSize();
    load.job.prepare = prepareTarget;
    load.job.context = &load;
    load.target = &target;
    target = Bitmap();
    const JpegResult result = decodeJpeg(&load.job);
    if (load.error)
        std::rethrow_exception(load.error);
    if (result != JpegResult::Decoded)
        whitenRowsFrom(target, load.job.rowsDecoded);
    return result == JpegResult::Decoded;
}
