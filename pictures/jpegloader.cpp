#include "jpegloader.h"

#include "jpegdecoder.h"
#include "loadmemory.h"
#include "pictureinput.h"
#include "picturetarget.h"
#include "workerthread.h"

#include <exception>

namespace {

unsigned char *prepareTarget(void *context, int width, int height, int bitsPerPixel, size_t workingBytes,
                             size_t *bytesPerLine) noexcept;

// One load: the decoder's job, and what its callback makes for it.
struct JpegLoad {
    JpegLoad(PictureInput &from, Bitmap &into) : job{}, input(&from), target(&into)
    {
        job.source = from.source();
        job.prepare = prepareTarget;
        job.context = this;
        job.stopRequested = Worker::stopRequested;
    }

    JpegJob job;
    PictureInput *input;
    Bitmap *target;
    PixelReservation working;
    std::exception_ptr error;
};

// Called from inside the decoder, so no exception may leave it: the
// bitmap's error waits in the load until the decoder has cleaned up.
unsigned char *prepareTarget(void *context, int width, int height, int bitsPerPixel, size_t workingBytes,
                             size_t *bytesPerLine) noexcept
{
    auto *load = static_cast<JpegLoad *>(context);
    Bitmap &target = *load->target;
    try {
        makeTarget(target, *load->input, width, height, bitsPerPixel, {workingBytes, true});
        load->working = LoadMemory::current().working(workingBytes, width, height);
        LoadMemory::current().askedAll();
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
    target = Bitmap();
    JpegLoad load(input, target);
    const JpegResult result = decodeJpeg(&load.job);
    return concludeLoad(load.error, result == JpegResult::Decoded, target, load.job.rowsDecoded);
}
