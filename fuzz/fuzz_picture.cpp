// Picture loading from arbitrary bytes: JPEG, PNG, BMP and GIF files, and
// whatever else, written to a file and loaded as a card picture. A load may
// succeed, fail quietly or refuse a picture too large for a bitmap; nothing
// else may happen.

#include "picturefile.h"
#include "workfolder.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv); // image plugins, as in the program
    WorkFolder::enter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WorkFolder::write("cardimages/card.jpg", data, size);
    {
        Bitmap target(3, 2, PixelFormat::Rgb24);
        bool loaded = false;
        try {
            loaded = LoadPictureFile("cardimages\\card.jpg", target);
        } catch (const BitmapError &) {
        }
        check(PixelBudget::inUse() <= PixelBudget::ceiling());
        if (loaded) {
            check(!target.isEmpty());
            // Every pixel is there to be read and shown.
            const QImage shown = target.toQImage();
            check(shown.width() == target.width() && shown.height() == target.height());
            volatile Rgb corner = target.pixel(target.width() - 1, target.height() - 1);
            (void)corner;
        }
    }
    // Whatever the load took from the pixel budget, it gave back.
    check(PixelBudget::inUse() == 0);
    return 0;
}
